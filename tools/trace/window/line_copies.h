// The copies of the trace window's lines: a file such as standard output,
// written as the lines are, and one written as UTF-8. Either may be absent.
#pragma once

#include <stdio.h>

#include <string>

class LineCopies {
public:
    // Either file may be null.
    LineCopies(FILE* mirror, FILE* utf8Copy) : mirror(mirror), utf8Copy(utf8Copy) {}

    bool Wanted() const { return mirror != NULL || utf8Copy != NULL; }
    // Lines, each ending with its line feed, to every copy, written out at
    // once.
    void Write(const std::string& text);

private:
    FILE* mirror;
    FILE* utf8Copy;
};
