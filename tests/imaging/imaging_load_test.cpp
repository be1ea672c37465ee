// Decoding images from files and memory, and refusing broken or oversized ones.
#include <gtest/gtest.h>

#include <zlib.h>

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

// The first frame on its canvas: placed at its offset, the transparent colour and the
// rest of the canvas clear; a frame cut short keeps the canvas with a warning.
TEST(ImageLoad, GifFirstFrameOnItsCanvas) {
    std::vector<uint8_t> offset = tiny_gif, keyed = tiny_gif, outside = tiny_gif;
    offset[6] = 3, offset[8] = 2, offset[20] = 1, offset[22] = 1;  // 3 x 2, frame at (1, 1)
    const uint8_t control[] = {0x21, 0xF9, 4, 1, 0, 0, 1, 0};      // index 1 is transparent
    keyed.insert(keyed.begin() + 19, control, control + sizeof control);
    outside[20] = 1;
    const uint32_t red = rgba(255, 0, 0, 255), blue = rgba(0, 0, 255, 255);
    struct Case {
        std::vector<uint8_t> bytes;
        std::vector<uint32_t> pixels;
        const char* warning;
    } cases[] = {
        {offset, {0, 0, 0, 0, red, blue}, nullptr},
        {keyed, {red, 0}, nullptr},
        {std::vector<uint8_t>(tiny_gif.begin(), tiny_gif.begin() + 31),
         {0, 0},
         "WARNING: loading image from memory: "},
    };
    for (const Case& c : cases) {
        Loaded l = load_memory(c.bytes);
        ASSERT_EQ(size_t(l.img->width * l.img->height), c.pixels.size()) << l.log;
        for (size_t i = 0; i < c.pixels.size(); ++i)
            EXPECT_EQ(px_get(l.img, int(i) % l.img->width, int(i) / l.img->width), c.pixels[i])
                << i;
        EXPECT_EQ(l.log.find(c.warning ? c.warning : "WARNING") != std::string::npos, !!c.warning)
            << l.log;
        image_free(l.img);
    }
    expect_failed(load_memory(outside),
                  "loading image from memory failed: frame outside the picture");
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
    put(29, uint32_t(crc32(0, png.data() + 12, 17)));
    return png;
}

