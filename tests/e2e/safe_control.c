/* The control of test_planted_dlls.py: a program built the safe way. It
   imports the KnownDLLs Ostrivel.exe imports and nothing else, and restricts
   the DLL search first, as Ostrivel's entry does. What a planted DLL it
   still loads is Wine's own doing (Wine's user32 imports version.dll; on
   Windows user32 is a KnownDLL, and so are its imports).

     safe_control window       restricts the search, shows a window with an
                               edit box and a button, closes it after 2 s
     safe_control naive NAME   without restricting anything, LoadLibraryW(NAME):
                               shows that a planted DLL is found at all */
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

static void restrictSearch(void) {
    typedef BOOL(WINAPI * SetDefault)(DWORD);
    FARPROC proc = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    SetDefault setDefault;
    if (proc != NULL) {
        setDefault = (SetDefault)(void (*)(void))proc;
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    SetDllDirectoryW(L"");
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR commandLine, int show) {
    WNDCLASSW windowClass;
    HWND window;
    MSG message;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    (void)previous;
    (void)commandLine;
    if (argv != NULL && argc == 3 && lstrcmpW(argv[1], L"naive") == 0) return LoadLibraryW(argv[2]) != NULL ? 0 : 1;
    if (argv == NULL || argc != 2 || lstrcmpW(argv[1], L"window") != 0) {
        /* Never reached by the test: keeps shell32's and advapi32's imports. */
        wchar_t folder[MAX_PATH];
        DWORD size = MAX_PATH;
        SHGetFolderPathW(NULL, CSIDL_LOCAL_APPDATA, NULL, SHGFP_TYPE_CURRENT, folder);
        GetUserNameW(folder, &size);
        return 2;
    }
    restrictSearch();
    SetProcessDPIAware();
    ZeroMemory(&windowClass, sizeof windowClass);
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"SafeControlWnd";
    windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    if (RegisterClassW(&windowClass) == 0) return 1;
    window = CreateWindowExW(0, L"SafeControlWnd", L"safe control", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 200,
                             NULL, NULL, instance, NULL);
    if (window == NULL) return 1;
    CreateWindowExW(0, L"EDIT", L"50", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 120, 24, window, NULL, instance, NULL);
    CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 140, 10, 80, 24, window, NULL, instance,
                    NULL);
    ShowWindow(window, show);
    UpdateWindow(window);
    SetTimer(window, 1, 2000, NULL);
    while (GetMessageW(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
