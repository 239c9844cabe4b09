#include "out_of_memory.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <new>
#include <stdexcept>
#include <system_error>

#include "output_file.h"

namespace kvt {

namespace {

// Two buffers: the one not shown is written, then shown. A terminate handler
// on another thread reads whole text, without a lock or an allocation.
constexpr size_t kActivityLength = 200;
char gActivity[2][kActivityLength] = {{"starting"}, {}};
std::atomic<int> gShown{0};
std::terminate_handler gPrevious = nullptr;

void endOnOutOfMemory() {
    // Without an exception there is nothing to tell (std::current_exception()
    // only takes a reference: it allocates nothing).
    if (std::current_exception() && OutOfMemory()) {
        // Several workers may fail at once: the first says it and ends the
        // process, the others wait for that.
        static std::atomic<bool> ending{false};
        if (ending.exchange(true))
            for (;;) ::pause();
        kvr::removeTemporaryFiles();
        char line[kActivityLength + 64];
        const int n = std::snprintf(line, sizeof line, "kvrender: out of memory while %s\n", Activity());
        if (n > 0) (void)!::write(STDERR_FILENO, line, std::min(size_t(n), sizeof line - 1));
        ::_exit(1);
    }
    if (gPrevious) gPrevious();
    std::abort();
}

}  // namespace

bool OutOfMemory() {
    // Rethrown in place: std::rethrow_exception would allocate, and memory is
    // what may have run out.
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return true;
    } catch (const std::system_error& s) {
        return s.code() == std::errc::not_enough_memory || s.code() == std::errc::resource_unavailable_try_again;
    } catch (const std::runtime_error& r) {
        // The threading library's own words when a worker cannot start.
        return std::strstr(r.what(), "pthread_create") != nullptr;
    } catch (...) {
    }
    return false;
}

void SetActivity(const std::string& activity) {
    const int next = 1 - gShown.load();
    std::snprintf(gActivity[next], kActivityLength, "%s", activity.c_str());
    gShown.store(next);
}

const char* Activity() { return gActivity[gShown.load()]; }

void EndUncaughtOutOfMemoryWithAMessage() { gPrevious = std::set_terminate(endOnOutOfMemory); }

void EndAtOnce(int code) {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace kvt
