#include "core/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/memory_limit.h"

namespace kvh {

std::string InputPath(const std::string& folder, const std::string& name) {
    const std::filesystem::path file = name;
    return file.is_relative() ? (std::filesystem::path(folder) / file).string() : name;
}

bool SameExistingFile(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string NotARegularFileReason(mode_t mode) {
    if (S_ISREG(mode)) return "";
    const char* kind = S_ISDIR(mode)                       ? "a folder"
                       : S_ISFIFO(mode)                    ? "a FIFO or pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode)    ? "a device"
                       : S_ISSOCK(mode)                    ? "a socket"
                                                           : "of another kind";
    return std::string("not a regular file (") + kind + ")";
}

std::string NotARegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "";
    return NotARegularFileReason(st.st_mode);
}

ReadUpToResult ReadUpTo(int fd, uint64_t maxBytes, uint64_t expected, std::string& text) {
    // One byte more than the file should hold: its end is seen without
    // growing the buffer, and so is a file that grew.
    const uint64_t most = maxBytes + 1;
    text.resize(size_t(std::min(most, std::max<uint64_t>(expected + 1, 4096))));
    size_t filled = 0;
    for (;;) {
        if (filled == text.size()) {
            if (filled == most) {
                text.clear();
                return ReadUpToResult::Beyond;
            }
            text.resize(size_t(std::min<uint64_t>(most, uint64_t(filled) * 2)));
        }
        const ssize_t n = ::read(fd, text.data() + filled, text.size() - filled);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            text.clear();
            return ReadUpToResult::Failed;
        }
        if (n == 0) break;
        filled += size_t(n);
    }
    text.resize(filled);
    return ReadUpToResult::Whole;
}

bool ReadInputFile(const std::string& path, const std::string& what, uint64_t maxBytes, std::string& text,
                   std::string& why, bool* missing) {
    text.clear();
    if (missing) *missing = false;
    // Non-blocking, so that a FIFO without a writer opens at once and is refused.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (missing) *missing = errno == ENOENT;
        why = "cannot open " + what + " (" + std::strerror(errno) + ")";
        return false;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = "cannot read " + what + " (" + std::strerror(errno) + ")";
        return false;
    }
    if (std::string kind = NotARegularFileReason(st.st_mode); !kind.empty()) {
        why = "cannot read " + what + ": " + kind;
        return false;
    }
    const std::string over = "the memory limit of " + DescribeBytes(maxBytes) + " (--max-memory raises it)";
    if (uint64_t(st.st_size) > maxBytes) {
        why = what + " of " + std::to_string(st.st_size) + " bytes is larger than " + over;
        return false;
    }
    switch (ReadUpTo(fd, maxBytes, uint64_t(st.st_size), text)) {
        case ReadUpToResult::Whole:
            return true;
        case ReadUpToResult::Beyond:
            why = what + " grew beyond " + over + " while it was read";
            return false;
        case ReadUpToResult::Failed:
            break;
    }
    why = "cannot read " + what + " (" + std::strerror(errno) + ")";
    return false;
}

}  // namespace kvh
