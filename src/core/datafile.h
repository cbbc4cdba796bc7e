// Opens the demo's data files. Names in the demo use backslashes ("dat\logo.jpg") and may differ
// in case from the files on disk (data copied from a case-insensitive file system); this helper
// is the one place that maps them. Printed messages always keep the demo's own spelling.
#pragma once
#include <cstdio>
#include <string>

namespace zub {

// The folder relative names are read from; empty (the default) means the working directory.
void setDataDir(const std::string& dir);
const std::string& dataDir();

// The path on disk for a demo file name: '\' becomes '/', a relative name is taken inside the
// data folder, and where that path does not exist,
// each component is matched case-insensitively in its folder. Returns the mapped name when
// nothing matches.
std::string dataPath(const std::string& name);

// dataPath(name) as a user would type it on this platform (its own folder separator), for
// messages that must say which file is at fault.
std::string dataDisplayPath(const std::string& name);

// fopen(dataPath(name), mode); null when the file cannot be opened.
FILE* openDataFile(const std::string& name, const char* mode);

// Reads the whole file into `out`. Returns false when it cannot be opened or read.
bool readDataFile(const std::string& name, std::string& out);

} // namespace zub
