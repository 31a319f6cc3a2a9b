// The --out file: a copy of what ardun-trace shows, for users whose shell
// cannot redirect a window program's output.
#pragma once

#include <stdio.h>

#include <string>

// Open for the run that writes to it, closed at the run's end.
class OutFile {
public:
    OutFile() : file(NULL) {}
    ~OutFile();

    // Opens path for writing in text mode (CR LF at each line's end, as
    // Windows' editors expect). An empty path asks for no file, and is not
    // refused. False, having said why on standard error, when the file
    // cannot be made.
    bool Open(const std::string& path);
    FILE* File() const { return file; }  // null when there is none

private:
    OutFile(const OutFile&);
    OutFile& operator=(const OutFile&);

    FILE* file;
};
