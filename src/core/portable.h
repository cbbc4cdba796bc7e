// The few system calls whose POSIX and Windows (or glibc and other) forms differ, behind one spelling.
#pragma once

namespace zub {

// The device that swallows output: "/dev/null", or "NUL" on Windows.
extern const char* const nullDevice;

// mkdir: returns 0, or -1 with errno set. Windows folders have no permission bits; `mode` is for POSIX.
int makeFolder(const char* path, unsigned mode = 0755);

// Standard output written line by line, so a watcher sees each line as it is printed. Windows' C library
// has no line buffering (it would buffer fully), so there it is unbuffered.
void lineBufferedStdout();

// For a Windows program built without a console of its own (zubdemo.exe): standard output and standard error
// that are not redirected are pointed at the console of the program that started it, when there is one, so a
// command prompt still shows its lines. Returns false when standard output reaches nobody (a double-click);
// both streams then write to the null device. Elsewhere it does nothing and returns true.
bool reachParentConsole();

// Large blocks (pictures) each get memory of their own from the system, and give it back when freed.
// glibc otherwise moves large blocks into its heap once one has been freed: there a blank picture is
// cleared page by page, all of it resident even where nothing is ever drawn, and a freed one stays
// with the process. A jump back builds the timeline anew and frees the old one, so both would stay
// resident. To be called before the first picture is made; elsewhere it does nothing.
void mapLargeBlocksApart();
// Gives the free pages the allocator holds back to the system (glibc; elsewhere nothing): after a
// jump back, the replaced timeline's smaller blocks, which would otherwise stay resident.
void releaseFreedMemory();

// Standard output goes to the null device while one lives (what was printed before is flushed
// first): for work the viewer asked for that would repeat the start-up's lines, such as a jump
// that builds the timeline anew.
class QuietStandardOutput {
public:
  QuietStandardOutput();
  ~QuietStandardOutput();
  QuietStandardOutput(const QuietStandardOutput&) = delete;
  QuietStandardOutput& operator=(const QuietStandardOutput&) = delete;

private:
  int saved = -1; // the descriptor standard output had
};

} // namespace zub
