// The process start-up in a browser page: brings up the backend, calls the
// program's WinMain as the platform's loader would, and hands its result to
// the page. main's own result is not enough: once the program has waited
// asynchronously, the runtime no longer sees what main returns.
#include <windows.h>

#include "backend/backend.h"
#include "backend/web.h"

int main() {
    plat::backend();
    char tail[] = "";
    int code = WinMain(GetModuleHandleA(NULL), NULL, tail, SW_SHOWDEFAULT);
    plat::web_report_exit(code);
    return code;
}
