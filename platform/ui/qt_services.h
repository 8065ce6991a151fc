#pragma once
// Qt implementations of the platform services (platform/services.h).
#include <QPointer>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

#include <QProgressDialog>

namespace tv::platform {

// QMessageBox with German buttons ("OK", "Ja", "Nein", "Abbrechen"), plain
// text (CR LF shown as one line break) and a German caption by kind unless
// one is given. Enter presses the given default button; Escape answers
// Cancel, else No, else OK.
class QtMessageBox final : public IMessageBox {
public:
    MsgResult show(MsgKind kind, const std::string& text, MsgButtons buttons, const std::string& caption,
                   MsgDefault defaultButton = MsgDefault::Yes) override;
};

class QtFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                        const std::string& startDir) override;
    std::optional<std::vector<std::string>> openFiles(const std::string& title, const std::string& filter,
                                                      const std::string& startDir) override;
    std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                        const std::string& startPath) override;
    std::optional<std::string> saveFileFiltered(const std::string& title, const std::string& filter,
                                                const std::string& selectedFilter,
                                                const std::string& startPath) override;
    std::optional<std::string> chooseFolder(const std::string& title, const std::string& startDir) override;
};

// URLs (with "://" or "mailto:") as they are, anything else as a local file.
class QtShellOpen final : public IShellOpen {
public:
    bool open(const std::string& pathOrUrl) override;
};

class QtClipboard final : public IClipboard {
public:
    void setText(const std::string& text) override;
    std::string text() override;
};

class QtClock final : public IClock {
public:
    DateTime now() override;
};

class QtEventPump final : public IEventPump {
public:
    void pump() override;
    void setBusy(bool busy) override;  // the wait cursor, never stacked

private:
    bool busy_ = false;
};

// A plain progress dialog until the program installs its wait window.
class QtProgress final : public IProgress {
public:
    QtProgress();
    ~QtProgress() override;
    void setRange(int minimum, int maximum) override;
    void setPosition(int position) override;
    void setAction(const std::string& text) override;
    void hide() override;

private:
    QProgressDialog& dialog();
    QPointer<QProgressDialog> dialog_;  // deleted only while the application exists
};

// The window that boxes and pickers open over: the active modal dialog, else
// the active window, else the visible main window (else any visible window).
QWidget* DialogParent();

// Installs the Qt services above (call once the QApplication exists) and
// returns the set installed before.
Services InstallQtServices();

// A file name from a dialog or a drop in the program's code page; a name it
// cannot hold is reported in an error box and refused (nothing).
std::optional<std::string> PathFromQ(const QString& name);

// Qt's own dialogs and buttons in German (the program's language): installs
// Qt's German translations when the system has them. False when not found.
bool InstallGermanQtTranslations();

}  // namespace tv::platform
