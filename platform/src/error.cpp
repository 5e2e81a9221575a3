// The calling thread's last-error code.
#include <windows.h>

namespace {
thread_local DWORD g_last_error = ERROR_SUCCESS;
}

extern "C" DWORD WINAPI GetLastError(void) { return g_last_error; }

extern "C" void WINAPI SetLastError(DWORD error) { g_last_error = error; }
