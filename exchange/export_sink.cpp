#include "exchange/export_sink.h"

#include <cerrno>

#include "core/file_procs.h"

namespace tv {

namespace {

int LastErrno() { return errno != 0 ? errno : EIO; }

}  // namespace

void LineSink::Line(std::string_view bytes) {
    buffer_.append(bytes);
    buffer_.append("\r\n");
    if (buffer_.size() >= bufferSize_) Flush();
}

void LineSink::Flush() {
    if (buffer_.empty()) return;
    const int code = Put(buffer_);
    buffer_.clear();
    if (code != 0) Fail(code);
}

FileSink::FileSink(const std::string& path) {
    errno = 0;
    file_ = std::make_unique<AtomicFileWriter>(path);
    if (!file_->ok()) Fail(LastErrno());
}

FileSink::~FileSink() = default;

int FileSink::Put(std::string_view bytes) {
    if (!file_) return EBADF;
    errno = 0;
    return file_->Write(bytes) ? 0 : LastErrno();
}

int FileSink::Close() {
    if (closed_) return error();
    closed_ = true;
    Flush();
    if (!failed()) {
        errno = 0;
        if (!file_->Commit()) Fail(LastErrno());
    }
    file_.reset();  // an uncommitted temporary file goes with it
    return error();
}

}  // namespace tv