TEST(ImageLoad, BrokenAndOversizedRefused) {
    std::vector<uint8_t> png = encode("png"), bmp = encode("bmp");
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
        {std::vector<uint8_t>(bmp.begin(), bmp.end() - 4), "truncated BMP"},  // a pixel short
        // 28 bytes: the short header of a 49196 x 206 picture and nothing more.
        {{'B', 'M', 0xca, 3, 0,    0xa5, 0,    0, 0, 0, 0x1a, 3, 0, 0,
          12,  0,   0,    0, 0x2c, 0xc0, 0xce, 0, 1, 0, 8,    0, 0, 0},
         "truncated BMP"},
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

// A 3 x 2 PNG of one colour type and depth, its samples 16-bit values cut to depth.
struct PngCase {
    int type, depth;
    bool adam7;
    std::vector<uint8_t> plte, trns;
};

uint32_t png_sample(const PngCase& c, int pixel, int channel) {
    return uint32_t(pixel * 37 + channel * 91 + 13) % (1u << c.depth);
}

std::vector<uint8_t> png_file(const PngCase& c) {
    const int channels = c.type == 2 ? 3 : c.type == 4 ? 2 : c.type == 6 ? 4 : 1;
    std::vector<uint8_t> raw;
    // One pass over every pixel, or the seven Adam7 passes: (x0, y0, dx, dy).
    const int passes[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                              {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (int pass = c.adam7 ? 1 : 0; pass < (c.adam7 ? 8 : 1); ++pass) {
        const int* p = passes[pass];
        for (int y = p[1]; y < 2 && p[0] < 3; y += p[3]) {
            raw.push_back(0);  // filter: none
            uint32_t bits = 0, n = 0;
            for (int x = p[0]; x < 3; x += p[2])
                for (int ch = 0; ch < channels; ++ch) {
                    bits = (bits << c.depth) | png_sample(c, y * 3 + x, ch);
                    for (n += c.depth; n >= 8; n -= 8) raw.push_back(uint8_t(bits >> (n - 8)));
                }
            if (n) raw.push_back(uint8_t(bits << (8 - n)));
        }
    }
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&](const char* kind, std::vector<uint8_t> body) {
        for (int i = 24; i >= 0; i -= 8) out.push_back(uint8_t(body.size() >> i));
        body.insert(body.begin(), kind, kind + 4);
        out.insert(out.end(), body.begin(), body.end());
        const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
        for (int i = 24; i >= 0; i -= 8) out.push_back(uint8_t(crc >> i));
    };
    chunk("IHDR", {0, 0, 0, 3, 0, 0, 0, 2, uint8_t(c.depth), uint8_t(c.type), 0, 0, c.adam7});
    if (!c.plte.empty()) chunk("PLTE", c.plte);
    if (!c.trns.empty()) chunk("tRNS", c.trns);
    std::vector<uint8_t> z(compressBound(uLong(raw.size())));
    uLongf zn = uLongf(z.size());
    compress(z.data(), &zn, raw.data(), uLong(raw.size()));
    chunk("IDAT", std::vector<uint8_t>(z.begin(), z.begin() + long(zn)));
    chunk("IEND", {});
    return out;
}

// The pixel a PNG sample set means: depths below 8 stretched to 0..255, 16-bit cut to
// its high byte, palette entries looked up, a colour key or the tRNS table as alpha.
uint32_t png_expected(const PngCase& c, int i) {
    auto v = [&](int ch) {
        uint32_t s = png_sample(c, i, ch);
        return c.depth == 16 ? s >> 8 : s * 255 / ((1u << c.depth) - 1);
    };
    auto keyed = [&](int channels) {
        for (int ch = 0; ch < channels; ++ch)
            if (c.trns.size() < size_t(2 * channels) ||
                png_sample(c, i, ch) != uint32_t(c.trns[2 * ch] << 8 | c.trns[2 * ch + 1]))
                return 255u;
        return 0u;
    };
    switch (c.type) {
    case 0: return rgba(v(0), v(0), v(0), keyed(1));
    case 2: return rgba(v(0), v(1), v(2), keyed(3));
    case 4: return rgba(v(0), v(0), v(0), v(1));
    case 6: return rgba(v(0), v(1), v(2), v(3));
    }
    const uint32_t k = png_sample(c, i, 0);
    return rgba(c.plte[3 * k], c.plte[3 * k + 1], c.plte[3 * k + 2],
                k < c.trns.size() ? c.trns[k] : 255);
}

TEST(ImageLoad, PngEveryColourTypeAndDepth) {
    const std::vector<uint8_t> plte = {9, 8, 7, 200, 100, 50, 1, 2, 3, 40, 50, 60};
    const PngCase cases[] = {
        {0, 1, false, {}, {}},        {0, 2, false, {}, {0, 2}},
        {0, 4, true, {}, {}},         {0, 8, false, {}, {0, 50}},
        {0, 16, true, {}, {}},        {2, 8, true, {}, {0, 13, 0, 104, 0, 195}},
        {2, 16, false, {}, {}},       {3, 1, false, plte, {}},
        {3, 2, true, plte, {0, 128}}, {3, 8, false, plte, {77}},
        {4, 8, false, {}, {}},        {4, 16, true, {}, {}},
        {6, 8, true, {}, {}},         {6, 16, false, {}, {}},
    };
    for (const PngCase& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type) + " depth " + std::to_string(c.depth));
        PngCase used = c;
        if (c.type == 3 && c.depth == 8)  // indices up to 255: a palette that long
            for (int i = 4; i < 256; ++i) used.plte.insert(used.plte.end(), {uint8_t(i), 0, 0});
        Loaded l = load_memory(png_file(used));
        ASSERT_EQ(l.img->width, 3) << l.log;
        ASSERT_EQ(l.img->height, 2);
        EXPECT_TRUE(l.log.empty()) << l.log;
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(px_get(l.img, i % 3, i / 3), png_expected(used, i)) << i;
        image_free(l.img);
    }
}

uint8_t warm(int, int, int c) { return uint8_t(c == 0 ? 200 : c == 1 ? 100 : 50); }
// Adobe's inverted CMYK: 255 is no ink. Full cyan channel, half magenta, black at 200.
uint8_t inks(int, int, int c) { return uint8_t(c == 0 ? 255 : c == 1 ? 128 : c == 2 ? 0 : 200); }
uint8_t gray(int, int, int) { return 120; }

