// PNG and animated GIF files of 32-bit 0x00RRGGBB pixel buffers.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB (0xAARRGGBB with alpha), top-down rows
    bool alpha = false;
};

// Writes an 8-bit RGB PNG (RGBA with alpha); false (and errno-style message
// in `error`) on failure. Files get the mode the umask leaves of 0666.
bool write_png(const std::string& path, const Image& image, std::string* error = nullptr);

// Reads any PNG libpng understands as 0x00RRGGBB pixels (alpha dropped).
bool read_png(const std::string& path, Image* image, std::string* error = nullptr);

// An animated GIF written frame by frame; each frame carries its own delay.
class GifWriter {
public:
    GifWriter() = default;
    GifWriter(const GifWriter&) = delete;
    GifWriter& operator=(const GifWriter&) = delete;
    ~GifWriter();

    bool open(const std::string& path, int width, int height, std::string* error = nullptr);
    // Frames with more than 256 colours are quantized; others keep exact colours.
    bool add_frame(const Image& frame, int delay_ms, std::string* error = nullptr);
    bool close(std::string* error = nullptr);

private:
    void* file_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
