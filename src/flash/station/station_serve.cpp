#include "flash/station/station_serve.h"

#include <httplib.h>

#include <array>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

namespace tarnwick::flash {
namespace {

using Json = nlohmann::json;
using namespace std::chrono_literals;

constexpr std::size_t kThreads = 6;       // every request, the event streams too
constexpr std::size_t kEventStreams = 3;  // leaves threads for /metrics and the page
constexpr std::size_t kQueued = 16;       // connections accepted and waiting for a thread
constexpr std::size_t kLastRecords = 20;
constexpr auto kEventGap = 250ms;  // at most four events a second a stream
// A comment line on a quiet stream: keeps proxies from closing it, and finds a
// page that has gone within 2 s, so its place among the streams is free again.
constexpr auto kKeepStreamAlive = 2s;
constexpr std::array<double, 10> kBuckets{1, 2, 5, 10, 20, 30, 60, 120, 300, 600};

// A fixed pool whose queue is bounded: when it is full the listening thread
// runs the connection itself, so it accepts no more until one is done and a
// flood of idle connections waits in the system's backlog, not in our memory
// or our file handles (which the station needs for its ports).
class BoundedPool : public httplib::TaskQueue {
 public:
  BoundedPool() {
    for (std::size_t i = 0; i < kThreads; ++i) threads_.emplace_back([this] { work(); });
  }
  void enqueue(std::function<void()> fn) override {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      if (jobs_.size() < kQueued) {
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
        return;
      }
    }
    fn();
  }
  void shutdown() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      closing_ = true;
    }
    ready_.notify_all();
    for (auto& thread : threads_) thread.join();
  }

 private:
  void work() {
    for (;;) {
      std::function<void()> fn;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !jobs_.empty(); });
        if (jobs_.empty()) return;
        fn = std::move(jobs_.front());
        jobs_.pop_front();
      }
      fn();
    }
  }
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> threads_;
  bool closing_ = false;
};

// A socket's state for the page and the gauge, from its row.
std::string socketState(const StationDisplay::Row& row) {
  if (row.state.rfind("PASS", 0) == 0) return "passed";
  if (row.state.rfind("FAIL", 0) == 0) return "failed";
  if (row.state.rfind("flashing", 0) == 0) return "flashing";
  return row.device.empty() ? "empty" : "waiting";
}

// A label value as the exposition format quotes it.
std::string labelValue(const std::string& text) {
  std::string quoted;
  for (const char c : text) {
    if (c == '\\' || c == '"') quoted += '\\';
    if (c == '\n') {
      quoted += "\\n";
      continue;
    }
    quoted += c;
  }
  return quoted;
}

}  // namespace

struct StationServer::State {
  ServeSetup setup;
  httplib::Server server;
  std::thread thread;

  std::mutex mutex;
  std::condition_variable changed;
  std::uint64_t version = 0;
  bool stopped = false;
  bool closing = false;
  std::size_t streams = 0;
  std::string records;  // this run's, as the log holds them
  std::deque<Json> lastRecords;
  std::array<std::uint64_t, kBuckets.size()> buckets{};
  std::uint64_t flashes = 0;
  double flashSeconds = 0;
  std::uint64_t passed = 0;
  std::uint64_t failed = 0;

  void bump() {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      ++version;
    }
    changed.notify_all();
  }

  std::string pageState();
  std::string metrics();
  void routes();
};

