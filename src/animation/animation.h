// The animation: state, random source, off-screen canvas, frames and commands.
#pragma once

#include <stdint.h>
#include <windows.h>

#include "resource.h"

enum GenerationPattern : int32_t {
    PatternUme = 0,    // 梅: short lines
    PatternTake = 1,   // 竹: tiny rectangles
    PatternMatsu = 2,  // 松: small ellipses
};

// Animation state.
extern int32_t pattern;
extern int32_t pulse_radius;

// Random source: a 15-bit linear congruential generator that is never seeded.
extern uint32_t rand_state;
int next_random();

// Off-screen canvas.
#define CANVAS_WIDTH 1200
#define CANVAS_HEIGHT 800
extern HDC g_canvas_dc;
extern HBITMAP g_canvas_bitmap;
void create_canvas(HWND window);
void present_canvas(HDC target_dc);

// Frame generator: the pen and brush of the shape being drawn.
extern HPEN g_pen;
extern HBRUSH g_brush;
void draw_frame(HWND window);

// Commands and frame timer.
#define FRAME_TIMER_ID 1
#define FRAME_INTERVAL_NORMAL 100
#define FRAME_INTERVAL_FAST 10
void select_pattern(HWND window, int32_t p);
void speed_fast(HWND window);
void speed_normal(HWND window);
