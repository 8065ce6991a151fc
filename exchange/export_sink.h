#pragma once
// Where the export writers put their lines. Each line gets CR LF; the bytes
// are collected in a buffer and handed on in blocks. The first failing
// write's error number is kept (later failures do not replace it), so a
// writer can stop at the first error and the caller reports the real cause.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tv {

class AtomicFileWriter;

class LineSink {
public:
    explicit LineSink(std::size_t bufferSize = 64 * 1024) : bufferSize_(bufferSize) {}
    virtual ~LineSink() = default;
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;

    // Appends `bytes` + CR LF.
    void Line(std::string_view bytes);
    // Hands the buffered bytes on.
    void Flush();
    // 0, or the error number of the first failed write.
    int error() const { return error_; }
    bool failed() const { return error_ != 0; }

protected:
    // Writes the bytes on; 0 or an error number.
    virtual int Put(std::string_view bytes) = 0;
    void Fail(int code) {
        if (error_ == 0) error_ = code;
    }

private:
    std::string buffer_;
    std::size_t bufferSize_;
    int error_ = 0;
};

// Collects everything in memory (tests, previews).
class StringSink final : public LineSink {
public:
    StringSink() : LineSink(0) {}
    const std::string& text() const { return text_; }

protected:
    int Put(std::string_view bytes) override {
        text_.append(bytes);
        return 0;
    }

private:
    std::string text_;
};

// Replaces a file: the lines go to a temporary file in the same folder that
// Close() renames over the target, so a failed export leaves the old file as
// it was and never a half-written one.
class FileSink final : public LineSink {
public:
    explicit FileSink(const std::string& path);
    ~FileSink() override;
    // Flushes and commits; the first error of the whole run (0 on success).
    int Close();

protected:
    int Put(std::string_view bytes) override;

private:
    std::unique_ptr<AtomicFileWriter> file_;
    bool closed_ = false;
};

}  // namespace tv
