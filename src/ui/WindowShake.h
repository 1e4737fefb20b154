#pragma once
// `shakeWindow:`: the window swings left and right three times by 0.06 of its width, 0.1 s a
// swing, and ends where it was (a refused login, a wrong unlock password). A shake asked for while
// one runs starts again around the resting position, never around a point of the swing.

class QWidget;

namespace td {

void shakeWindow(QWidget* window);

}  // namespace td
