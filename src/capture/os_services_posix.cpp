// The POSIX system calls of the offline tools. The interrupt handler makes only calls that are
// safe in a signal handler: kill, waitpid, unlink and _exit.
#include "capture/os_services.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace zub {

namespace {

volatile long childPid = -1;

void cleanUp() {
  // A helper still writing would make its file again after we removed it: end it first.
  if (childPid > 0) {
    kill((pid_t)childPid, SIGKILL);
    waitpid((pid_t)childPid, nullptr, 0);
    childPid = -1;
  }
  removeTemporaries(unlink);
}

extern "C" void onInterrupt(int signal) {
  cleanUp();
  _exit(128 + signal);
}

} // namespace

void installInterruptCleanup() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // An exit from deep inside the demo (a fatal load error) must not leave partial files either.
  atexit(cleanUp);
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away (ffmpeg failing, `| head`) shows as a write error we report, not a
  // silent death.
  signal(SIGPIPE, SIG_IGN);
}

Failure replaceFile(const std::string& from, const std::string& target) {
  if (rename(from.c_str(), target.c_str()) == 0) return {};
  return failure(1, "cannot write %s: %s\n", target.c_str(), strerror(errno));
}

bool isSpecialFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

int processId() { return (int)getpid(); }

std::string findProgram(const char* program) {
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
}

Failure startProcess(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child) {
  // Held here until the child runs, so no failure below leaves the file open.
  std::unique_ptr<FILE, int (*)(FILE*)> errors(tmpfile(), fclose);
  if (!errors) return failure(1, "cannot create a temporary file: %s\n", strerror(errno));
  int pipeEnds[2] = {-1, -1};
  if (pipeInput && pipe(pipeEnds) != 0) return failure(1, "cannot create a pipe: %s\n", strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (pipeInput) {
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, fileno(errors.get()), 2);
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
    return failure(1, "cannot run %s: %s\n", argv[0].c_str(), strerror(status));
  }
  child.pid = pid;
  childPid = pid;
  child.errors = errors.release();
  if (pipeInput) {
    fcntl(pipeEnds[1], F_SETFD, FD_CLOEXEC);
    child.input = fdopen(pipeEnds[1], "wb");
  }
  return {};
}

int finishProcess(ChildProcess& child, std::string& lastLines) {
  if (child.input) fclose(child.input);
  child.input = nullptr;
  int result = -1;
  int status = 0;
  while (child.pid > 0 && waitpid((pid_t)child.pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (child.pid > 0) result = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  childPid = -1;
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
  if (child.pid > 0) kill((pid_t)child.pid, SIGKILL);
  std::string ignored;
  finishProcess(child, ignored);
}

double processCpuSeconds() {
  timespec t;
  if (clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t) != 0) return 0;
  return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

double processAgeSeconds() {
#ifdef __linux__
  // Field 22 of /proc/self/stat: the start in clock ticks after boot, on the boot-time clock.
  FILE* stat = fopen("/proc/self/stat", "r");
  if (!stat) return -1;
  char text[1024];
  size_t length = fread(text, 1, sizeof text - 1, stat);
  fclose(stat);
  text[length] = 0;
  const char* field = strrchr(text, ')'); // the command name before it may hold spaces
  if (!field) return -1;
  unsigned long long startTicks = 0;
  // After ')': state (3) and fields 4 to 21, then starttime (22).
  if (sscanf(field + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
             &startTicks) != 1)
    return -1;
  timespec now;
  if (clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  return (double)now.tv_sec + (double)now.tv_nsec * 1e-9 - (double)startTicks / (double)sysconf(_SC_CLK_TCK);
#else
  return -1;
#endif
}

void binaryMode(FILE*) {}

FILE* divertStandardOutput(const char* target) {
  fflush(stdout);
  int saved = dup(1);
  int replacement = strcmp(target, "stderr") == 0 ? dup(2) : open("/dev/null", O_WRONLY);
  if (saved < 0 || replacement < 0 || dup2(replacement, 1) < 0) return nullptr;
  close(replacement);
  fcntl(saved, F_SETFD, FD_CLOEXEC);
  return fdopen(saved, "wb");
}

} // namespace zub
