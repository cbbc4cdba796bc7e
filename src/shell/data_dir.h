// Where the programs find the asset pack: the folder given with --data, else the working folder
// when it holds the pack, else the folder `data` beside the executable (an unpacked release), else
// ../share/zubdemo beside it (an installed tree). No path of the build machine is compiled in.
#pragma once
#include <string>

namespace zub {

// True when `dir` holds the pack (music.dat and the dat folder, in any letter case).
bool holdsDataPack(const std::string& dir);

// The data folder for `given` (the --data value, or empty). On failure returns false and sets
// `error` to a message naming every folder looked at and how to point the program at the data.
bool findDataDir(const std::string& given, const char* program, std::string& dir, std::string& error);

// The folder of the running executable, or empty when it cannot be told.
std::string executableDir();

} // namespace zub
