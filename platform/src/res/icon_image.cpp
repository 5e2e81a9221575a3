#include "res/icon_image.h"

#include "res/resfile.h"

namespace plat {

namespace {

constexpr uint32_t kBitmapInfoHeaderSize = 40;
constexpr uint32_t kCompressionRgb = 0;

size_t dib_stride(int width, int bits) { return ((size_t(width) * size_t(bits) + 31) / 32) * 4; }

// The palette index or colour of pixel x of a stored row.
uint32_t row_value(const uint8_t* row, int x, int bits) {
    switch (bits) {
    case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4: return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
    case 8: return row[x];
    case 16: {
        uint32_t v = res::read_u16(row + 2 * x);
        uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return (((r << 3) | (r >> 2)) << 16) | (((g << 3) | (g >> 2)) << 8) | ((b << 3) | (b >> 2));
    }
    case 24: return uint32_t(row[3 * x]) | (uint32_t(row[3 * x + 1]) << 8) | (uint32_t(row[3 * x + 2]) << 16);
    default: return res::read_u32(row + 4 * x);
    }
}

}  // namespace

bool decode_icon_image(const uint8_t* data, size_t size, int width, int height, IconImage* out) {
    *out = IconImage{};
    if (!data || size < kBitmapInfoHeaderSize) return false;
    if (res::read_u32(data) != kBitmapInfoHeaderSize) return false;  // also refuses PNG images
    int32_t bmi_width = int32_t(res::read_u32(data + 4));
    int32_t bmi_height = int32_t(res::read_u32(data + 8));
    uint16_t bits = res::read_u16(data + 14);
    uint32_t compression = res::read_u32(data + 16);
    uint32_t colors_used = res::read_u32(data + 32);
    if (compression != kCompressionRgb) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // The stored height covers the colour and mask halves.
    int src_w = bmi_width, src_h = bmi_height / 2;
    if (src_w < 1 || src_w > kMaxIconSide || bmi_height < 2 || src_h > kMaxIconSide) return false;
    if (width < 0 || height < 0 || width > kMaxIconSide || height > kMaxIconSide) return false;
    if (!width) width = src_w;
    if (!height) height = src_h;

    size_t colors = colors_used > 256 ? 256 : colors_used;
    if (!colors && bits <= 8) colors = size_t(1) << bits;
    size_t palette_at = kBitmapInfoHeaderSize;
    if (colors * 4 > size - palette_at) return false;
    size_t color_at = palette_at + colors * 4;
    size_t color_stride = dib_stride(src_w, bits), mask_stride = dib_stride(src_w, 1);
    size_t color_size = color_stride * size_t(src_h), mask_size = mask_stride * size_t(src_h);
    if (color_size > size - color_at) return false;
    size_t mask_at = color_at + color_size;
    bool has_mask = mask_size <= size - mask_at;

    std::vector<uint32_t> palette(colors);
    for (size_t i = 0; i < colors; ++i) palette[i] = res::read_u32(data + palette_at + 4 * i) & 0xFFFFFF;

    out->width = width;
    out->height = height;
    out->bit_count = bits;
    out->monochrome = bits == 1 && colors >= 2 && palette[0] == 0 && palette[1] == 0xFFFFFF;
    out->pixels.resize(size_t(width) * size_t(height));
    out->mask.resize(size_t(width) * size_t(height));

    if (bits == 32) {
        for (int y = 0; y < src_h && !out->has_alpha; ++y)
            for (int x = 0; x < src_w; ++x)
                if (data[color_at + size_t(y) * color_stride + 4 * size_t(x) + 3]) {
                    out->has_alpha = true;
                    break;
                }
    }

    for (int y = 0; y < height; ++y) {
        int sy = int(int64_t(y) * src_h / height);
        size_t stored_row = size_t(src_h - 1 - sy);  // bottom-up
        const uint8_t* color_row = data + color_at + stored_row * color_stride;
        const uint8_t* mask_row = has_mask ? data + mask_at + stored_row * mask_stride : nullptr;
        for (int x = 0; x < width; ++x) {
            int sx = int(int64_t(x) * src_w / width);
            uint32_t v = row_value(color_row, sx, bits);
            uint32_t pixel;
            if (bits <= 8) pixel = v < colors ? palette[v] : 0;
            else if (bits == 32) pixel = out->has_alpha ? v : (v & 0xFFFFFF);
            else pixel = v;
            uint8_t transparent;
            if (mask_row) transparent = uint8_t(row_value(mask_row, sx, 1));
            else transparent = out->has_alpha ? uint8_t((pixel >> 24) != 0xFF) : 0;
            size_t at = size_t(y) * size_t(width) + size_t(x);
            out->pixels[at] = pixel;
            out->mask[at] = transparent;
        }
    }
    return true;
}

}  // namespace plat
