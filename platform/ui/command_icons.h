#pragma once
// Icons of the program's commands from the desktop's freedesktop icon theme
// (Breeze when the desktop names none), the same icon for a command in the
// menu and on the tool bar. Where the theme lacks one, a small badge with a
// short text is drawn instead.
#include <QIcon>
#include <QString>

namespace tv {

// The themed icon `name`, else the badge with `badge` (one to three letters).
QIcon CommandIcon(const char* name, const QString& badge);

// Whether `name` came from a theme (false: the drawn badge).
bool HasThemeIcon(const char* name);

}  // namespace tv
