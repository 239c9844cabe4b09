#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/input_file.h"

namespace kvr {

namespace {

std::atomic<unsigned> gTempCount{0};
LinkCall gLink = ::link;

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
    removeTemporaryFiles();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

void removeTemporaryFiles() {
    for (int i = 0; i < kSlots; ++i)
        if (gTempUsed[i].load()) ::unlink(gTempPaths[i]);
}

void setLinkCallForTests(LinkCall call) { gLink = call ? call : ::link; }

void removeTemporaryFilesOnInterrupt() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, removeTempsAndEnd);
}

namespace {

// The part of `path` up to and with its last '/' ("" for a bare name).
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The file that `path` names once its links are followed, in a folder with
// every link resolved: an existing file, or the name to create (a new name,
// or what a dangling link points to). False with the reason when a link
// cannot be read or the folder does not exist.
bool resolveTarget(const std::string& path, std::string& target, std::string& reason) {
    constexpr int kMaxLinks = 40;  // as the system's own lookup
    std::string p = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char to[PATH_MAX];
        const ssize_t n = hops < kMaxLinks ? ::readlink(p.c_str(), to, sizeof to) : -1;
        if (n <= 0 || size_t(n) >= sizeof to) {
            reason = std::strerror(hops == kMaxLinks ? ELOOP : n < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        const std::string link(to, size_t(n));
        p = link[0] == '/' ? link : folderOf(p) + link;
    }
    if (char* real = ::realpath(p.c_str(), nullptr)) {
        target = real;
        std::free(real);
        return true;
    }
    const std::string folder = folderOf(p), name = p.substr(folder.size());
    char* real = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
    if (!real) {
        reason = std::strerror(errno);
        return false;
    }
    target = std::string(real) + (real[1] ? "/" : "") + name;
    std::free(real);
    return true;
}

}  // namespace

bool sameOutputFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    std::string ra, rb, why;
    if (resolveTarget(a, ra, why) && resolveTarget(b, rb, why) && ra == rb) return true;
    return kvh::SameExistingFile(a, b);
}

OutputFile::~OutputFile() { discard(); }

void OutputFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    for (std::string* name : {&temp_, &backup_}) {
        if (!name->empty()) ::unlink(name->c_str());
        name->clear();
    }
    for (int* slot : {&slot_, &backupSlot_}) {
        unregisterTemp(*slot);
        *slot = -1;
    }
    placed_ = false;
}

std::string OutputFile::temporaryName() const {
    // Short, so that any name the folder takes leaves room for it.
    return folderOf(target_) + ".kvrender-" + std::to_string(::getpid()) + "-" + std::to_string(gTempCount++);
}

bool OutputFile::fail(const std::string& reason, std::string& error) {
    error = "cannot write " + what_ + " '" + path_ + "': " + reason;
    discard();
    return false;
}

bool OutputFile::openStream(int fdToCopy, bool fifo, std::string& error,
                            const std::function<void(const std::string&)>& notice) {
    stream_ = true;
    if (fdToCopy >= 0) {
        fd_ = ::fcntl(fdToCopy, F_DUPFD_CLOEXEC, 0);
        return fd_ >= 0 || fail(std::strerror(errno), error);
    }
    // A FIFO without a reader holds the open: say why nothing happens.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0));
    if (fifo && fd_ < 0 && errno == ENXIO) {
        if (notice) notice(what_ + " '" + path_ + "': waiting for a reader");
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
    }
    if (fd_ < 0) return fail(std::strerror(errno), error);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) < 0) return fail(std::strerror(errno), error);
    return true;
}

