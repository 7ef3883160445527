// Holds a file open the way a careless viewer would: read access, reading
// shared, writing not shared. While it holds the file no other process can
// open it for writing or appending.
//
//   filelock_probe <file> <stop-file> [seconds]
//
// Prints "LOCKED" once it holds the file (or "FAILED <error>" and exits 1),
// then waits until <stop-file> exists (at most `seconds`, default 120), closes
// the file, prints "RELEASED" and exits 0.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

void say(const char* text) {
    std::fputs(text, stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        say("usage: filelock_probe <file> <stop-file> [seconds]");
        return 2;
    }
    long seconds = argc > 3 ? std::wcstol(argv[3], nullptr, 10) : 120;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        char text[64];
        std::snprintf(text, sizeof text, "FAILED %lu", GetLastError());
        say(text);
        return 1;
    }
    say("LOCKED");
    for (long waited = 0; waited < seconds * 20; ++waited) {
        if (GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES) break;
        Sleep(50);
    }
    CloseHandle(file);
    say("RELEASED");
    return 0;
}
