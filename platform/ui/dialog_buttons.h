#pragma once
// The "OK" / "Abbrechen" button row of the program's dialogs.
class QDialogButtonBox;
class QPushButton;
class QWidget;

namespace tv {

// A button box below `parent` with "OK" (object name "btnOK", the default
// button) and "Abbrechen" ("btnCancel"). The caller connects the buttons.
QDialogButtonBox* OkCancelButtons(QWidget* parent, QPushButton*& ok, QPushButton*& cancel);

}  // namespace tv
