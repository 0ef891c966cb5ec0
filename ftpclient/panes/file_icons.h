#pragma once

#include <QPixmap>

// The pictures of the file lists, drawn by the program itself. Sizes are in
// device-independent pixels; each is drawn at the highest pixel ratio of the
// screens, so that it stays crisp when the desktop scales.
namespace FileIcons {

constexpr int Count = 8;

// File-type icon k (16 x 16): 0 blank page, 1 text page, 2 program window,
// 3 paint pot, 4 form, 5 archive, 6 sign board, 7 source code.
QPixmap icon(int k);

// Sort arrows at the lower right of a transparent picture: 0 down, 1 up.
QPixmap sortArrow(int i);

// The pictures of the two transfer buttons: an arrow pointing left
// (download into the local pane) or right (upload to the remote pane).
QPixmap transferArrow(bool pointsRight);

// The pointer while a file list is dragged (32 x 32): a folder with a red
// arrow toward the other pane.
QPixmap dragImage(bool pointsRight);

// Three bars: the button of the window's menu.
QPixmap menuIcon();

} // namespace FileIcons
