// Text fitted to a terminal's columns, for the rows that are redrawn in place
// (a row that wraps moves every row below it). A column is a character:
// UTF-8 continuation bytes take none.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwick::flash {

std::size_t columnsOf(const std::string& text);
// The text's first `columns` columns.
std::string headColumns(const std::string& text, std::size_t columns);
// The text in `columns` columns, its start given up first ("..." and its
// end): the ends of one fixture's device names are where they differ.
std::string tailColumns(const std::string& text, std::size_t columns);
std::string paddedColumns(std::string text, std::size_t columns);
// Lines a drawn line of `columns` takes on a terminal `width` wide now.
std::size_t linesTaken(std::size_t columns, std::size_t width);

}  // namespace tarnwick::flash
