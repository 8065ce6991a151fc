#pragma once
// An owned POSIX file descriptor, and the whole-length reads and writes that
// the binary files need (interrupted and partial calls are retried).
#include <cstddef>
#include <utility>

namespace tv {

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }

    int get() const { return fd_; }
    bool ok() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset();
    // Closes now; 0 or the errno of a failed close (a write may only show
    // its failure there).
    int Close();

private:
    int fd_;
};

// Writes all `size` bytes at the current position, or at `offset` when it is
// not negative. 0 or the errno (ENOSPC for a write that makes no progress).
int WriteFully(int fd, const void* data, std::size_t size, long long offset = -1);
// Reads up to `size` bytes from the current position, fewer only at the end
// of the file; the count, or -1 with errno set.
long long ReadUpTo(int fd, void* buffer, std::size_t size);
// Exactly `size` bytes at `offset`; false on an error or the end of the file.
bool ReadFullyAt(int fd, void* buffer, std::size_t size, long long offset);

}  // namespace tv
