#include "image_io.h"

#include <errno.h>
#include <fcntl.h>
#include <gif_lib.h>
#include <png.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <unordered_map>

namespace {

void set_error(std::string* error, const std::string& text) {
    if (error) *error = text;
}

struct FileCloser {
    FILE* f;
    ~FileCloser() {
        if (f) fclose(f);
    }
};

}  // namespace

bool write_png(const std::string& path, const Image& image, std::string* error) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        set_error(error, path + ": " + strerror(errno));
        return false;
    }
    FileCloser closer{f};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        set_error(error, "out of memory");
        return false;
    }
    const int channels = image.alpha ? 4 : 3;
    std::vector<png_byte> row(size_t(image.width) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        set_error(error, path + ": PNG write failed");
        return false;
    }
    png_init_io(png, f);
    // A frame is mostly one flat colour: the fastest deflate level and no
    // row filter cost a quarter of the time of the default level and
    // adaptive filtering, for files about half as large again.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, image.width, image.height, 8, image.alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t* src = image.pixels.data() + size_t(y) * image.width;
        png_byte* out = row.data();
        for (int x = 0; x < image.width; ++x, out += channels) {
            out[0] = png_byte(src[x] >> 16);
            out[1] = png_byte(src[x] >> 8);
            out[2] = png_byte(src[x]);
            if (image.alpha) out[3] = png_byte(src[x] >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fflush(f) != 0) {
        set_error(error, path + ": " + strerror(errno));
        return false;
    }
    return true;
}

bool read_png(const std::string& path, Image* image, std::string* error) {
    png_image img;
    memset(&img, 0, sizeof img);
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) {
        set_error(error, path + ": " + img.message);
        return false;
    }
    img.format = PNG_FORMAT_BGRA;  // little-endian words read as 0xAARRGGBB
    image->width = int(img.width);
    image->height = int(img.height);
    image->pixels.assign(size_t(img.width) * img.height, 0);
    if (!png_image_finish_read(&img, nullptr, image->pixels.data(), 0, nullptr)) {
        set_error(error, path + ": " + img.message);
        png_image_free(&img);
        return false;
    }
    for (uint32_t& p : image->pixels) p &= 0x00ffffff;
    return true;
}

GifWriter::~GifWriter() {
    if (file_) {
        int status;
        EGifCloseFile(static_cast<GifFileType*>(file_), &status);
    }
}

bool GifWriter::open(const std::string& path, int width, int height, std::string* error) {
    // giflib's own open by name creates the file with mode 0600: open it
    // here so that the umask decides, as for any other file.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        set_error(error, path + ": " + strerror(errno));
        return false;
    }
    int status = 0;
    GifFileType* gif = EGifOpenFileHandle(fd, &status);
    if (!gif) {
        ::close(fd);
        set_error(error, path + ": " + GifErrorString(status));
        return false;
    }
    file_ = gif;
    width_ = width;
    height_ = height;
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) == GIF_ERROR) {
        set_error(error, path + ": " + GifErrorString(gif->Error));
        return false;
    }
    // Loop forever.
    static const unsigned char netscape[] = "NETSCAPE2.0";
    static const unsigned char loop[] = {1, 0, 0};
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif, 11, netscape) == GIF_ERROR || EGifPutExtensionBlock(gif, 3, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif) == GIF_ERROR) {
        set_error(error, path + ": " + GifErrorString(gif->Error));
        return false;
    }
    return true;
}

bool GifWriter::add_frame(const Image& frame, int delay_ms, std::string* error) {
    GifFileType* gif = static_cast<GifFileType*>(file_);
    if (!gif || frame.width != width_ || frame.height != height_) {
        set_error(error, "GIF frame does not fit the file");
        return false;
    }
    size_t n = frame.pixels.size();
    std::vector<GifByteType> indices(n);
    std::vector<GifColorType> palette;
    std::unordered_map<uint32_t, int> index_of;
    for (size_t i = 0; i < n && palette.size() <= 256; ++i) {
        auto [it, added] = index_of.emplace(frame.pixels[i], int(palette.size()));
        if (added) {
            uint32_t p = frame.pixels[i];
            palette.push_back(GifColorType{GifByteType(p >> 16), GifByteType(p >> 8), GifByteType(p)});
        }
        indices[i] = GifByteType(it->second);
    }
    if (palette.size() > 256) {
        std::vector<GifByteType> r(n), g(n), b(n);
        for (size_t i = 0; i < n; ++i) {
            r[i] = GifByteType(frame.pixels[i] >> 16);
            g[i] = GifByteType(frame.pixels[i] >> 8);
            b[i] = GifByteType(frame.pixels[i]);
        }
        int size = 256;
        palette.assign(256, GifColorType{0, 0, 0});
        if (GifQuantizeBuffer(unsigned(width_), unsigned(height_), &size, r.data(), g.data(), b.data(),
                              indices.data(), palette.data()) == GIF_ERROR) {
            set_error(error, "GIF colour quantization failed");
            return false;
        }
    }
    palette.resize(256, GifColorType{0, 0, 0});
    ColorMapObject* map = GifMakeMapObject(256, palette.data());
    GraphicsControlBlock gcb = {};
    gcb.DisposalMode = DISPOSE_DO_NOT;
    gcb.DelayTime = std::max(1, (delay_ms + 5) / 10);
    gcb.TransparentColor = NO_TRANSPARENT_COLOR;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    bool ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, width_, height_, false, map) != GIF_ERROR;
    for (int y = 0; ok && y < height_; ++y)
        ok = EGifPutLine(gif, indices.data() + size_t(y) * width_, width_) != GIF_ERROR;
    GifFreeMapObject(map);
    if (!ok) set_error(error, std::string("GIF write failed: ") + GifErrorString(gif->Error));
    return ok;
}

bool GifWriter::close(std::string* error) {
    GifFileType* gif = static_cast<GifFileType*>(file_);
    file_ = nullptr;
    int status = 0;
    if (gif && EGifCloseFile(gif, &status) == GIF_ERROR) {
        set_error(error, std::string("GIF close failed: ") + GifErrorString(status));
        return false;
    }
    return true;
}