bool OutputFile::open(const std::string& path, const std::string& what, std::string& error,
                      const std::function<void(const std::string&)>& notice) {
    discard();
    path_ = target_ = path;
    what_ = what;
    stream_ = finished_ = false;
    if (path.empty()) return fail("no file name", error);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return fail("is a folder", error);
        // This process's standard output or error (/dev/stdout, a redirection):
        // written where the descriptor stands, without reopening it.
        for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
            struct stat own {};
            if (::fstat(fd, &own) == 0 && own.st_dev == st.st_dev && own.st_ino == st.st_ino)
                return openStream(fd, false, error, notice);
        }
        if (!S_ISREG(st.st_mode)) return openStream(-1, S_ISFIFO(st.st_mode), error, notice);
    }
    std::string reason;
    if (!resolveTarget(path, target_, reason)) return fail(reason, error);
    // A name the folder cannot take would fail only when the file is put in place.
    const std::string folder = folderOf(target_);
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (longest > 0 && target_.size() - folder.size() > size_t(longest)) return fail(std::strerror(ENAMETOOLONG), error);
    temp_ = temporaryName();
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

bool OutputFile::finish(std::string& error) {
    if (fd_ < 0) return fail("not open", error);
    if (!stream_ && ::fsync(fd_) != 0) return fail(std::strerror(errno), error);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) return fail(std::strerror(errno), error);
    finished_ = true;
    return true;
}

bool OutputFile::setOldAside(std::string& reason) {
    backup_ = temporaryName();
    movedAside_ = false;
    const bool linked = gLink(target_.c_str(), backup_.c_str()) == 0;
    hadOld_ = linked;
    // Without hard links (EPERM, EXDEV, EMLINK, ENOTSUP ...) an old file
    // itself moves aside, and back should the new one fail to take its place.
    // (Whatever else stands there, a folder made since open(), stays put.)
    struct stat st {};
    if (!linked && errno != ENOENT && ::lstat(target_.c_str(), &st) == 0) {
        hadOld_ = true;
        if (S_ISREG(st.st_mode)) {
            if (::rename(target_.c_str(), backup_.c_str()) != 0) {
                reason = std::strerror(errno);
                backup_.clear();
                return false;
            }
            movedAside_ = true;
        }
    }
    if (!linked && !movedAside_) backup_.clear();
    return true;
}

bool OutputFile::place(std::string& error) {
    if (!finished_) return fail("not finished", error);
    if (!temp_.empty()) {
        // The old file stays reachable under a second name (or moved aside)
        // until this one is gone, so that restore() can put it back.
        std::string reason;
        if (!setOldAside(reason)) return fail(reason, error);
        if (::rename(temp_.c_str(), target_.c_str()) != 0) {
            reason = std::strerror(errno);
            if (movedAside_) {
                // Never removed: it is the only copy of the old file.
                if (::rename(backup_.c_str(), target_.c_str()) != 0)
                    reason += "; the old file is kept as '" + backup_ + "'";
                backup_.clear();
            }
            return fail(reason, error);
        }
        // Only now: an interrupt before this would remove the old file that
        // was moved aside while nothing stood in its place.
        backupSlot_ = backup_.empty() ? -1 : registerTemp(backup_);
        temp_.clear();
        placed_ = true;
    }
    unregisterTemp(slot_);
    slot_ = -1;
    return true;
}

void OutputFile::restore() {
    if (!placed_) return;
    if (!backup_.empty() && (::rename(backup_.c_str(), target_.c_str()) == 0 || movedAside_)) {
        // Put back, or, moved aside and not put back, kept under its second name.
        backup_.clear();
        unregisterTemp(backupSlot_);
        backupSlot_ = -1;
    } else if (!hadOld_) {
        ::unlink(target_.c_str());
    }
    placed_ = false;
}

bool placeAll(std::initializer_list<OutputFile*> files, std::string& error) {
    std::vector<OutputFile*> placed;
    for (OutputFile* f : files) {
        if (!f) continue;
        if (!f->place(error)) {
            for (auto it = placed.rbegin(); it != placed.rend(); ++it) (*it)->restore();
            return false;
        }
        placed.push_back(f);
    }
    return true;
}

}  // namespace kvr
