// The few KERNEL32 calls the program and the platform need.
#include <time.h>

#include <windows.h>

namespace {
thread_local DWORD g_last_error = ERROR_SUCCESS;
}

extern "C" {

DWORD WINAPI GetLastError(void) { return g_last_error; }

void WINAPI SetLastError(DWORD error) { g_last_error = error; }

// The pseudo-handle of the current process, as on the real platform.
HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

DWORD WINAPI GetTickCount(void) {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return DWORD(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void WINAPI Sleep(DWORD milliseconds) {
    timespec ts = {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
}

}  // extern "C"
