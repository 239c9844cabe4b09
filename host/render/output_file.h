// A file written whole or not at all. Opening creates a temporary file beside
// the target, so that a path that cannot be written is known before any work;
// finishing writes every byte, flushes and closes it; placing renames it over
// the target, each step checked. On any failure, or when never placed, the
// temporary file is removed and the target is left as it was.
//
// Through a symbolic link, also one whose file does not exist yet, the file
// the link names is written and the link stays.
//
// A target that exists and is no regular file (a pipe, a FIFO, a device, or
// this process's standard output, also when that is redirected to a file) is
// a stream: it is written straight through, every write checked, and there is
// nothing to place. A FIFO without a reader holds open() until one comes; the
// caller's notice says so first.
//
//   kvr::OutputFile png;
//   if (!png.open("out/a.png", "PNG file", error)) ...   // before rendering
//   if (!png.write(bytes.data(), bytes.size(), error) || !png.finish(error)) ...
//   if (!png.place(error)) ...                          // or commit(): finish and place
//
// Several outputs that must all be replaced or none: write and finish the
// regular files first, then the streams, and only then place the files
// together (placeAll).
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <string>

namespace kvr {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // `what` names the file in messages ("cannot write PNG file 'x': reason").
    // `notice` is handed "PNG file 'x': waiting for a reader" before a wait.
    bool open(const std::string& path, const std::string& what, std::string& error,
              const std::function<void(const std::string&)>& notice = {});
    // Appends bytes; false (and the temporary file removed) when a write fails.
    bool write(const void* data, size_t size, std::string& error);
    // Flushes and closes: every byte is written.
    bool finish(std::string& error);
    // Puts a finished file in place (nothing to do for a stream).
    bool place(std::string& error);
    // Puts back the file that place() replaced (removes a file it made),
    // while this object lives.
    void restore();
    bool commit(std::string& error) { return finish(error) && place(error); }
    bool commit(const void* data, size_t size, std::string& error) { return write(data, size, error) && commit(error); }
    bool isOpen() const { return fd_ >= 0; }
    bool isStream() const { return stream_; }

private:
    bool fail(const std::string& reason, std::string& error);
    bool openStream(int fdToCopy, bool fifo, std::string& error,
                    const std::function<void(const std::string&)>& notice);
    bool setOldAside(std::string& reason);
    std::string temporaryName() const;
    void discard();

    std::string path_, what_, target_, temp_;  // temp_ empty: nothing to place
    std::string backup_;  // a second name of the file place() replaced
    int fd_ = -1;
    int slot_ = -1, backupSlot_ = -1;  // in the table an interrupt clears
    bool stream_ = false;
    bool finished_ = false;
    bool placed_ = false, hadOld_ = false;
    bool movedAside_ = false;  // backup_ is the old file itself, not a second name
};

// Places every file, or, when one cannot be placed, none: those placed
// before it are restored. Null entries are skipped.
bool placeAll(std::initializer_list<OutputFile*> files, std::string& error);

// Whether two output paths name one file (the same text, or the same file
// once links and "." or ".." are resolved).
bool sameOutputFile(const std::string& a, const std::string& b);

// The call that gives a file about to be replaced a second name: link(2).
// Tests stand in one that fails, as on a filesystem without hard links
// (where the old file is moved aside instead); nullptr restores link(2).
using LinkCall = int (*)(const char* existing, const char* newName);
void setLinkCallForTests(LinkCall call);

// Makes an interrupt (SIGINT, SIGTERM, SIGHUP) remove the temporary files of
// every open OutputFile before the process ends as the signal says.
void removeTemporaryFilesOnInterrupt();
// Removes the temporary files of every open OutputFile, as an interrupt
// does; for a process about to end abruptly (it only calls unlink).
void removeTemporaryFiles();

}  // namespace kvr
