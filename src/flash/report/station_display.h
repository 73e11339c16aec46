// What the station shows on standard error: one row a socket and the totals.
//
// How it works: a socket's row holds its name (MATCH's item, or the place a
// board matched), the device and USB path of the board in it, and its state:
// waiting, flashing (with the run's own progress line), PASS or FAIL and why.
// On a terminal the rows and the totals stay at the bottom and are redrawn in
// place at each change; elsewhere each event (a board came, its run ended, it
// went) prints one line, and the totals print at the end; on a terminal a
// FAIL also prints its line, whole, above the rows, as the row may be cut.
//
// Fitting the terminal: its width is asked before each drawing. A row that
// does not fit keeps its state and the start of the reason (at least half
// the row), and gives up the start of its name and device first ("..." and
// their ends, where names of one fixture differ); the state is cut last.
//
// Traps: rows are drawn from the boards' threads and the station's; one
// lock keeps their text apart. A row that wraps would move every row below
// it and make the cursor-up count wrong: no row is wider than the terminal
// less one column. A terminal made narrower rewraps the rows already drawn
// (most do): the way up counts the lines they take at the new width.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwick::flash {

class StationDisplay {
 public:
  // Where the terminal does not say its width.
  static constexpr std::size_t kRowWidth = 79;

  // `columns` tells the terminal's width now (0: it does not say).
  StationDisplay(std::ostream& out, bool terminal, std::function<std::size_t()> columns = {})
      : out_(out), terminal_(terminal), columns_(std::move(columns)) {}

  // A new row, waiting; its index.
  std::size_t addSocket(const std::string& name);
  // The board now in the socket (empty strings: none).
  void setBoard(std::size_t socket, const std::string& device, const std::string& location);
  // The row's state; `event`, when not empty, is the line printed without a terminal.
  void setState(std::size_t socket, const std::string& state, const std::string& event);
  // A run's progress: on a terminal only.
  void setProgress(std::size_t socket, const std::string& progress);
  void setTotals(int passed, int failed);
  // A line of its own above the rows, on a terminal or not.
  void message(const std::string& text);
  // Draws the rows again where the terminal's width changed since they were
  // drawn (the station asks at each look for boards), so a resize needs no
  // change of state to be followed.
  void refit();
  // Ends the display: the totals as a last line where they were not shown.
  void finish();

  struct Row {
    std::string name;
    std::string device;
    std::string location;
    std::string state;
  };
  struct Snapshot {
    std::vector<Row> rows;
    int passed = 0;
    int failed = 0;
  };
  // Other views of the same rows (the station's page): `changed` is called
  // after each change, outside the lock; snapshot() reads the rows.
  void onChange(std::function<void()> changed) { changed_ = std::move(changed); }
  Snapshot snapshot();

 private:
  std::string rowText(const Row& row, std::size_t width) const;
  std::string eventText(const Row& row, const std::string& event) const;
  std::string totalsText() const;
  std::size_t rowWidth() const;  // the terminal's columns less one
  // Under the lock: the drawn rows erased, the cursor where they began.
  void clearRows(std::size_t width);
  std::size_t drawnWidth_ = 0;               // the width the rows were last drawn at
  void printAbove(const std::string& text);  // under the lock
  void redraw();                             // under the lock
  void notify() {
    if (changed_) changed_();
  }

  std::mutex mutex_;
  std::ostream& out_;
  bool terminal_;
  std::vector<Row> rows_;
  int passed_ = 0;
  int failed_ = 0;
  std::function<std::size_t()> columns_;
  std::vector<std::size_t> drawn_;  // on the terminal, below the last message: each line's columns
  std::function<void()> changed_;
};

}  // namespace tarnwick::flash
