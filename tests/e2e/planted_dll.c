/* A DLL planted under a system DLL's name, beside a program or in its
   current folder. Loaded, it leaves "<its own file>.loaded" beside itself.
   It exports nothing: a program that took it for the real one finds none of
   the functions it looks for. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    static const wchar_t suffix[] = L".loaded";
    wchar_t path[MAX_PATH + sizeof suffix / sizeof suffix[0]];
    DWORD length;
    HANDLE file;
    unsigned i;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    length = GetModuleFileNameW(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return TRUE;
    for (i = 0; i < sizeof suffix / sizeof suffix[0]; ++i) path[length + i] = suffix[i];
    file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
