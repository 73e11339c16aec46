// The controls of frmSerial as designed: kind, container, caption, place and
// size in twips, enabled state, Tag and tab index, in one table.
//
// buildControls() creates them as children of the window, named after their
// controls. Control arrays lose their parentheses: txt(0) is "txt_0",
// txt(2) "txt_2", Label1(0) "Label1_0", Label1(2) "Label1_2".
// Every control carries the dynamic property "Tag" ("" when it has none);
// frames, labels and the bar also hold their tab index ("TabIndex") but never
// take the focus.
//
// Trap: a frame's children are placed relative to the frame's outer corner,
// and Qt stacks siblings in creation order, so the table's order matters:
// Text8 comes after Frame3 to lie above it.
#pragma once

#include <QWidget>

namespace tarnwick::ui {

inline constexpr int kTwipsPerPixel = 15;  // at 96 dots per inch
inline constexpr int kClientWidth = 5205 / kTwipsPerPixel;
inline constexpr int kClientHeight = 1815 / kTwipsPerPixel;

void buildControls(QWidget& window);

}  // namespace tarnwick::ui
