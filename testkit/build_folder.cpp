#include "testkit/build_folder.h"

#include <stdlib.h>

namespace {

std::string WindowsFolder(const char* variable)
{
    const char* folder = getenv(variable);
    std::string path = folder != nullptr ? folder : ".";
    if (!path.empty() && path[0] == '/') {  // a Linux path: Wine's drive Z: is /
        for (char& c : path)
            if (c == '/')
                c = '\\';
        path = "Z:" + path;
    }
    return path;
}

}  // namespace

std::string BuiltFilePath(const char* name)
{
    return FilePathIn(WindowsFolder("ARDUN_BUILD_DIR"), name);
}

std::vector<std::string> ShippedBuildFolders()
{
    std::vector<std::string> folders = {WindowsFolder("ARDUN_BUILD_DIR")};
    if (getenv("ARDUN_32BIT_BUILD_DIR") != nullptr)
        folders.push_back(WindowsFolder("ARDUN_32BIT_BUILD_DIR"));
    return folders;
}

std::string FilePathIn(const std::string& folder, const char* name)
{
    return folder + "\\" + name;
}