TEST(ImageLoad, JpegColourSpacesAndDctScales) {
    struct Case {
        std::vector<uint8_t> bytes;
        ImageWanted wanted;
        int w, h;
        uint32_t colour;
    } cases[] = {
        {jpeg_file(64, 48, JCS_YCbCr, 3, false, warm), {}, 64, 48, rgba(200, 100, 50, 255)},
        {jpeg_file(64, 48, JCS_YCbCr, 3, true, warm), {8, 6}, 8, 6, rgba(200, 100, 50, 255)},
        {jpeg_file(64, 48, JCS_YCbCr, 3, false, warm), {9, 6}, 16, 12, rgba(200, 100, 50, 255)},
        {jpeg_file(64, 48, JCS_YCbCr, 3, false, warm), {30, 20}, 32, 24, rgba(200, 100, 50, 255)},
        {jpeg_file(64, 48, JCS_YCbCr, 3, false, warm), {33, 1}, 64, 48, rgba(200, 100, 50, 255)},
        {jpeg_file(72, 40, JCS_RGB, 3, false, warm), {9, 5}, 9, 5, rgba(200, 100, 50, 255)},
        // 1/8 would round 49 up and change the proportions: whole.
        {jpeg_file(65, 49, JCS_RGB, 3, false, warm), {2, 2}, 65, 49, rgba(200, 100, 50, 255)},
        {jpeg_file(65, 49, JCS_YCbCr, 3, false, warm), {0, 7}, 65, 49, rgba(200, 100, 50, 255)},
        {jpeg_file(16, 8, JCS_GRAYSCALE, 1, false, gray), {}, 16, 8, rgba(120, 120, 120, 255)},
        {jpeg_file(16, 8, JCS_CMYK, 4, false, inks), {}, 16, 8, rgba(200, 100, 0, 255)},
        {jpeg_file(16, 8, JCS_YCCK, 4, true, inks), {}, 16, 8, rgba(200, 100, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        testing::internal::CaptureStderr();
        Image* img = image_load_memory(c.bytes.data(), c.bytes.size(), c.wanted);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        ASSERT_EQ(img->width, c.w);
        ASSERT_EQ(img->height, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w * 4; ++x)
                ASSERT_NEAR(img->pixels[y * img->stride + x], (c.colour >> (x % 4 * 8)) & 0xFF, 3)
                    << x / 4 << "," << y;
        image_free(img);
    }
}

// Damaged pictures: what the library can show is shown, with its complaint; what it
// cannot read, or would take too long to, is refused with its reason.
TEST(ImageLoad, DamagedJpeg) {
    std::vector<uint8_t> good = jpeg_file(64, 48, JCS_YCbCr, 3, true, warm);
    Loaded cut = load_memory(std::vector<uint8_t>(good.begin(), good.end() - 200));
    EXPECT_EQ(cut.img->width, 64);
    EXPECT_NE(cut.log.find("WARNING: loading image from memory: "), std::string::npos) << cut.log;
    image_free(cut.img);

    // The last scan over and over: a refinement the decoder would redo for each.
    size_t last_scan = good.size() - 2;
    while (!(good[last_scan] == 0xFF && good[last_scan + 1] == 0xDA)) --last_scan;
    std::vector<uint8_t> scans(good.begin(), good.end() - 2);
    for (int i = 0; i < 600; ++i)
        scans.insert(scans.end(), good.begin() + long(last_scan), good.end() - 2);
    scans.insert(scans.end(), {0xFF, 0xD9});
    std::vector<uint8_t> huge = good;
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && (huge[i + 1] == 0xC0 || huge[i + 1] == 0xC2))
            huge[i + 5] = huge[i + 7] = 0x7F;  // 0x7F30 x 0x7F40
    // The 53 bytes that overran stb_image's Huffman table: fill bytes before the start
    // marker, then a table declaring more than 256 codes.
    std::vector<uint8_t> codes(53, 0xFF);
    codes[3] = 0xD8, codes[5] = codes[6] = 0xC4, codes[8] = 0;
    const std::pair<std::vector<uint8_t>, std::string> refused[] = {
        {scans, "more than 500 scans"},
        {huge, "image too large"},
        {codes, "Not a JPEG file: starts with 0xff 0xff"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 40), ""},
    };
    for (const auto& [bytes, reason] : refused)
        expect_failed(load_memory(bytes), "loading image from memory failed: " + reason);
}

}  // namespace
