// The mingw-w64 runtime and winpthread print their own fatal diagnostics
// ("Mingw-w64 runtime failure: ...", thread library debug output) through
// printf, fprintf and vfprintf. Left alone, those calls import msvcrt.dll's
// formatting functions into the program, whose numbers would then depend on
// the runtime; the program's own text never goes through them. These
// replacements keep every such message, unformatted, on the standard error
// handle (nowhere to be seen in a GUI program, as before) and let the program
// import no printf-family function at all.
#include <windows.h>

#include <cstdarg>

namespace {
int writeToStandardError(const char* text) {
    if (text == nullptr) return 0;
    DWORD length = 0;
    while (text[length] != 0) ++length;
    HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    DWORD written = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) WriteFile(handle, text, length, &written, nullptr);
    return static_cast<int>(length);
}
}  // namespace

// Declared here, not through <cstdio>, whose inline definitions they replace.
extern "C" {
int printf(const char* format, ...) { return writeToStandardError(format); }
int fprintf(void*, const char* format, ...) { return writeToStandardError(format); }
int vfprintf(void*, const char* format, va_list) { return writeToStandardError(format); }
}
