// A file written whole or not at all. Opening creates a temporary file beside
// the target, so that a path that cannot be written is known before any work;
// committing writes every byte, flushes, closes and renames it over the
// target, each step checked. On any failure, or when never committed, the
// temporary file is removed and the target is left as it was.
//
// A target that exists and is no regular file (a device such as /dev/stdout,
// a pipe) cannot be replaced: it is written in place, every write checked.
//
//   kvr::OutputFile png;
//   if (!png.open("out/a.png", "PNG file", error)) ...   // before rendering
//   if (!png.commit(bytes.data(), bytes.size(), error)) ...   // or write() pieces, then commit()
#pragma once

#include <cstddef>
#include <string>

namespace kvr {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // `what` names the file in messages ("cannot write PNG file 'x': reason").
    bool open(const std::string& path, const std::string& what, std::string& error);
    // Appends bytes; false (and the temporary file removed) when a write fails.
    bool write(const void* data, size_t size, std::string& error);
    // Flushes, closes and puts the file in place.
    bool commit(std::string& error);
    bool commit(const void* data, size_t size, std::string& error) { return write(data, size, error) && commit(error); }
    bool isOpen() const { return fd_ >= 0; }

private:
    bool fail(const std::string& reason, std::string& error);
    void discard();

    std::string path_, what_, target_, temp_;  // temp_ empty: written in place
    int fd_ = -1;
    int slot_ = -1;  // in the table an interrupt clears
};

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP) remove the temporary files of
// every open OutputFile before the process ends as the signal says.
void removeTemporaryFilesOnInterrupt();

// Writes `data` to `path` through an OutputFile.
bool writeWholeFile(const std::string& path, const std::string& what, const void* data, size_t size,
                    std::string& error);

}  // namespace kvr
