// Whole frames against canvases painted by the platform's own GDI.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "test_support.h"

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    while (!text.empty() && isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

// frame number -> golden PNG path
std::map<int, std::string> golden_frames(const std::string& dir) {
    std::map<int, std::string> frames;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            int n = 0;
            if (sscanf(e->d_name, "frame-%6d.png", &n) == 1) frames[n] = dir + "/" + e->d_name;
        }
        closedir(d);
    }
    return frames;
}

void expect_same_canvas(const Image& golden, const Image& ours, const std::string& what) {
    ASSERT_EQ(golden.width, ours.width) << what;
    ASSERT_EQ(golden.height, ours.height) << what;
    size_t wrong = 0;
    size_t first = 0;
    for (size_t i = 0; i < golden.pixels.size(); ++i) {
        if (golden.pixels[i] != ours.pixels[i] && wrong++ == 0) first = i;
    }
    EXPECT_EQ(wrong, 0u) << what << ": " << wrong << " pixels differ, first at (" << first % golden.width << ", "
                         << first / golden.width << "): golden " << std::hex << golden.pixels[first] << ", ours "
                         << ours.pixels[first];
}

class GoldenCanvas : public testing::TestWithParam<const char*> {};

TEST_P(GoldenCanvas, EveryFrameMatchesEveryPixel) {
    std::string dir = std::string(GOLDEN_DIR) + "/" + GetParam();
    std::string script = read_text(dir + "/script");
    ASSERT_FALSE(script.empty()) << "no script in " << dir;
    std::map<int, std::string> frames = golden_frames(dir);
    ASSERT_FALSE(frames.empty()) << "no frames in " << dir;

    reset_animation();
    int compared = 0;
    run_script(script, [&](int n) {
        auto it = frames.find(n);
        if (it == frames.end()) return;
        Image golden;
        std::string error;
        ASSERT_TRUE(read_png(it->second, &golden, &error)) << error;
        expect_same_canvas(golden, canvas_pixels(), it->second);
        ++compared;
    });
    EXPECT_EQ(compared, int(frames.size())) << "script ended before every golden frame";
}

INSTANTIATE_TEST_SUITE_P(Wine, GoldenCanvas, testing::Values("ume-102", "take-2", "matsu-2", "switch"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// A long run of frames (tests/wine_ref/raster_ref.cpp, animation_run): the
// hash of each frame's 320 x 320 corner as the platform's GDI drew it.
TEST(GoldenRun, FrameHashesOfALongMixedRun) {
    std::vector<uint32_t> expected;
    std::ifstream in(std::string(TEST_DATA_DIR) + "/raster_ref/raster_run.txt");
    std::string line;
    while (std::getline(in, line)) {
        unsigned frame = 0, hash = 0;
        if (line[0] != '#' && sscanf(line.c_str(), "%u %x", &frame, &hash) == 2 && frame == expected.size() + 1)
            expected.push_back(hash);
    }
    ASSERT_EQ(expected.size(), 266u) << "reference run missing or incomplete in " << TEST_DATA_DIR;

    reset_animation();
    size_t compared = 0;
    run_script("matsu 150 take 3 matsu 2 ume 1 matsu 40 ume 5 matsu 30 take 5 matsu 30", [&](int n) {
        const Image canvas = canvas_pixels();
        uint32_t hash = 2166136261u;  // FNV-1a
        for (int y = 0; y < 320; y++)
            for (int x = 0; x < 320; x++) hash = (hash ^ canvas.pixels[size_t(y) * canvas.width + x]) * 16777619u;
        ASSERT_LE(size_t(n), expected.size());
        EXPECT_EQ(hash, expected[n - 1]) << "frame " << n;
        ++compared;
    });
    EXPECT_EQ(compared, expected.size());
}

}  // namespace
