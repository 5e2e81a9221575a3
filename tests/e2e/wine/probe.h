// What the checker and the probe DLL it hooks into pofurin.exe agree on.
//
// Wine does not answer GetMenu or GetClassLongPtr for a window of another
// process, so the checker installs probe_get_message as a WH_GETMESSAGE hook
// on the program's thread. Wine then loads this DLL into the program, where
// the hook counts the frame timer's ticks and answers queries posted to the
// main window with a WM_COPYDATA sent back to the checker.
#pragma once

#include <windows.h>

// Registered message posted to the main window: wParam is the checker window
// that takes the answer, lParam is PROBE_QUERY(sequence, request).
#define PROBE_QUERY_MESSAGE_NAME L"PofurinE2eProbeQuery"
#define PROBE_HOOK_NAME "probe_get_message"

enum ProbeRequest {
    // One line per menu entry: "bar|item <tab> position... <tab> text <tab>
    // identifier <tab> type <tab> state <tab> sub-items".
    PROBE_MENU = 1,
    // One line per class icon: "icon <tab> large|small <tab> width <tab>
    // height <tab> is the resource <tab> colour runs along the middle row".
    PROBE_ICONS = 2,
    // "frames <tab> n": frame timer ticks the main window has taken since the
    // probe arrived.
    PROBE_FRAMES = 3,
};

// The answer's COPYDATASTRUCT::dwData echoes the query's lParam; its data is
// UTF-16 text without a terminator.
#define PROBE_QUERY(sequence, request) ((LPARAM)(((sequence) << 8) | (request)))
#define PROBE_REQUEST(query) ((int)((query) & 0xff))
