// The station seen from elsewhere: a read-only web server on --serve's
// address with the operator's page (/, /page.js, /events), Prometheus's
// metrics (/metrics) and this run's records (/records).
//
// How it works: the page's state is the terminal's own rows
// (StationDisplay::snapshot); the server only keeps what the rows do not
// hold: the records as written (the same bytes as the log) and the flash
// seconds' histogram drawn from them. Each change wakes the page's event
// streams, which send the whole state as one JSON event.
//
// Traps:
//   - A client must not hold up a run: the display's change hook only bumps a
//     counter and wakes the streams; no socket is written under the station's
//     locks.
//   - Connections are bounded: a fixed pool of threads, read and write
//     timeouts, few keep-alive requests, and a cap on the event streams so
//     that they cannot take every thread.
#pragma once

#include <memory>
#include <string>

#include "flash/report/station_display.h"
#include "flash/session/hex_image.h"

namespace tarnwick::flash {

struct ServeSetup {
  std::string address;  // 127.0.0.1 for a bare port
  int port = 0;
  StationDisplay* display = nullptr;
  std::shared_ptr<const HexImage> image;
  std::string imageName;
  std::string host;
  std::string started;  // UTC
};

// "8080" or "ADDRESS:8080"; false and a reason when it is neither.
bool parseServeAddress(const std::string& text, std::string& address, int& port,
                       std::string& error);

class StationServer {
 public:
  explicit StationServer(ServeSetup setup);
  // The page's last event says the station has stopped.
  ~StationServer();
  StationServer(const StationServer&) = delete;
  StationServer& operator=(const StationServer&) = delete;

  // Listens; false and a reason when the address cannot be taken.
  bool start(std::string& error);
  // A record as written to the log.
  void recorded(const std::string& line);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The page's parts, in station_page.cpp.
extern const char* const kStationPageHtml;
extern const char* const kStationPageJs;
extern const char* const kStationPageCss;

}  // namespace tarnwick::flash
