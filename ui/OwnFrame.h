#pragma once

// Where Qt draws a window's frame itself (on Wayland, when the compositor
// leaves the frame to the client), that frame has a minimise and a maximise
// button whatever the window asks for. A window that asks for a close box
// alone gets a frame of its own there instead: a title bar with its caption
// and that box, and a grip to resize it; moving and resizing go through the
// compositor.

class QWidget;

// Whether Qt draws the frame of the shown window Shown.
bool QtDrawsFrame(const QWidget* Shown);

// Gives Window, not yet shown, the frame of its own; once is enough.
void UseOwnFrame(QWidget* Window);
