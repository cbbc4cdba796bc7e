// POSIX and Windows versions of the few system calls the offline tools make. The interrupt
// handler only uses calls that are safe in a signal handler: the registry is fixed storage.
#include "capture/os_services.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#ifdef _WIN32
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
extern char** environ;
#endif

namespace zub {

namespace {

const int maxTemporaries = 8;
const int maxPathBytes = 4096;
char temporaryNames[maxTemporaries][maxPathBytes];
volatile sig_atomic_t temporaryUsed[maxTemporaries];
volatile long childPid = -1;

void removeTemporaries() {
#ifndef _WIN32
  // A helper still writing would make its file again after we removed it: end it first.
  if (childPid > 0) {
    kill((pid_t)childPid, SIGKILL);
    waitpid((pid_t)childPid, nullptr, 0);
    childPid = -1;
  }
#endif
  for (int i = 0; i < maxTemporaries; ++i)
    if (temporaryUsed[i]) {
      temporaryUsed[i] = 0;
      remove(temporaryNames[i]);
    }
}

extern "C" void onInterrupt(int signal) {
  removeTemporaries();
  _exit(128 + signal);
}

} // namespace

void installInterruptCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // An exit from deep inside the demo (a fatal load error) must not leave partial files either.
  atexit(removeTemporaries);
#ifdef _WIN32
  signal(SIGINT, onInterrupt);
  signal(SIGTERM, onInterrupt);
#else
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away (ffmpeg failing, `| head`) shows as a write error we report, not a
  // silent death.
  signal(SIGPIPE, SIG_IGN);
#endif
}

void registerTemporary(const std::string& path) {
  if (path.size() >= (size_t)maxPathBytes) return;
  for (int i = 0; i < maxTemporaries; ++i)
    if (!temporaryUsed[i]) {
      memcpy(temporaryNames[i], path.c_str(), path.size() + 1);
      temporaryUsed[i] = 1;
      return;
    }
}

void forgetTemporary(const std::string& path) {
  for (int i = 0; i < maxTemporaries; ++i)
    if (temporaryUsed[i] && path == temporaryNames[i]) temporaryUsed[i] = 0;
}

bool replaceFile(const std::string& from, const std::string& target, std::string& error) {
#ifdef _WIN32
  bool ok = MoveFileExA(from.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) errno = EACCES;
#else
  bool ok = rename(from.c_str(), target.c_str()) == 0;
#endif
  if (!ok) error = "cannot write " + target + ": " + strerror(errno);
  return ok;
}

bool makeFolder(const std::string& path, std::string& error) {
#ifdef _WIN32
  int status = _mkdir(path.c_str());
#else
  int status = mkdir(path.c_str(), 0755);
#endif
  if (status == 0) return true;
  int reason = errno;
  struct stat info;
  if (reason == EEXIST && stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR) return true;
  error = "cannot create folder " + path + ": " + strerror(reason == EEXIST ? ENOTDIR : reason);
  return false;
}

int processId() {
#ifdef _WIN32
  return _getpid();
#else
  return (int)getpid();
#endif
}

std::string findProgram(const char* program) {
#ifdef _WIN32
  (void)program;
  return "";
#else
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  for (;;) {
    size_t colon = dirs.find(':', start);
    std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    std::string candidate = (dir.empty() ? "." : dir) + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    if (colon == std::string::npos) return "";
    start = colon + 1;
  }
#endif
}

bool startProcess(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child, std::string& error) {
#ifdef _WIN32
  (void)argv;
  (void)pipeInput;
  (void)child;
  error = "running " + argv[0] + " through a pipe is not supported on Windows";
  return false;
#else
  child.errors = tmpfile();
  if (!child.errors) {
    error = std::string("cannot create a temporary file: ") + strerror(errno);
    return false;
  }
  int pipeEnds[2] = {-1, -1};
  if (pipeInput && pipe(pipeEnds) != 0) {
    error = std::string("cannot create a pipe: ") + strerror(errno);
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipeInput) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, fileno(child.errors), 2);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid;
  int status = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipeInput) close(pipeEnds[0]);
  if (status != 0) {
    if (pipeInput) close(pipeEnds[1]);
    error = "cannot run " + argv[0] + ": " + strerror(status);
    return false;
  }
  child.pid = pid;
  childPid = pid;
  if (pipeInput) {
    fcntl(pipeEnds[1], F_SETFD, FD_CLOEXEC);
    child.input = fdopen(pipeEnds[1], "wb");
  }
  return true;
#endif
}

int finishProcess(ChildProcess& child, std::string& lastLines) {
  if (child.input) fclose(child.input);
  child.input = nullptr;
  int result = -1;
#ifndef _WIN32
  int status = 0;
  while (child.pid > 0 && waitpid((pid_t)child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (child.pid > 0) result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  childPid = -1;
#endif
  child.pid = -1;
  lastLines.clear();
  if (child.errors) {
    std::string all;
    char chunk[4096];
    rewind(child.errors);
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, child.errors)) > 0) all.append(chunk, n);
    fclose(child.errors);
    child.errors = nullptr;
    while (!all.empty() && all.back() == '\n') all.pop_back();
    size_t start = all.size();
    for (int lines = 0; lines < 5 && start != std::string::npos && start > 0; ++lines)
      start = all.rfind('\n', start - 1);
    lastLines = all.substr(start == std::string::npos || start == 0 ? 0 : start + 1);
  }
  return result;
}

void stopProcess(ChildProcess& child) {
#ifndef _WIN32
  if (child.pid > 0) kill((pid_t)child.pid, SIGKILL);
#endif
  std::string ignored;
  finishProcess(child, ignored);
}

double processCpuSeconds() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  auto ticks = [](const FILETIME& t) { return ((uint64_t)t.dwHighDateTime << 32) | t.dwLowDateTime; };
  return (double)(ticks(kernel) + ticks(user)) * 1e-7;
#else
  timespec t;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0;
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
#endif
}

void binaryMode(FILE* stream) {
#ifdef _WIN32
  fflush(stream);
  _setmode(_fileno(stream), _O_BINARY);
#else
  (void)stream;
#endif
}

FILE* divertStandardOutput(const char* target) {
  fflush(stdout);
#ifdef _WIN32
  int saved = _dup(1);
  int replacement = strcmp(target, "stderr") == 0 ? _dup(2) : _open("NUL", _O_WRONLY);
  if (saved < 0 || replacement < 0 || _dup2(replacement, 1) != 0) return nullptr;
  _close(replacement);
  FILE* original = _fdopen(saved, "wb");
#else
  int saved = dup(1);
  int replacement = strcmp(target, "stderr") == 0 ? dup(2) : open("/dev/null", O_WRONLY);
  if (saved < 0 || replacement < 0 || dup2(replacement, 1) < 0) return nullptr;
  close(replacement);
  fcntl(saved, F_SETFD, FD_CLOEXEC);
  FILE* original = fdopen(saved, "wb");
#endif
  return original;
}

} // namespace zub
