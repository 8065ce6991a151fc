#pragma once
// The "OK" / "Abbrechen" button row of the program's dialogs.
class QDialogButtonBox;
class QPushButton;
class QTabWidget;
class QWidget;

namespace tv {

// A button box below `parent` with "OK" (object name "btnOK", the default
// button) and "Abbrechen" ("btnCancel"). The caller connects the buttons.
QDialogButtonBox* OkCancelButtons(QWidget* parent, QPushButton*& ok, QPushButton*& cancel);

// Keeps a small window wide enough for its caption in the title bar (bold, as
// most window managers draw it, beside the icon and the window's buttons).
void KeepTitleVisible(QWidget* window);

// Shows every tab of `tabs` whole, side by side: no scroll arrows and no
// shortened captions; the window's layout grows wide enough for the tab bar.
void KeepTabsWhole(QTabWidget* tabs);

}  // namespace tv
