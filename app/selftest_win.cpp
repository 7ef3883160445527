// The self-test's file: written whole as UTF-8, or not at all.
#include <windows.h>

#include "app/selftest.h"
#include "engine/text.h"
#include "engine/wide_win.h"

namespace {
// Every report the 16384-unit buffer can hold fits: at most 3 bytes a unit.
char utf8Report[SELFTEST_REPORT_CAPACITY * 3];
char16_t reportText[SELFTEST_REPORT_CAPACITY];
}  // namespace

bool writeUtf8File(const char16_t* path, const char16_t* text) {
    int bytes = utf16ToUtf8(text, textLength(text), utf8Report, sizeof utf8Report);
    if (bytes < 0) return false;
    HANDLE file = CreateFileW(wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    int done = 0;
    while (ok && done < bytes) {
        DWORD written = 0;
        ok = WriteFile(file, utf8Report + done, static_cast<DWORD>(bytes - done), &written, nullptr) != 0 && written > 0;
        done += static_cast<int>(written);
    }
    ok = CloseHandle(file) != 0 && ok;
    // A report cut short would read as a valid one: leave no file instead.
    if (!ok) DeleteFileW(wide(path));
    return ok;
}

int runSelfTest(const char16_t* path) {
    int errorCount = buildSelfTestReport(builtinTool(), reportText, SELFTEST_REPORT_CAPACITY);
    bool written = writeUtf8File(path, reportText);
    return selfTestExitCode(errorCount, written);
}
