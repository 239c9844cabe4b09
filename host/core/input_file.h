// Input files that the scene names (clip pictures, OBJ meshes), and the scene
// file itself, must be regular files: a FIFO would hold the reader until
// someone writes to it, and a device such as /dev/zero would be read until
// memory runs out.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kvh {

// A file a scene reads: "the scene file", "the clip picture", "the OBJ file".
struct InputFile {
    std::string what, path;
};

// The path of a file a scene names: relative names are taken from the scene
// file's folder.
std::string InputPath(const std::string& folder, const std::string& name);

// Whether two paths name one existing file (device and inode, once links are
// followed): hard links and every spelling of a path included.
bool SameExistingFile(const std::string& a, const std::string& b);

// "not a regular file (a FIFO or pipe)" for a file of `mode` (st_mode), or ""
// for a regular file.
std::string NotARegularFileReason(mode_t mode);

// Why `path` cannot be read as an input file ("not a regular file (a FIFO)"),
// or "" when it is a regular file or does not exist (the reader then says
// that it cannot open it).
std::string NotARegularFile(const std::string& path);

// Reads from `fd` until its end, at most `maxBytes` bytes; `expected` (the
// file's size when opened) sizes the first buffer. Beyond: there were more.
enum class ReadUpToResult { Whole, Beyond, Failed };
ReadUpToResult ReadUpTo(int fd, uint64_t maxBytes, uint64_t expected, std::string& text);

// Reads a whole regular input file of at most `maxBytes` bytes into `text`.
// Without opening a FIFO for long, it refuses what is not a regular file, a
// file larger than `maxBytes` before reading it, and a file that grows
// beyond it while it is read. False with the reason, naming the file as
// `what` ("the scene file"); `missing` says whether there is no such file.
bool ReadInputFile(const std::string& path, const std::string& what, uint64_t maxBytes, std::string& text,
                   std::string& why, bool* missing = nullptr);

}  // namespace kvh
