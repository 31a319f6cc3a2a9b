// Each file of the release carries a version resource that Explorer's
// Properties and GetFileVersionInfo read: the release's numbers and text, what
// the file is and the name it ships under, in English (United States).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "testkit/build_folder.h"

namespace {

struct ShippedFile {
    const char* name;
    DWORD fileType;
    const char* description;
};

const ShippedFile SHIPPED_FILES[] = {
    {"ArdunParser.dll", VFT_DLL, "Ardun packet parser plug-in for the Movra host"},
    {"ardun-host.exe", VFT_APP, "ArdunParser stand-in host: loads the plug-in and shows its packets"},
    {"ardun-sim.exe", VFT_APP, "ArdunParser device simulator: sends Ardun frames on a COM port"},
    {"ardun-trace.exe", VFT_APP, "ArdunParser trace: the plug-in's diagnostic log of a COM port in a window"},
    {"ardun-trace.com", VFT_APP, "ArdunParser trace at the command prompt: ardun-trace's console runs"},
};

// One string of the English (United States), Unicode block; empty when absent.
std::string StringValue(std::vector<char>& info, const char* key)
{
    std::string query = std::string("\\StringFileInfo\\040904B0\\") + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), query.c_str(), &value, &length) || value == nullptr)
        return std::string();
    return std::string(static_cast<const char*>(value));
}

class VersionInfo : public ::testing::TestWithParam<ShippedFile> {};

void ExpectTheReleaseAndWhatTheFileIs(const std::string& path, const ShippedFile& file)
{
    SCOPED_TRACE(path);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_NE(0u, size) << path << ": no version resource, error " << GetLastError();
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    // 1.0.0.0, as Properties shows it.
    const DWORD versionHigh = MAKELONG(0, 1);
    const DWORD versionLow = MAKELONG(0, 0);
    EXPECT_EQ(versionHigh, fixed->dwFileVersionMS);
    EXPECT_EQ(versionLow, fixed->dwFileVersionLS);
    EXPECT_EQ(versionHigh, fixed->dwProductVersionMS);
    EXPECT_EQ(versionLow, fixed->dwProductVersionLS);
    EXPECT_EQ(file.fileType, fixed->dwFileType);
    EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask);  // not a debug or pre-release build

    // Exactly one translation, and it names the block the strings are in.
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(2 * sizeof(WORD), length);
    EXPECT_EQ(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), translation[0]);
    EXPECT_EQ(1200, translation[1]);

    EXPECT_EQ("1.0.0", StringValue(info, "FileVersion"));
    EXPECT_EQ("1.0.0", StringValue(info, "ProductVersion"));
    EXPECT_EQ("ArdunParser", StringValue(info, "ProductName"));
    EXPECT_EQ("ArdunParser project", StringValue(info, "CompanyName"));
    EXPECT_EQ("Copyright (c) 2026 ArdunParser project; MIT License", StringValue(info, "LegalCopyright"));
    EXPECT_EQ(file.description, StringValue(info, "FileDescription"));
    EXPECT_EQ(file.name, StringValue(info, "OriginalFilename"));
    EXPECT_EQ(file.name, StringValue(info, "InternalName"));
}

TEST_P(VersionInfo, ShowsTheReleaseAndWhatTheFileIs)
{
    for (const std::string& folder : ShippedBuildFolders())
        ExpectTheReleaseAndWhatTheFileIs(FilePathIn(folder, GetParam().name), GetParam());
}

// A program runs as its user, unredirected, on the Windows versions named;
// the trace (both its programs) also names the common controls it draws with. The DLL is loaded
// by the host, whose manifest counts: it carries none.
TEST_P(VersionInfo, ProgramsCarryTheirManifestAndTheDllNone)
{
    const ShippedFile& file = GetParam();
    for (const std::string& folder : ShippedBuildFolders()) {
        HMODULE module = LoadLibraryExA(FilePathIn(folder, file.name).c_str(), NULL,
                                        LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module) << folder << " " << file.name;
        HRSRC found = FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST);
        const char* bytes = found ? static_cast<const char*>(LockResource(LoadResource(module, found))) : "";
        const std::string manifest(bytes, found ? SizeofResource(module, found) : 0);
        FreeLibrary(module);
        SCOPED_TRACE(folder + " " + file.name + ": " + manifest);
        const bool program = file.fileType == VFT_APP,
                   trace = std::string(file.name).find("ardun-trace.") == 0;
        EXPECT_EQ(program, manifest.find("level=\"asInvoker\"") != std::string::npos);
        EXPECT_EQ(program, manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}") != std::string::npos);
        EXPECT_EQ(trace, manifest.find("Microsoft.Windows.Common-Controls") != std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedFiles, VersionInfo, ::testing::ValuesIn(SHIPPED_FILES));

}  // namespace
