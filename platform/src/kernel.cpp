// The few KERNEL32 calls the program and the platform need.
#include <windows.h>

#include "clock.h"

namespace {
thread_local DWORD g_last_error = ERROR_SUCCESS;
}

extern "C" {

DWORD WINAPI GetLastError(void) { return g_last_error; }

void WINAPI SetLastError(DWORD error) { g_last_error = error; }

// The pseudo-handle of the current process, as on the real platform.
HANDLE WINAPI GetCurrentProcess(void) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }

// Both follow USER's clock, so tests on the virtual clock never really wait.
DWORD WINAPI GetTickCount(void) { return DWORD(plat::clock_now_ms()); }

void WINAPI Sleep(DWORD milliseconds) { plat::clock_sleep(milliseconds); }

}  // extern "C"
