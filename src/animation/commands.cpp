// The animation's menu commands: pattern choice and frame timer speed.
#include "animation/animation.h"

// Chooses the pattern and (re)starts the frame timer at the normal speed.
void select_pattern(HWND window, int32_t p) {
    pattern = p;
    SetTimer(window, FRAME_TIMER_ID, FRAME_INTERVAL_NORMAL, NULL);
}

// Runs the frame timer at the fast speed.
void speed_fast(HWND window) {
    KillTimer(window, FRAME_TIMER_ID);
    SetTimer(window, FRAME_TIMER_ID, FRAME_INTERVAL_FAST, NULL);
}

// Runs the frame timer at the normal speed.
void speed_normal(HWND window) {
    KillTimer(window, FRAME_TIMER_ID);
    SetTimer(window, FRAME_TIMER_ID, FRAME_INTERVAL_NORMAL, NULL);
}
