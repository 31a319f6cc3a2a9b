// The dialog template as the host finds it: in the built DLL's resources,
// read as the platform's extended dialog template.
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "settings/resource.h"
#include "testkit/build_folder.h"

namespace {

// Reads the fields of an extended dialog template one after another.
class TemplateReader {
public:
    explicit TemplateReader(const uint8_t* start) : start(start), at(start) {}

    uint16_t Word() { return Take<uint16_t>(); }
    uint32_t Dword() { return Take<uint32_t>(); }
    int16_t Short() { return Take<int16_t>(); }
    uint8_t Byte() { return Take<uint8_t>(); }

    // A text, or "#n" for an ordinal (0xFFFF followed by n).
    std::string TextOrOrdinal()
    {
        uint16_t first = Word();
        if (first == 0xFFFF)
            return "#" + std::to_string(Word());
        std::string text;
        for (uint16_t c = first; c != 0; c = Word())
            text += (char)c;
        return text;
    }

    void AlignToDword()
    {
        while ((at - start) % 4 != 0)
            ++at;
    }
    void Skip(size_t bytes) { at += bytes; }

private:
    template <typename T>
    T Take()
    {
        T value;
        memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }

    const uint8_t* start;
    const uint8_t* at;
};

struct Control {
    uint32_t style;
    int16_t x, y, cx, cy;
    int32_t id;
    std::string windowClass;
    std::string text;
};

void ExpectTheDialogAsTheHostExpectsIt(const std::string& dllPath)
{
    SCOPED_TRACE(dllPath);
    HMODULE module = LoadLibraryExA(dllPath.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE((HMODULE)NULL, module) << dllPath;

    HRSRC found = FindResourceExA(module, (LPCSTR)RT_DIALOG, MAKEINTRESOURCEA(IDD_PORT_CONFIG),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE((HRSRC)NULL, found);
    HGLOBAL loaded = LoadResource(module, found);
    ASSERT_NE((HGLOBAL)NULL, loaded);
    TemplateReader in((const uint8_t*)LockResource(loaded));

    EXPECT_EQ(1, in.Word());       // version
    EXPECT_EQ(0xFFFF, in.Word());  // extended template
    EXPECT_EQ(0u, in.Dword());     // help id
    EXPECT_EQ(0u, in.Dword());     // extended style
    EXPECT_EQ(0x80C800C8u, in.Dword());
    uint16_t count = in.Word();
    ASSERT_EQ(4, count);
    EXPECT_EQ(0, in.Short());
    EXPECT_EQ(0, in.Short());
    EXPECT_EQ(189, in.Short());
    EXPECT_EQ(54, in.Short());
    EXPECT_EQ("", in.TextOrOrdinal());  // no menu
    EXPECT_EQ("", in.TextOrOrdinal());  // the system's dialog class
    EXPECT_EQ("Ardun Parser Configuration", in.TextOrOrdinal());
    EXPECT_EQ(8, in.Word());
    EXPECT_EQ(400, in.Word());
    EXPECT_EQ(0, in.Byte());  // not italic
    EXPECT_EQ(1, in.Byte());  // DEFAULT_CHARSET
    EXPECT_EQ("MS Shell Dlg", in.TextOrOrdinal());

    // Predefined classes as ordinals: 0x80 button, 0x82 static, 0x85 combo box.
    const Control expected[] = {
        {0x50010001, 34, 33, 50, 14, IDOK, "#128", "OK"},
        {0x50010000, 95, 33, 50, 14, IDCANCEL, "#128", "Cancel"},
        {0x50020000, 9, 9, 64, 8, -1, "#130", "Interface COM Port"},
        {0x50210003, 78, 7, 104, 126, IDC_PORT_LIST, "#133", ""},
    };
    for (const Control& control : expected) {
        SCOPED_TRACE(control.id);
        in.AlignToDword();
        EXPECT_EQ(0u, in.Dword());  // help id
        EXPECT_EQ(0u, in.Dword());  // extended style
        EXPECT_EQ(control.style, in.Dword());
        EXPECT_EQ(control.x, in.Short());
        EXPECT_EQ(control.y, in.Short());
        EXPECT_EQ(control.cx, in.Short());
        EXPECT_EQ(control.cy, in.Short());
        EXPECT_EQ(control.id, (int32_t)in.Dword());
        EXPECT_EQ(control.windowClass, in.TextOrOrdinal());
        EXPECT_EQ(control.text, in.TextOrOrdinal());
        in.Skip(in.Word());  // creation data
    }
    FreeLibrary(module);
}

TEST(DialogTemplate, TheModuleCarriesTheDialogAsTheHostExpectsIt)
{
    for (const std::string& folder : ShippedBuildFolders())
        ExpectTheDialogAsTheHostExpectsIt(FilePathIn(folder, "ArdunParser.dll"));
}

}  // namespace
