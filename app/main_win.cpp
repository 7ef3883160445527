// Program entry: the self-test when "--selftest" is on the command line,
// otherwise the window.
#include <windows.h>

#include "app/selftest.h"
#include "ui/main_window_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    const char16_t* commandLine = reinterpret_cast<const char16_t*>(GetCommandLineW());
    char16_t path[SELFTEST_PATH_CAPACITY];
    if (findSelfTestPath(commandLine, path, SELFTEST_PATH_CAPACITY)) return runSelfTest(path);
    SetProcessDPIAware();
    return runMainWindow(instance, builtinTool());
}
