// Several boards' progress on one standard error, from one thread per board.
//
// How it works: each board's ProgressReport writes to the board's row (a
// ProgressSink), and every row hands its text to the one BoardDisplay, which
// writes under a lock: no two boards' text ever mixes within a line. On a
// terminal the display keeps one status row per board at the bottom, each
// redrawn in place with cursor movements; a whole line (a message) goes above
// the rows, which are then drawn again below it. Elsewhere each whole line is
// printed once, prefixed with the board's device, and status rows are not
// printed at all.
//
// Trap: a row that wraps would move every row below it: rows fit the
// terminal's width, asked before each drawing; a long device name gives up
// its start before the status is cut. Once the width has changed, every
// row is drawn again (a terminal made narrower rewraps what it shows).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "flash/report/progress_report.h"

namespace tarnwick::flash {

class BoardDisplay {
 public:
  // Where the terminal does not say its width.
  static constexpr std::size_t kRowWidth = 79;

  // `columns` tells the terminal's width now (0: it does not say).
  BoardDisplay(std::ostream& out, bool terminal, const std::vector<std::string>& devices,
               std::function<std::size_t()> columns = {});
  BoardDisplay(const BoardDisplay&) = delete;
  BoardDisplay& operator=(const BoardDisplay&) = delete;

  // The sink of board `board`, in the order of the devices given.
  ProgressSink& row(std::size_t board) { return *rows_.at(board); }

 private:
  class Row : public ProgressSink {
   public:
    Row(BoardDisplay& display, std::size_t board) : display_(display), board_(board) {}
    void status(const std::string& text) override { display_.status(board_, text); }
    void line(const std::string& text) override { display_.line(board_, text); }
    void endStatus() override {}  // the row stays as drawn

   private:
    BoardDisplay& display_;
    std::size_t board_;
  };

  void status(std::size_t board, const std::string& text);
  void line(std::size_t board, const std::string& text);
  // The rows drawn, erased (as many lines as they take now); the cursor
  // ends where they began.
  void eraseRows(std::size_t width);
  // Every row, from the cursor down (the rows drawn before erased first);
  // the cursor ends below them.
  void drawRows(std::size_t width);
  std::string rowText(std::size_t board, std::size_t width) const;
  std::size_t rowWidth() const;  // the terminal's columns less one

  std::mutex mutex_;
  std::ostream& out_;
  bool terminal_;
  std::vector<std::string> devices_;  // padded to one width
  std::vector<std::string> statuses_;
  std::vector<std::unique_ptr<Row>> rows_;
  std::function<std::size_t()> columns_;
  std::vector<std::size_t> drawn_;  // each drawn row's columns; empty before the first drawing
  std::size_t drawnWidth_ = 0;
};

}  // namespace tarnwick::flash
