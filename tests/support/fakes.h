#pragma once
// Scripted stand-ins for the platform services, for tests. `ScopedFakes`
// installs a full set for the lifetime of a test and restores the previous
// services afterwards.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/services.h"

namespace tv::platform {

class FakeMessageBox final : public IMessageBox {
public:
    struct Shown {
        MsgKind kind;
        std::string text;
        MsgButtons buttons;
        std::string caption;
        MsgDefault defaultButton = MsgDefault::Yes;  // what Enter would answer
    };
    // Answers given in order; when none is queued, Ok for OK boxes, Yes otherwise.
    std::deque<MsgResult> answers;
    std::vector<Shown> shown;
    // Called with each box as it opens (before its answer).
    std::function<void(const Shown&)> onShow;

    MsgResult show(MsgKind kind, const std::string& text, MsgButtons buttons, const std::string& caption,
                   MsgDefault defaultButton = MsgDefault::Yes) override;
    // The texts of the boxes shown so far.
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const Shown& s : shown) out.push_back(s.text);
        return out;
    }
};

class FakeFileDialogs final : public IFileDialogs {
public:
    // Each queue answers its kind of dialog in order; an empty queue or a
    // std::nullopt entry is a cancel.
    std::deque<std::optional<std::string>> openAnswers, saveAnswers, folderAnswers;
    std::deque<std::optional<std::vector<std::string>>> openManyAnswers;
    std::vector<std::string> titles;
    // The filter list and the chosen entry of the last save dialog.
    std::string lastFilter, lastSelectedFilter;

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

class FakeShellOpen final : public IShellOpen {
public:
    std::vector<std::string> opened;
    bool open(const std::string& pathOrUrl) override {
        opened.push_back(pathOrUrl);
        return true;
    }
};

class FakeClipboard final : public IClipboard {
public:
    std::string contents;
    void setText(const std::string& text) override { contents = text; }
    std::string text() override { return contents; }
};

class FakeClock final : public IClock {
public:
    DateTime time{2007, 2, 3, 9, 5, 7, 0};
    DateTime now() override { return time; }
};

class FakePump final : public IEventPump {
public:
    int pumps = 0;
    bool busy = false;
    std::function<void()> onPump;  // e.g. to press Cancel in the middle of a run
    void pump() override {
        ++pumps;
        if (onPump) onPump();
    }
    void setBusy(bool b) override { busy = b; }
};

class FakeProgress final : public IProgress {
public:
    int minimum = 0, maximum = 0, position = 0;
    bool visible = false;
    std::vector<std::string> actions;
    void setRange(int lo, int hi) override {
        minimum = lo;
        maximum = hi;
    }
    void setPosition(int p) override { position = p; }
    void setAction(const std::string& text) override {
        actions.push_back(text);
        visible = true;
    }
    void hide() override { visible = false; }
};

struct ScopedFakes {
    FakeMessageBox messages;
    FakeFileDialogs files;
    FakeShellOpen shell;
    FakeClipboard clipboard;
    FakeClock clock;
    FakePump pump;
    FakeProgress progress;

    ScopedFakes() : previous_(install({&messages, &files, &shell, &clipboard, &clock, &pump, &progress})) {}
    ~ScopedFakes() { install(previous_); }
    ScopedFakes(const ScopedFakes&) = delete;
    ScopedFakes& operator=(const ScopedFakes&) = delete;

private:
    Services previous_;
};

}  // namespace tv::platform
