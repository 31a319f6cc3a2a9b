// ardun-host's plug-in library: the folder of the DLL path it was given.
#include "tools/host/plugin_library.h"

#include <gtest/gtest.h>

TEST(PluginLibrary, FolderOfKeepsTheSeparator)
{
    EXPECT_EQ("C:\\a\\", FolderOf("C:\\a\\P.dll"));
    EXPECT_EQ("./", FolderOf("./P.dll"));
    EXPECT_EQ("", FolderOf("P.dll"));
}
