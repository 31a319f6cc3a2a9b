#include "tests/support/build_folder.h"

#include <stdlib.h>

std::string BuiltFilePath(const char* name)
{
    const char* folder = getenv("ARDUN_BUILD_DIR");
    std::string path = folder != nullptr ? folder : ".";
    if (!path.empty() && path[0] == '/') {  // a Linux path: Wine's drive Z: is /
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path + "\\" + name;
}
