// Decoding images from files and memory, and refusing broken or oversized ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/image.h"
#include "tests/imaging/imaging_test_util.h"
#include "tests/lib/temp_dir.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

void append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

// A 3 x 2 RGBA picture with distinct pixels.
std::vector<uint8_t> sample_pixels() {
    std::vector<uint8_t> p;
    for (int i = 0; i < 6; ++i) {
        p.push_back(uint8_t(40 * i));
        p.push_back(uint8_t(255 - 30 * i));
        p.push_back(uint8_t(7 * i));
        p.push_back(uint8_t(i == 3 ? 0 : 255 - i));
    }
    return p;
}

std::vector<uint8_t> encode(const char* kind) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> px = sample_pixels();
    if (std::string(kind) == "png")
        stbi_write_png_to_func(append, &out, 3, 2, 4, px.data(), 12);
    else if (std::string(kind) == "bmp")
        stbi_write_bmp_to_func(append, &out, 3, 2, 4, px.data());
    else
        stbi_write_jpg_to_func(append, &out, 3, 2, 4, px.data(), 100);
    return out;
}

// A 2 x 1 GIF: palette red, blue; pixels 0, 1.
const std::vector<uint8_t> tiny_gif = {'G', 'I', 'F', '8', '9', 'a', 2,   0,    1,    0, 0x80, 0,
                                       0,   255, 0,   0,   0,   0,   255, ',',  0,    0, 0,    0,
                                       2,   0,   1,   0,   0,   2,   2,   0x44, 0x0A, 0, ';'};

struct Loaded {
    Image* img;
    std::string log;
};

Loaded load_memory(const std::vector<uint8_t>& bytes) {
    testing::internal::CaptureStderr();
    Image* img = image_load_memory(bytes.data(), bytes.size());
    return {img, testing::internal::GetCapturedStderr()};
}

void expect_failed(const Loaded& l, const std::string& line) {
    ASSERT_NE(l.img, nullptr);
    EXPECT_EQ(l.img->width, 1);
    EXPECT_EQ(l.img->height, 1);
    EXPECT_EQ(px_get(l.img, 0, 0), 0u);
    EXPECT_NE(l.log.find("WARNING: " + line), std::string::npos) << l.log;
    image_free(l.img);
}

TEST(ImageLoad, DecodesFormatsExactly) {
    const std::vector<uint8_t> px = sample_pixels();
    for (const char* kind : {"png", "bmp"}) {
        Loaded l = load_memory(encode(kind));
        ASSERT_EQ(l.img->width, 3) << kind;
        ASSERT_EQ(l.img->height, 2) << kind;
        EXPECT_EQ(l.img->stride, 12);
        EXPECT_EQ(memcmp(l.img->pixels, px.data(), px.size()), 0) << kind;
        for (int i = 0; i < 32; ++i) EXPECT_EQ(l.img->pixels[24 + i], 0) << "spare bytes";
        EXPECT_TRUE(l.log.empty()) << l.log;
        image_free(l.img);
    }
    Loaded j = load_memory(encode("jpg"));
    EXPECT_EQ(j.img->width, 3);
    EXPECT_EQ(j.img->height, 2);
    EXPECT_EQ(px_get(j.img, 0, 0) >> 24, 255u) << "JPEG has no alpha";
    image_free(j.img);

    Loaded g = load_memory(tiny_gif);
    ASSERT_EQ(g.img->width, 2) << g.log;
    EXPECT_EQ(px_get(g.img, 0, 0), rgba(255, 0, 0, 255));
    EXPECT_EQ(px_get(g.img, 1, 0), rgba(0, 0, 255, 255));
    image_free(g.img);
}

TEST(ImageLoad, FromFile) {
    std::vector<uint8_t> png = encode("png");
    auto first = [&](size_t n) { return std::string_view(reinterpret_cast<char*>(png.data()), n); };
    TempDir dir;
    const std::string path = dir.file("cover.png", first(png.size()));
    const char* name = path.c_str();
    Image* img = image_load_file(name);
    ASSERT_EQ(img->width, 3);
    std::vector<uint8_t> px = sample_pixels();
    EXPECT_EQ(memcmp(img->pixels, px.data(), px.size()), 0);
    image_free(img);

    // Truncated file
    dir.file("cover.png", first(png.size() / 2));
    testing::internal::CaptureStderr();
    img = image_load_file(name);
    expect_failed({img, testing::internal::GetCapturedStderr()},
                  "loading image from file failed: ");

    testing::internal::CaptureStderr();
    img = image_load_file("/nonexistent/cover.jpg");
    expect_failed({img, testing::internal::GetCapturedStderr()},
                  "loading image from file failed: can't fopen");
}

// A PNG header claiming the given size, without the pixels.
std::vector<uint8_t> png_claiming(uint32_t w, uint32_t h) {
    std::vector<uint8_t> png = encode("png");
    auto put = [&](size_t at, uint32_t v) {
        png[at] = uint8_t(v >> 24);
        png[at + 1] = uint8_t(v >> 16);
        png[at + 2] = uint8_t(v >> 8);
        png[at + 3] = uint8_t(v);
    };
    put(16, w);  // IHDR width and height follow the signature and chunk header
    put(20, h);
    return png;
}

TEST(ImageLoad, BrokenAndOversizedRefused) {
    std::vector<uint8_t> png = encode("png");
    struct Case {
        std::vector<uint8_t> bytes;
        const char* detail;
    } cases[] = {
        {std::vector<uint8_t>(png.begin(), png.begin() + png.size() / 2), ""},
        {std::vector<uint8_t>(png.begin(), png.begin() + 8), ""},
        {std::vector<uint8_t>(300, 0xA5), ""},
        {png_claiming(5000, 5000), "image too large"},  // 100 MB of pixels
        {png_claiming(70000, 2), "image too large"},    // wider than the resampler indexes
        {png_claiming(4096, 4097), "image too large"},
    };
    for (const Case& c : cases)
        expect_failed(load_memory(c.bytes),
                      std::string("loading image from memory failed: ") + c.detail);
    // Exactly 64 MB passes the size check (and then fails on the missing data).
    Loaded l = load_memory(png_claiming(4096, 4096));
    EXPECT_EQ(l.log.find("image too large"), std::string::npos) << l.log;
    image_free(l.img);

    testing::internal::CaptureStderr();
    Image* img = image_load_memory(nullptr, 0);
    expect_failed({img, testing::internal::GetCapturedStderr()},
                  "loading image from memory failed: ");
}

}  // namespace
