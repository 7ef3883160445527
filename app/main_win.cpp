// Program entry: the self-test when "--selftest" is on the command line,
// else the verification run when "--verify" is, otherwise the window.
#include <windows.h>

#include "app/selftest.h"
#include "app/system_dll_win.h"
#include "app/verify.h"
#include "ui/main_window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything that may load a DLL: from here on, no DLL comes from
    // the exe's folder or the current one.
    restrictDllSearch();
    const char16_t* commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
    char16_t path[SELFTEST_PATH_CAPACITY];
    if (findSelfTestPath(commandLine, path, SELFTEST_PATH_CAPACITY)) return runSelfTest(path);
    bool tooLong = false;
    if (findVerifyPath(commandLine, path, VERIFY_PATH_CAPACITY, &tooLong)) return runVerify(path, tooLong);
    SetProcessDPIAware();
    return runMainWindow(instance, builtinTool());
}