std::string StationServer::State::pageState() {
  const auto snapshot = setup.display->snapshot();
  Json sockets = Json::array();
  for (const auto& row : snapshot.rows) {
    sockets.push_back({{"name", row.name},
                       {"device", row.device},
                       {"location", row.location},
                       {"state", socketState(row)},
                       {"text", row.state}});
  }
  const std::lock_guard<std::mutex> lock(mutex);
  Json last = Json::array();
  for (const auto& record : lastRecords) last.push_back(record);
  Json state{{"sockets", sockets},
             {"passed", snapshot.passed},
             {"failed", snapshot.failed},
             {"image",
              {{"name", setup.imageName},
               {"lines", setup.image->sendLines},
               {"sha256", setup.image->sha256}}},
             {"host", setup.host},
             {"started", setup.started},
             {"stopped", stopped},
             {"records", last}};
  return state.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string StationServer::State::metrics() {
  const auto snapshot = setup.display->snapshot();
  std::ostringstream out;
  out << "# HELP tarnwick_boards_total Boards this station has run, by outcome.\n"
         "# TYPE tarnwick_boards_total counter\n";
  {
    const std::lock_guard<std::mutex> lock(mutex);
    out << "tarnwick_boards_total{outcome=\"passed\"} " << passed << "\n"
        << "tarnwick_boards_total{outcome=\"failed\"} " << failed << "\n";
    out << "# HELP tarnwick_flash_duration_seconds Time of each board's run.\n"
           "# TYPE tarnwick_flash_duration_seconds histogram\n";
    for (std::size_t i = 0; i < kBuckets.size(); ++i) {
      out << "tarnwick_flash_duration_seconds_bucket{le=\"" << kBuckets[i] << "\"} " << buckets[i]
          << "\n";
    }
    out << "tarnwick_flash_duration_seconds_bucket{le=\"+Inf\"} " << flashes << "\n"
        << "tarnwick_flash_duration_seconds_sum " << flashSeconds << "\n"
        << "tarnwick_flash_duration_seconds_count " << flashes << "\n";
  }
  std::map<std::string, int> states{
      {"empty", 0}, {"waiting", 0}, {"flashing", 0}, {"passed", 0}, {"failed", 0}};
  for (const auto& row : snapshot.rows) ++states[socketState(row)];
  out << "# HELP tarnwick_sockets Sockets of this station, by state.\n"
         "# TYPE tarnwick_sockets gauge\n";
  for (const auto& [state, count] : states) {
    out << "tarnwick_sockets{state=\"" << state << "\"} " << count << "\n";
  }
  out << "# HELP tarnwick_image_info The image this station flashes, and its version.\n"
         "# TYPE tarnwick_image_info gauge\n"
         "tarnwick_image_info{image=\""
      << labelValue(setup.imageName) << "\",sha256=\"" << setup.image->sha256
      << "\",version=\"" TARNWICK_VERSION "\"} 1\n";
  return out.str();
}

void StationServer::State::routes() {
  // Only the page's own files run; a board's words reach it as JSON data.
  server.set_default_headers(
      {{"Content-Security-Policy",
        "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; "
        "img-src 'self'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
       {"X-Content-Type-Options", "nosniff"},
       {"Cache-Control", "no-store"}});
  server.Get("/", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kStationPageHtml, "text/html; charset=utf-8");
  });
  server.Get("/page.js", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kStationPageJs, "text/javascript; charset=utf-8");
  });
  server.Get("/page.css", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(kStationPageCss, "text/css; charset=utf-8");
  });
  server.Get("/state", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(pageState(), "application/json");
  });
  server.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
    res.set_content(metrics(), "text/plain; version=0.0.4; charset=utf-8");
  });
  server.Get("/records", [this](const httplib::Request&, httplib::Response& res) {
    const std::lock_guard<std::mutex> lock(mutex);
    res.set_content(records, "application/jsonl");
  });
  server.Get("/events", [this](const httplib::Request&, httplib::Response& res) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      if (streams >= kEventStreams) {
        res.status = 503;
        res.set_header("Retry-After", "5");
        return;
      }
      ++streams;
    }
    auto sent = std::make_shared<std::uint64_t>(~std::uint64_t{0});
    res.set_chunked_content_provider(
        "text/event-stream",
        [this, sent](std::size_t, httplib::DataSink& sink) {
          std::uint64_t now = 0;
          {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait_for(lock, kKeepStreamAlive, [&] { return closing || version != *sent; });
            now = version;
          }
          // The last state goes out too: it says the station has stopped.
          std::string event = ": still here\n\n";
          if (now != *sent) event = "data: " + pageState() + "\n\n";
          *sent = now;
          if (!sink.write(event.data(), event.size())) return false;
          std::unique_lock<std::mutex> lock(mutex);
          changed.wait_for(lock, kEventGap, [this] { return closing; });
          return !closing;
        },
        [this](bool) {
          const std::lock_guard<std::mutex> lock(mutex);
          --streams;
        });
  });
}

StationServer::StationServer(ServeSetup setup) : state_(std::make_unique<State>()) {
  state_->setup = std::move(setup);
  state_->server.new_task_queue = [] { return new BoundedPool; };
  state_->server.set_read_timeout(5, 0);
  state_->server.set_write_timeout(5, 0);
  state_->server.set_keep_alive_max_count(20);
  state_->server.set_keep_alive_timeout(5);
  state_->server.set_payload_max_length(4096);
  state_->routes();
  state_->setup.display->onChange([state = state_.get()] { state->bump(); });
}

StationServer::~StationServer() {
  state_->setup.display->onChange(nullptr);
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
    state_->closing = true;
    ++state_->version;
  }
  state_->changed.notify_all();
  state_->server.stop();
  if (state_->thread.joinable()) state_->thread.join();
}

bool StationServer::start(std::string& error) {
  if (!state_->server.bind_to_port(state_->setup.address.c_str(), state_->setup.port)) {
    error = "cannot listen on " + state_->setup.address + ":" + std::to_string(state_->setup.port);
    return false;
  }
  state_->thread = std::thread([state = state_.get()] { state->server.listen_after_bind(); });
  return true;
}

void StationServer::recorded(const std::string& line) {
  const Json record = Json::parse(line, nullptr, false);
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->records += line;
    if (!record.is_discarded()) {
      const bool pass = record.value("exit_code", -1) == 0;
      ++(pass ? state_->passed : state_->failed);
      const double seconds = record.value("seconds", 0.0);
      for (std::size_t i = 0; i < kBuckets.size(); ++i) {
        if (seconds <= kBuckets[i]) ++state_->buckets[i];
      }
      ++state_->flashes;
      state_->flashSeconds += seconds;
      state_->lastRecords.push_front(record);
      if (state_->lastRecords.size() > kLastRecords) state_->lastRecords.pop_back();
    }
  }
  state_->bump();
}

}  // namespace tarnwick::flash
