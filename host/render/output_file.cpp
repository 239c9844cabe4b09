#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kvr {

namespace {

std::atomic<unsigned> gTempCount{0};

// Temporary files an interrupt removes: fixed storage, so that the signal
// handler only reads memory and calls unlink.
constexpr int kSlots = 8;
char gTempPaths[kSlots][PATH_MAX];
std::atomic<bool> gTempUsed[kSlots];

int registerTemp(const std::string& path) {
    if (path.size() >= PATH_MAX) return -1;
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (gTempUsed[i].compare_exchange_strong(expected, true)) {
            std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
            return i;
        }
    }
    return -1;
}

void unregisterTemp(int slot) {
    if (slot >= 0) gTempUsed[slot].store(false);
}

extern "C" void removeTempsAndEnd(int sig) {
    for (int i = 0; i < kSlots; ++i)
        if (gTempUsed[i].load()) ::unlink(gTempPaths[i]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void removeTemporaryFilesOnInterrupt() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, removeTempsAndEnd);
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
    unregisterTemp(slot_);
    slot_ = -1;
}

bool OutputFile::fail(const std::string& reason, std::string& error) {
    error = "cannot write " + what_ + " '" + path_ + "': " + reason;
    discard();
    return false;
}

bool OutputFile::open(const std::string& path, const std::string& what, std::string& error) {
    discard();
    path_ = target_ = path;
    what_ = what;
    if (path.empty()) return fail("no file name", error);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) return fail("is a folder", error);
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        return fd_ >= 0 || fail(std::strerror(errno), error);
    }
    // Through a link, the file it names is replaced, not the link.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
    }
    const size_t slash = target_.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target_.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    temp_ = folder + "." + name + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(gTempCount++);
    slot_ = registerTemp(temp_);
    fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int e = errno;
        temp_.clear();
        return fail(std::strerror(e), error);
    }
    return true;
}

bool OutputFile::write(const void* data, size_t size, std::string& error) {
    if (fd_ < 0) return fail("not open", error);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return fail(n < 0 ? std::strerror(errno) : "nothing written", error);
        p += n;
        size -= size_t(n);
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (fd_ < 0) return fail("not open", error);
    if (!temp_.empty() && ::fsync(fd_) != 0) return fail(std::strerror(errno), error);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) return fail(std::strerror(errno), error);
    if (!temp_.empty()) {
        if (::rename(temp_.c_str(), target_.c_str()) != 0) return fail(std::strerror(errno), error);
        temp_.clear();
    }
    unregisterTemp(slot_);
    slot_ = -1;
    return true;
}

bool writeWholeFile(const std::string& path, const std::string& what, const void* data, size_t size,
                    std::string& error) {
    OutputFile f;
    return f.open(path, what, error) && f.commit(data, size, error);
}

}  // namespace kvr
