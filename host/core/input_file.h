// Input files that the scene names (clip pictures, OBJ meshes) must be
// regular files: a FIFO would hold the reader until someone writes to it, and
// a device such as /dev/zero would be read until memory runs out.
#pragma once

#include <sys/stat.h>

#include <string>

namespace kvh {

// Why `path` cannot be read as an input file ("not a regular file (a FIFO)"),
// or "" when it is a regular file or does not exist (the reader then says
// that it cannot open it).
inline std::string NotARegularFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return "";
    const char* kind = S_ISDIR(st.st_mode)                              ? "a folder"
                       : S_ISFIFO(st.st_mode)                           ? "a FIFO or pipe"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)     ? "a device"
                       : S_ISSOCK(st.st_mode)                           ? "a socket"
                                                                        : "of another kind";
    return std::string("not a regular file (") + kind + ")";
}

}  // namespace kvh
