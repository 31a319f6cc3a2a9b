// The build tree, where the DLL and the tools lie: tests that reach them as a
// user would find them there (the test runner names it in ARDUN_BUILD_DIR).
#pragma once

#include <string>
#include <vector>

// A file of the build tree as a Windows path; a Linux path of the runner
// becomes its drive Z: form, which every Windows call and command line takes.
std::string BuiltFilePath(const char* name);

// The build trees whose shipped files a test reads as data: this one and, in
// the 64-bit test build, the 32-bit build named in ARDUN_32BIT_BUILD_DIR, so
// that the files users get are checked also where their code cannot run.
std::vector<std::string> ShippedBuildFolders();
// A file of one of those folders, as a Windows path.
std::string FilePathIn(const std::string& folder, const char* name);
