// Frame drawing cost against the floor of one plain clear of the canvas.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "animation/animation.h"

namespace {

LRESULT CALLBACK plain_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    return DefWindowProcA(window, message, wparam, lparam);
}

HWND bench_window() {
    static HWND window = [] {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = plain_window_proc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "bench";
        RegisterClassExA(&wc);
        HWND w = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 200, 200, NULL, NULL, wc.hInstance, NULL);
        create_canvas(w);
        return w;
    }();
    return window;
}

void draw_frames(benchmark::State& state, GenerationPattern p) {
    HWND window = bench_window();
    pattern = p;
    for (int i = 0; i < 20; ++i) draw_frame(window);  // steady state
    for (auto _ : state) draw_frame(window);
    state.SetItemsProcessed(state.iterations());
}

void canvas_memset(benchmark::State& state) {
    std::vector<uint32_t> canvas(size_t(CANVAS_WIDTH) * CANVAS_HEIGHT, 1);
    for (auto _ : state) {
        memset(canvas.data(), 0, canvas.size() * 4);
        benchmark::DoNotOptimize(canvas.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(canvas_memset);
BENCHMARK_CAPTURE(draw_frames, ume, PatternUme)->Name("draw_frame/ume");
BENCHMARK_CAPTURE(draw_frames, take, PatternTake)->Name("draw_frame/take");
BENCHMARK_CAPTURE(draw_frames, matsu, PatternMatsu)->Name("draw_frame/matsu");

BENCHMARK_MAIN();
