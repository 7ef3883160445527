// How a system DLL is loaded: by the search flag where the system has it,
// else by System32's full path, and never by a name or folder that could
// make the loader look anywhere else.
#include <gtest/gtest.h>

#include <string>

#include "app/system_dll.h"

namespace {

TEST(SystemDll, FlagOrFullPathOrRefused) {
    struct Case {
        const char* what;
        bool flags;
        const char16_t* name;
        const char16_t* folder;
        SystemDllLoad load;
        std::u16string path;
    };
    const std::u16string longFolder = u"C:\\" + std::u16string(SYSTEM_DLL_PATH_CAPACITY - 16, u'w');
    const std::u16string fitting = u"C:\\" + std::u16string(SYSTEM_DLL_PATH_CAPACITY - 17, u'w');
    const Case cases[] = {
        {"flag: the name alone", true, u"wintrust.dll", u"C:\\Windows\\system32", SYSTEM_DLL_BY_FLAG, u""},
        {"flag: no folder needed", true, u"crypt32.dll", nullptr, SYSTEM_DLL_BY_FLAG, u""},
        {"no flag: folder and name", false, u"wintrust.dll", u"C:\\Windows\\system32", SYSTEM_DLL_BY_PATH,
         u"C:\\Windows\\system32\\wintrust.dll"},
        {"no flag: folder with its separator", false, u"a.dll", u"D:\\", SYSTEM_DLL_BY_PATH, u"D:\\a.dll"},
        {"no flag: UNC folder", false, u"a.dll", u"\\\\srv\\w\\system32", SYSTEM_DLL_BY_PATH,
         u"\\\\srv\\w\\system32\\a.dll"},
        {"no flag: just fits", false, u"wintrust.dll", fitting.c_str(), SYSTEM_DLL_BY_PATH,
         fitting + u"\\wintrust.dll"},
        {"no flag: one unit too long", false, u"wintrust.dll", longFolder.c_str(), SYSTEM_DLL_REFUSED, u""},
        {"no flag: no folder", false, u"wintrust.dll", nullptr, SYSTEM_DLL_REFUSED, u""},
        {"no flag: empty folder", false, u"wintrust.dll", u"", SYSTEM_DLL_REFUSED, u""},
        {"no flag: relative folder", false, u"wintrust.dll", u"system32", SYSTEM_DLL_REFUSED, u""},
        {"no flag: drive-relative folder", false, u"wintrust.dll", u"C:system32", SYSTEM_DLL_REFUSED, u""},
        {"name with a folder", true, u"..\\wintrust.dll", nullptr, SYSTEM_DLL_REFUSED, u""},
        {"name with a slash", false, u"x/wintrust.dll", u"C:\\Windows\\system32", SYSTEM_DLL_REFUSED, u""},
        {"name with a drive", true, u"C:wintrust.dll", nullptr, SYSTEM_DLL_REFUSED, u""},
        {"empty name", true, u"", nullptr, SYSTEM_DLL_REFUSED, u""},
    };
    for (const Case& c : cases) {
        char16_t path[SYSTEM_DLL_PATH_CAPACITY + 4];
        for (auto& u : path) u = u'#';
        EXPECT_EQ(chooseSystemDllLoad(c.flags, c.name, c.folder, path, SYSTEM_DLL_PATH_CAPACITY), c.load) << c.what;
        EXPECT_EQ(std::u16string(path), c.path) << c.what;
        EXPECT_EQ(path[SYSTEM_DLL_PATH_CAPACITY], u'#') << c.what;
    }
}

}  // namespace
