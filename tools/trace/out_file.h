// The --out file: a copy of what ardun-trace shows, for users whose shell
// cannot redirect a window program's output.
#pragma once

#include <stdio.h>

#include <string>

// Opens path for writing in text mode (CR LF at each line's end, as Windows'
// editors expect); null, having said why on standard error, when it cannot
// be made.
FILE* OpenOutFile(const std::string& path);
