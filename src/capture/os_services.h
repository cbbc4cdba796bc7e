// The operating-system services the offline tools need and nothing else does: removing partial
// outputs when interrupted, replacing a file by a finished one, running a helper program with a
// pipe to its input, process CPU time, moving standard output aside and making a stream binary.
// os_services_posix.cpp and os_services_windows.cpp hold each system's calls (the build takes the
// one for its target); os_services.cpp what they share.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/failure.h"

namespace zub {

// Files in the making are registered here; SIGINT or SIGTERM (and any exit before they are
// finished) removes them. The interrupted process ends with status 128 + the signal number.
void installInterruptCleanup();
void registerTemporary(const std::string& path);
void forgetTemporary(const std::string& path);
// Removes every registered file with `removeFile` and forgets it. Safe in a signal handler when
// `removeFile` is (unlink; not remove).
void removeTemporaries(int (*removeFile)(const char* path));
// Replaces `target` by `from` in one step. A failure gives the system's reason.
Failure replaceFile(const std::string& from, const std::string& target);
// True for an existing target that is not a plain file (a device such as /dev/null, a named pipe):
// it is written directly, since a finished file renamed over it would replace the device itself.
bool isSpecialFile(const std::string& path);
// Makes a folder unless it exists. A failure gives the system's reason.
Failure makeFolder(const std::string& path);
// This process's id, for names of temporary files.
int processId();

// The path of `program` on PATH, or "" when it is not installed.
std::string findProgram(const char* program);

// A program started with an argument vector (never through a shell), its standard input fed
// through a pipe and its standard error kept in an anonymous file for the report.
struct ChildProcess {
  long pid = -1;
  FILE* input = nullptr;      // the write end of its standard input, null when not asked for
  FILE* errors = nullptr;     // what it printed on standard error, read after it ends
};
Failure startProcess(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child);
// Closes its input, waits, and returns its exit status (128 + signal when it was killed, -1 when
// it could not be waited for). `lastLines` gets the last lines it printed on standard error.
int finishProcess(ChildProcess& child, std::string& lastLines);

// Ends a program that is no longer wanted (its output is being thrown away) and waits for it.
void stopProcess(ChildProcess& child);

// CPU seconds this process has used, all threads together.
double processCpuSeconds();
// Seconds since the operating system started this process (before the program and its libraries
// were loaded), as the system records it; negative when it cannot be read. Linux keeps the start
// in clock ticks (10 ms), Windows in 100 ns steps.
double processAgeSeconds();

// Makes `stream` carry bytes unchanged: on Windows a stream in text mode (standard output is one) puts
// a CR before every LF, which corrupts a video. Elsewhere streams are always so.
void binaryMode(FILE* stream);

// Points file descriptor 1 at `target` ("/dev/null" or "stderr") after flushing, and returns a
// stream on the original standard output, or null when it cannot.
FILE* divertStandardOutput(const char* target);

} // namespace zub
