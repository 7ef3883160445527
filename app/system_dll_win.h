// Loading the DLLs that are not Windows' KnownDLLs: at run time, only when a
// mode needs one, and only System32's copy. The exe's own import table names
// KnownDLLs only, since load-time imports are resolved before any line of
// the program runs, with the exe's folder searched first.
#pragma once

#include <windows.h>

// Takes the exe's folder and the current folder out of the search for every
// DLL loaded later by a bare name, by the program or by Windows on its behalf.
// The first thing the program entry does.
void restrictDllSearch();

// System32's copy of a DLL (a bare file name), or null when it is missing or
// cannot be loaded safely.
HMODULE loadSystemDll(const wchar_t* name);

// A function of a loaded DLL as its own type, or null.
template <typename Function>
Function systemFunction(HMODULE module, const char* name) {
    if (module == nullptr) return nullptr;
    // Through the generic function type: FARPROC's own type does not match.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
