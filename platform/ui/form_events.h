#pragma once
// Every window of the program runs its FormShow when the program shows it
// (show(), exec()) and its FormHide when the program hides it (hide(), done()).
// The window system's own shows and hides - minimising a window and restoring
// it - arrive as spontaneous events and leave the window as the user left it:
// what was typed, the chosen entries, the caption. Windows test their show and
// hide events with this one function.
#include <QHideEvent>
#include <QShowEvent>

namespace tv {

inline bool IsFormShowHide(const QEvent* event) { return event != nullptr && !event->spontaneous(); }

}  // namespace tv
