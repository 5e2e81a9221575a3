// Decoding of the images stored in RT_ICON / RT_CURSOR resources: a DIB whose
// height counts two halves, the colour (XOR) bits then the 1-bit AND mask.
// Pure and bounds-checked.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace plat {

struct IconImage {
    int width = 0;       // as decoded (the requested size)
    int height = 0;
    int bit_count = 0;   // of the stored image
    bool monochrome = false;  // 1 bpp with a black, white palette
    bool has_alpha = false;   // 32 bpp with an alpha channel in use
    std::vector<uint32_t> pixels;  // top-down 0x00RRGGBB (0xAARRGGBB with alpha)
    std::vector<uint8_t> mask;     // top-down; 1 = transparent (AND bit set)
};

// Largest image side accepted, stored or requested.
constexpr int kMaxIconSide = 256;

// Decodes the image at `width` x `height` (0: the stored size), scaling by
// nearest neighbour as the loader stretches a stored size to the requested
// one. False for anything but an uncompressed DIB of 1, 4, 8, 16, 24 or 32
// bits per pixel whose colour bits fit the data; a missing mask means opaque
// (or, with alpha, transparent wherever alpha is not full).
bool decode_icon_image(const uint8_t* data, size_t size, int width, int height, IconImage* out);

}  // namespace plat
