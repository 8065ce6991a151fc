#pragma once
// The settings dialog "Grundeinstellungen". It works on a SettingsFormData:
// SetForm fills the controls, OK checks the controls' values (the dialog
// stays open on an error) and Form() hands them back. Homes are edited in the
// form only, so Cancel loses nothing and a removed home leaves tq.conf with
// the next save. RunSettingsCommand is the whole settings command.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "shell/settings_edit.h"
#include "shell/ui/settings_pages.h"

class QPushButton;
class QTabWidget;

namespace tv {

class TfrmCoordInput;

class TfrmSettings : public QDialog {
    Q_OBJECT

public:
    TfrmSettings();
    ~TfrmSettings() override;

    QTabWidget* pcSettings = nullptr;
    SettingsPathsPage* tsPaths = nullptr;
    SettingsDatabasePage* tsDatabase = nullptr;
    SettingsHomesPage* tsHomes = nullptr;
    SettingsOutputPage* tsOutput = nullptr;
    SettingsProxyPage* tsProxy = nullptr;
    SettingsMiscPage* tsMisc = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // The program's long-lived coordinate entry; when null the dialog uses one
    // of its own.
    TfrmCoordInput* CoordInput = nullptr;

    void SetForm(const SettingsFormData& form);
    // The values of every control (and the homes as edited).
    SettingsFormData Form() const;

    // The folder picker with "Bitte Verzeichnis auswählen", starting in
    // `start`; nothing when the user cancelled.
    static std::optional<std::string> ChooseFolder(const std::string& start);

    void FormShow();
    void btnChooseWrkDirClick();
    void btnChooseOutDirClick();
    void btnChooseOfflineDirClick();
    void btnChooseTemplateClick();
    void btnChangeHomeCoordClick();
    void btnAddNewClick();
    void btnAddChangeClick();
    void btnAddRemoveClick();
    void lbAddHomesClick();
    void btnOKClick();
    void btnCancelClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    TfrmCoordInput& coordInput();
    void warnIfSameFolders();

    SettingsFormData form_;
    std::unique_ptr<TfrmCoordInput> ownCoordInput_;
};

// The settings command (Datei / Grundeinstellungen, tool button 1, and the
// first start): fills `dialog` from ProcSettings and the national table,
// shows it modally over `over` and finishes with FinishSettingsCommand.
// True when the user confirmed with OK and the settings were saved.
bool RunSettingsCommand(TfrmSettings& dialog, QWidget* over, const SettingsCommandHooks& hooks);

}  // namespace tv
