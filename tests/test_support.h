// Shared helpers for tests that drive the program's animation code.
#pragma once

#include <string>

#include "animation/animation.h"
#include "image_io.h"

// A plain window of the main window's size with the canvas created on it,
// made again after a reset has taken both.
HWND animation_window();

// Back to the state of a fresh start (host_reset_process): random state 1,
// pattern 梅, radius 0, a new black canvas.
void reset_animation();

// The whole canvas as 0x00RRGGBB pixels.
Image canvas_pixels();

// Runs a command script: ume, take, matsu, fast, normal, or N frames.
// Calls `on_frame(n)` after frame n (counted from 1).
template <class F>
void run_script(const std::string& script, F on_frame);

void run_script_token(const std::string& token, int* frames, void (*on_frame)(int, void*), void* context);

template <class F>
void run_script(const std::string& script, F on_frame) {
    int frames = 0;
    size_t i = 0;
    while (i < script.size()) {
        size_t end = script.find(' ', i);
        if (end == std::string::npos) end = script.size();
        if (end > i)
            run_script_token(script.substr(i, end - i), &frames,
                             [](int n, void* c) { (*static_cast<F*>(c))(n); }, &on_frame);
        i = end + 1;
    }
}
