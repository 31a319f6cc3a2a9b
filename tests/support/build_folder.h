// The build tree, where the DLL and the tools lie: tests that reach them as a
// user would find them there (the test runner names it in ARDUN_BUILD_DIR).
#pragma once

#include <string>

// A file of the build tree as a Windows path; a Linux path of the runner
// becomes its drive Z: form, which every Windows call and command line takes.
std::string BuiltFilePath(const char* name);
