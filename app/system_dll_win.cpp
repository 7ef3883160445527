#include "app/system_dll_win.h"

#include "app/system_dll.h"
#include "engine/wide_win.h"

namespace {

HMODULE kernel32() { return GetModuleHandleW(L"kernel32.dll"); }

// The LOAD_LIBRARY_SEARCH_* flags came with AddDllDirectory: Windows 8, and
// Windows 7 with KB2533623. A Windows 7 without that update refuses the flags
// altogether.
bool searchFlagsKnown() { return GetProcAddress(kernel32(), "AddDllDirectory") != nullptr; }

}  // namespace

void restrictDllSearch() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = systemFunction<SetDefaultDllDirectoriesFunction>(kernel32(), "SetDefaultDllDirectories");
    // Every later load by a bare name searches System32 alone: the theme DLL
    // the window's controls bring in, the crypto providers behind CryptoAPI,
    // and the DLLs those load in turn. Input methods and COM in-process
    // servers are loaded by the full path their registration gives, so
    // Chinese input keeps working.
    if (setDefault != nullptr) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Without that function (Windows 7 without KB2533623), at least the
    // current folder leaves the search; the exe's folder stays first there,
    // which is why loadSystemDll names System32 itself.
    SetDllDirectoryW(L"");
}

HMODULE loadSystemDll(const wchar_t* name) {
    const bool flags = searchFlagsKnown();
    wchar_t folder[SYSTEM_DLL_PATH_CAPACITY];
    folder[0] = 0;
    if (!flags) {
        const UINT length = GetSystemDirectoryW(folder, SYSTEM_DLL_PATH_CAPACITY);
        if (length == 0 || length >= static_cast<UINT>(SYSTEM_DLL_PATH_CAPACITY)) folder[0] = 0;
    }
    char16_t path[SYSTEM_DLL_PATH_CAPACITY];
    switch (chooseSystemDllLoad(flags, reinterpret_cast<const char16_t*>(name),
                                reinterpret_cast<const char16_t*>(folder), path, SYSTEM_DLL_PATH_CAPACITY)) {
    // The flag also keeps the DLL's own dependencies in System32.
    case SYSTEM_DLL_BY_FLAG: return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A full path with the altered search: its dependencies are looked for in
    // its own folder, System32, first.
    case SYSTEM_DLL_BY_PATH: return LoadLibraryExW(wide(path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    default: return nullptr;
    }
}
