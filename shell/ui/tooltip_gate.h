#pragma once
// The tooltip switch of a window: while it is off, no control of that window
// shows a tooltip. One filter on the application serves every window.
class QWidget;

namespace tv {

// Switches the tooltips of `window` and all its controls.
void SetShowHints(QWidget* window, bool show);
bool ShowHints(const QWidget* window);

}  // namespace tv
