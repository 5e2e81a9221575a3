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

// Where the parts of a stored image lie, checked against the data's size.
struct StoredImage {
    int width, height;  // of each half
    uint16_t bits;
    size_t colors, palette_at, color_at, color_stride, mask_at, mask_stride;
    bool has_mask;
};

bool read_layout(const uint8_t* data, size_t size, StoredImage* st) {
    if (!data || size < kBitmapInfoHeaderSize) return false;
    if (res::read_u32(data) != kBitmapInfoHeaderSize) return false;  // also refuses PNG images
    const int32_t bmi_width = int32_t(res::read_u32(data + 4));
    const int32_t bmi_height = int32_t(res::read_u32(data + 8));
    const uint16_t bits = res::read_u16(data + 14);
    const uint32_t compression = res::read_u32(data + 16);
    const uint32_t colors_used = res::read_u32(data + 32);
    if (compression != kCompressionRgb) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    // The stored height covers the colour and mask halves.
    st->width = bmi_width;
    st->height = bmi_height / 2;
    if (st->width < 1 || st->width > kMaxIconSide || bmi_height < 2 || st->height > kMaxIconSide) return false;
    st->bits = bits;
    st->colors = colors_used > 256 ? 256 : colors_used;
    if (!st->colors && bits <= 8) st->colors = size_t(1) << bits;
    st->palette_at = kBitmapInfoHeaderSize;
    if (st->colors * 4 > size - st->palette_at) return false;
    st->color_at = st->palette_at + st->colors * 4;
    st->color_stride = dib_stride(st->width, bits);
    st->mask_stride = dib_stride(st->width, 1);
    const size_t color_size = st->color_stride * size_t(st->height), mask_size = st->mask_stride * size_t(st->height);
    if (color_size > size - st->color_at) return false;
    st->mask_at = st->color_at + color_size;
    st->has_mask = mask_size <= size - st->mask_at;
    return true;
}

// Whether a 32-bit image uses its alpha channel at all.
bool uses_alpha(const uint8_t* data, const StoredImage& st) {
    if (st.bits != 32) return false;
    for (int y = 0; y < st.height; ++y)
        for (int x = 0; x < st.width; ++x)
            if (data[st.color_at + size_t(y) * st.color_stride + 4 * size_t(x) + 3]) return true;
    return false;
}

// Fills out's pixels and mask (out's size set), nearest neighbour.
void decode_pixels(const uint8_t* data, const StoredImage& st, const std::vector<uint32_t>& palette,
                   IconImage* out) {
    const int width = out->width, height = out->height;
    for (int y = 0; y < height; ++y) {
        int sy = int(int64_t(y) * st.height / height);
        size_t stored_row = size_t(st.height - 1 - sy);  // bottom-up
        const uint8_t* color_row = data + st.color_at + stored_row * st.color_stride;
        const uint8_t* mask_row = st.has_mask ? data + st.mask_at + stored_row * st.mask_stride : nullptr;
        for (int x = 0; x < width; ++x) {
            int sx = int(int64_t(x) * st.width / width);
            uint32_t v = row_value(color_row, sx, st.bits);
            uint32_t pixel;
            if (st.bits <= 8) pixel = v < st.colors ? palette[v] : 0;
            else if (st.bits == 32) pixel = out->has_alpha ? v : (v & 0xFFFFFF);
            else pixel = v;
            uint8_t transparent;
            if (mask_row) transparent = uint8_t(row_value(mask_row, sx, 1));
            else transparent = out->has_alpha ? uint8_t((pixel >> 24) != 0xFF) : 0;
            size_t at = size_t(y) * size_t(width) + size_t(x);
            out->pixels[at] = pixel;
            out->mask[at] = transparent;
        }
    }
}

}  // namespace

bool decode_icon_image(const uint8_t* data, size_t size, int width, int height, IconImage* out) {
    *out = IconImage{};
    StoredImage st;
    if (!read_layout(data, size, &st)) return false;
    if (width < 0 || height < 0 || width > kMaxIconSide || height > kMaxIconSide) return false;
    if (!width) width = st.width;
    if (!height) height = st.height;

    std::vector<uint32_t> palette(st.colors);
    for (size_t i = 0; i < st.colors; ++i) palette[i] = res::read_u32(data + st.palette_at + 4 * i) & 0xFFFFFF;

    out->width = width;
    out->height = height;
    out->bit_count = st.bits;
    out->monochrome = st.bits == 1 && st.colors >= 2 && palette[0] == 0 && palette[1] == 0xFFFFFF;
    out->has_alpha = uses_alpha(data, st);
    out->pixels.resize(size_t(width) * size_t(height));
    out->mask.resize(size_t(width) * size_t(height));
    decode_pixels(data, st, palette, out);
    return true;
}

}  // namespace plat
