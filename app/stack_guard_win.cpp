// The stack protector's guard value and its failure, the program's own:
// GCC's libssp would fill the guard from CryptGenRandom in a constructor,
// which loads a crypto provider before the program entry has taken the
// exe's folder out of the DLL search. This needs kernel32 alone.
#include <windows.h>

#include <cstdint>

extern "C" {

// Checked on return by every function with a local array or whose locals'
// addresses are taken (-fstack-protector-strong). Not zero before it is set,
// so a guard that overwrote it with zeros still fails.
uintptr_t __stack_chk_guard = static_cast<uintptr_t>(0x2B992DDFA232ull);

// A frame's guard was overwritten: the stack is not to be trusted, so no
// handler, no message and no unwinding, just the end of the process with the
// code Windows gives an overrun stack buffer.
[[noreturn]] void __stack_chk_fail() {
    TerminateProcess(GetCurrentProcess(), 0xC0000409u);   // STATUS_STACK_BUFFER_OVERRUN
    __builtin_trap();
}

}  // extern "C"

namespace {

// Mixed as Windows' own C runtime mixes its cookie: the time, the process
// and thread ids, the tick and performance counters and, with ASLR, an
// address on the stack. Runs before any other constructor, while no guarded
// function is on the stack.
__attribute__((constructor(101), no_stack_protector)) void setStackGuard() {
    FILETIME time;
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    uint64_t mix = (static_cast<uint64_t>(time.dwHighDateTime) << 32) ^ time.dwLowDateTime;
    mix ^= static_cast<uint64_t>(GetCurrentProcessId()) << 32;
    mix ^= GetCurrentThreadId();
    mix ^= GetTickCount64() << 16;
    mix ^= static_cast<uint64_t>(counter.QuadPart) * 0x9E3779B97F4A7C15ull;
    mix ^= static_cast<uint64_t>(reinterpret_cast<uintptr_t>(&counter)) << 12;
    mix ^= mix >> 29;
    const uintptr_t guard = static_cast<uintptr_t>(mix ^ (mix >> 32));
    if (guard != 0) __stack_chk_guard = guard;
}

}  // namespace
