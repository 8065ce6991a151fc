#include "platform/services.h"

#include <chrono>
#include <ctime>

namespace tv::platform {

std::optional<DateTime> LocalDateTime(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return std::nullopt;
    DateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    return d;
}

namespace {

class SilentMessageBox final : public IMessageBox {
public:
    MsgResult show(MsgKind, const std::string&, MsgButtons buttons, const std::string&, MsgDefault) override {
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Cancel;
    }
};

class SilentFileDialogs final : public IFileDialogs {
public:
    std::optional<std::string> openFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::vector<std::string>> openFiles(const std::string&, const std::string&,
                                                      const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const std::string&, const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return std::nullopt; }
};

class SilentShellOpen final : public IShellOpen {
public:
    bool open(const std::string&) override { return false; }
};

class MemoryClipboard final : public IClipboard {
public:
    void setText(const std::string& text) override { text_ = text; }
    std::string text() override { return text_; }

private:
    std::string text_;
};

class SystemClock final : public IClock {
public:
    DateTime now() override {
        auto tp = std::chrono::system_clock::now();
        DateTime d = LocalDateTime(std::chrono::system_clock::to_time_t(tp)).value_or(DateTime{});
        d.millisecond = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(tp.time_since_epoch()).count() % 1000);
        return d;
    }
};

class NoPump final : public IEventPump {
public:
    void pump() override {}
    void setBusy(bool) override {}
};

class NoProgress final : public IProgress {
public:
    void setRange(int, int) override {}
    void setPosition(int) override {}
    void setAction(const std::string&) override {}
    void hide() override {}
};

Services Defaults() {
    static SilentMessageBox messages;
    static SilentFileDialogs files;
    static SilentShellOpen shell;
    static MemoryClipboard clipboard;
    static SystemClock clock;
    static NoPump pump;
    static NoProgress progress;
    return Services{&messages, &files, &shell, &clipboard, &clock, &pump, &progress};
}

Services& Current() {
    static Services current = Defaults();
    return current;
}

}  // namespace

Services& services() { return Current(); }

Services install(const Services& s) {
    Services previous = Current();
    Services d = Defaults();
    Current() = Services{
        s.messages ? s.messages : d.messages, s.files ? s.files : d.files,
        s.shell ? s.shell : d.shell,          s.clipboard ? s.clipboard : d.clipboard,
        s.clock ? s.clock : d.clock,          s.pump ? s.pump : d.pump,
        s.progress ? s.progress : d.progress,
    };
    return previous;
}

}  // namespace tv::platform
