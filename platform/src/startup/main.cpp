// The process start-up: brings up the backend, then calls the program's
// WinMain as the platform's loader would, and exits with its result.
#include <string>

#include <windows.h>

#include "backend/backend.h"

int main(int argc, char** argv) {
    plat::backend();
    // The command-line tail: the arguments after the program's name.
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) tail += ' ';
        tail += argv[i];
    }
    return WinMain(GetModuleHandleA(NULL), NULL, tail.data(), SW_SHOWDEFAULT);
}
