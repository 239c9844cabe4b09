// Memory that runs out in kvrender, wherever it runs out: a message naming
// what was being done, and exit code 1, never an abort.
#pragma once

#include <string>

namespace kvt {

// Whether the exception being handled (in a catch block, or in a terminate
// handler for one nothing caught) says that memory, or a thread (its stack is
// address space too), could not be had: std::bad_alloc, a std::system_error
// for ENOMEM or EAGAIN, or the threading library's failure to start a worker.
// It allocates nothing. Called only while an exception is being handled.
bool OutOfMemory();

// What kvrender is doing ("building the ray tracer's tree"), for the message.
void SetActivity(const std::string& activity);
const char* Activity();

// An exception that leaves a thread kvrender did not start (a worker of the
// threading library that could not start the next one) ends the process:
// when it is one of memory, with "kvrender: out of memory while <activity>",
// the temporary output files removed and exit code 1. Anything else still
// aborts, as a fault should.
void EndUncaughtOutOfMemoryWithAMessage();

// Flushes the standard streams and ends the process with `code` at once,
// without static destructors (threads may still use what they would tear down).
[[noreturn]] void EndAtOnce(int code);

}  // namespace kvt
