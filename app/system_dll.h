// Which way a system DLL is loaded at run time, so that only System32's copy
// can be the one loaded: a DLL of the same name in the exe's folder or the
// current folder (where anyone who can write there may have put one) never
// is. Portable, so the choice is tested without Windows; the loading itself
// is system_dll_win.cpp.
#pragma once

// The folder and the name as one path: the loader of a Windows 7 without the
// search flags takes at most MAX_PATH units.
constexpr int SYSTEM_DLL_PATH_CAPACITY = 260;

enum SystemDllLoad : int {
    SYSTEM_DLL_BY_FLAG = 0,   // LoadLibraryExW(name, LOAD_LIBRARY_SEARCH_SYSTEM32)
    SYSTEM_DLL_BY_PATH,       // LoadLibraryExW(path, LOAD_WITH_ALTERED_SEARCH_PATH)
    SYSTEM_DLL_REFUSED,       // not loaded at all
};

// searchFlags: the system knows LOAD_LIBRARY_SEARCH_SYSTEM32 (Windows 8 on,
// Windows 7 with KB2533623). Without it the path is the system folder and
// the name, in `path` (terminated); a folder that is not absolute, or a path
// that does not fit, is refused. A name that is not a bare file name (empty,
// or with a folder or drive in it) is refused either way.
SystemDllLoad chooseSystemDllLoad(bool searchFlags, const char16_t* name, const char16_t* systemFolder,
                                  char16_t* path, int pathCapacity);
