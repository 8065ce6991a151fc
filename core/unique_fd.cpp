#include "core/unique_fd.h"

#include <unistd.h>

#include <cerrno>

namespace tv {

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

int UniqueFd::Close() {
    if (fd_ < 0) return 0;
    errno = 0;
    const int rc = ::close(release());
    return rc == 0 ? 0 : (errno != 0 ? errno : EIO);
}

int WriteFully(int fd, const void* data, std::size_t size, long long offset) {
    const auto* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        errno = 0;
        const ssize_t w = offset >= 0 ? ::pwrite(fd, p + done, size - done, static_cast<off_t>(offset + done))
                                      : ::write(fd, p + done, size - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return errno != 0 ? errno : EIO;
        }
        if (w == 0) return ENOSPC;
        done += static_cast<std::size_t>(w);
    }
    return 0;
}

long long ReadUpTo(int fd, void* buffer, std::size_t size) {
    auto* p = static_cast<char*>(buffer);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t r = ::read(fd, p + got, size - got);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<long long>(got);
}

bool ReadFullyAt(int fd, void* buffer, std::size_t size, long long offset) {
    auto* p = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = ::pread(fd, p, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        p += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

}  // namespace tv
