#pragma once
// Effects that tests must not really perform go through these small
// interfaces. The program installs the Qt implementations at start-up
// (platform/ui/qt_services.h); tests install the scripted fakes
// (tests/support/fakes.h). All texts are Windows-1252 bytes; the Qt side converts
// them at the widget edge.
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace tv::platform {

enum class MsgKind { Information, Warning, Error, Confirmation };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };
// The button that Enter presses in a question. "Nein" for a question whose
// "Ja" deletes or overwrites for good; OK boxes ignore it.
enum class MsgDefault { Yes, No };

// Modal message box with German button texts.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    virtual MsgResult show(MsgKind kind, const std::string& text, MsgButtons buttons = MsgButtons::Ok,
                           const std::string& caption = {}, MsgDefault defaultButton = MsgDefault::Yes) = 0;
    // A question whose "Ja" cannot be undone: "Nein" is the default button.
    MsgResult askDefaultNo(MsgKind kind, const std::string& text, MsgButtons buttons = MsgButtons::YesNo) {
        return show(kind, text, buttons, {}, MsgDefault::No);
    }
};

// File and folder choosers; std::nullopt means the user cancelled.
class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // `filter` in Qt notation, e.g. "GPX-Dateien (*.gpx);;Alle Dateien (*)".
    virtual std::optional<std::string> openFile(const std::string& title, const std::string& filter,
                                                const std::string& startDir) = 0;
    virtual std::optional<std::vector<std::string>> openFiles(const std::string& title, const std::string& filter,
                                                              const std::string& startDir) = 0;
    virtual std::optional<std::string> saveFile(const std::string& title, const std::string& filter,
                                                const std::string& startPath) = 0;
    // A save dialog offering every entry of `filter` with the entry
    // `selectedFilter` chosen when it opens.
    virtual std::optional<std::string> saveFileFiltered(const std::string& title, const std::string& filter,
                                                        const std::string& selectedFilter,
                                                        const std::string& startPath) {
        (void)selectedFilter;
        return saveFile(title, filter, startPath);
    }
    // The chosen folder without a trailing '/'.
    virtual std::optional<std::string> chooseFolder(const std::string& title, const std::string& startDir) = 0;
};

// Opens a local file or a URL with the user's default application.
class IShellOpen {
public:
    virtual ~IShellOpen() = default;
    virtual bool open(const std::string& pathOrUrl) = 0;
};

class IClipboard {
public:
    virtual ~IClipboard() = default;
    virtual void setText(const std::string& text) = 0;
    virtual std::string text() = 0;
};

// Local civil time.
struct DateTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The local civil time of a moment (milliseconds zero); nothing when the
// system cannot convert it.
std::optional<DateTime> LocalDateTime(std::time_t t);

class IClock {
public:
    virtual ~IClock() = default;
    virtual DateTime now() = 0;
};

// Lets the user interface process its pending events during long work, and
// shows the busy cursor.
class IEventPump {
public:
    virtual ~IEventPump() = default;
    virtual void pump() = 0;
    virtual void setBusy(bool busy) = 0;
};

// The shared wait window as long work sees it: callers set the range and
// position; setAction shows the window with the text; hide closes it.
class IProgress {
public:
    virtual ~IProgress() = default;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual void setAction(const std::string& text) = 0;
    virtual void hide() = 0;
};

struct Services {
    IMessageBox* messages = nullptr;
    IFileDialogs* files = nullptr;
    IShellOpen* shell = nullptr;
    IClipboard* clipboard = nullptr;
    IClock* clock = nullptr;
    IEventPump* pump = nullptr;
    IProgress* progress = nullptr;
};

// The process-wide services. Until something is installed, each slot holds a
// silent default: message boxes answer Ok/No... without showing anything,
// dialogs report a cancel, the clock is the system clock.
Services& services();
// Installs `s` (null members keep their silent default) and returns the
// previous set.
Services install(const Services& s);

// Shorthands used all over the logic code.
inline IMessageBox& messages() { return *services().messages; }
inline IFileDialogs& fileDialogs() { return *services().files; }
inline IShellOpen& shellOpen() { return *services().shell; }
inline IClipboard& clipboard() { return *services().clipboard; }
inline IClock& clock() { return *services().clock; }
inline IEventPump& pump() { return *services().pump; }
inline IProgress& progress() { return *services().progress; }

}  // namespace tv::platform
