// Decoding images from files and memory, and refusing broken or oversized ones.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio>: it needs FILE

#include "imaging/image.h"
#include "imaging/image_job.h"
#include "tests/imaging/imaging_test_util.h"
#include "tests/lib/temp_dir.h"

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

const std::string kPictures = std::string(QULMO_SOURCE_DIR) + "/tests/imaging/pictures/";

Loaded load_memory(const std::vector<uint8_t>& bytes, ImageWanted wanted = {}) {
    testing::internal::CaptureStderr();
    Image* img = image_load_memory(bytes.data(), bytes.size(), wanted);
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
        // 2 x 1 at 4 bits, two colours, the second pixel's index 15.
        {{'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0, 40, 0, 0, 0, 2,    0, 0, 0,
          1,   0,   0,  0, 1, 0, 4, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,    0, 0, 0,
          0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 9,  9, 9, 0, 7,  7, 7, 0, 0x1F, 0, 0, 0},
         "colour index past the palette"},
        // The same picture whose pixels start inside its header: no colour at all.
        {{'B', 'M', 56, 0, 0, 0, 0, 0, 0, 0, 52, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0,
          4,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0x12, 0, 0, 0},
         "colour index past the palette"},
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

// Every PNG colour type and depth, interlaced or not, with and without transparency,
// decodes to the bytes stb_image gave for it when it read PNG (pictures/*.rgba).
TEST(ImageLoad, PngVariantsAsBefore) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kPictures)) {
        std::filesystem::path path = entry.path();
        if (path.extension() != ".png") continue;
        SCOPED_TRACE(path.filename().string());
        Image* img = image_load_file(path.c_str());
        std::ifstream rgba(path.replace_extension(".rgba"), std::ios::binary);
        const std::vector<uint8_t> want{std::istreambuf_iterator<char>(rgba), {}};
        ASSERT_EQ(size_t(img->width) * size_t(img->height) * 4, want.size());
        EXPECT_EQ(memcmp(img->pixels, want.data(), want.size()), 0);
        image_free(img);
        ++count;
    }
    EXPECT_EQ(count, 52);
}

uint8_t warm(int, int, int c) { return uint8_t(c == 0 ? 200 : c == 1 ? 100 : 50); }

std::vector<uint8_t> file(const char* name) {
    std::ifstream f(kPictures + name, std::ios::binary);
    return std::vector<uint8_t>{std::istreambuf_iterator<char>(f), {}};
}

TEST(ImageLoad, JpegColourSpacesAndDctScales) {
    const uint32_t orange = rgba(200, 100, 50, 255);
    struct Case {
        std::vector<uint8_t> bytes;
        ImageWanted wanted;
        int w, h;
        uint32_t colour;
    } cases[] = {
        {jpeg_file(64, 48, warm), {}, 64, 48, orange},
        {jpeg_file(64, 48, warm), {8, 6}, 8, 6, orange},
        {jpeg_file(64, 48, warm), {9, 6}, 16, 12, orange},
        {jpeg_file(64, 48, warm), {30, 20}, 32, 24, orange},
        {jpeg_file(64, 48, warm), {33, 1}, 64, 48, orange},
        {jpeg_file(72, 40, warm), {9, 5}, 9, 5, orange},
        // 1/8 would round 49 up and change the proportions: whole.
        {jpeg_file(65, 49, warm), {2, 2}, 65, 49, orange},
        {jpeg_file(64, 48, warm), {0, 7}, 64, 48, orange},
        {file("gray.jpg"), {}, 16, 8, rgba(120, 120, 120, 255)},
        // Adobe's inverted CMYK (0, 128, 255, 51): the light left is (1 - ink) x (1 - black).
        {file("cmyk.jpg"), {}, 16, 8, rgba(204, 102, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + " x " + std::to_string(c.h));
        Loaded l = load_memory(c.bytes, c.wanted);
        EXPECT_EQ(l.log, "");
        ASSERT_EQ(l.img->width, c.w);
        ASSERT_EQ(l.img->height, c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w * 4; ++x)
                ASSERT_NEAR(l.img->pixels[y * l.img->stride + x], (c.colour >> (x % 4 * 8)) & 0xFF,
                            3)
                    << x / 4 << "," << y;
        image_free(l.img);
    }
}

// libjpeg's own decode, all scans read before the first row, at 1 / scale.
std::vector<uint8_t> plain_decode(const std::vector<uint8_t>& bytes, unsigned scale) {
    jpeg_decompress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_mem_src(&c, bytes.data(), bytes.size());
    jpeg_read_header(&c, TRUE);
    c.scale_denom = scale;
    c.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&c);
    std::vector<uint8_t> out(size_t(c.output_width) * c.output_height * 4);
    for (JSAMPROW row = out.data(); c.output_scanline < c.output_height; row += c.output_width * 4)
        jpeg_read_scanlines(&c, &row, 1);
    jpeg_destroy_decompress(&c);
    return out;
}

// What the log said, without the time stamps.
std::string untimed(std::string log) {
    for (size_t at; (at = log.find('[')) != std::string::npos;)
        log.erase(at, log.find("] ", at) + 2 - at);
    return log;
}

// The decode in the finest slices gives the pixels and the warning lines of the whole decode.
TEST(ImageLoad, SlicedDecodeAsWhole) {
    const std::vector<uint8_t> base = jpeg_file(64, 48, warm), prog = file("progressive.jpg");
    std::vector<uint8_t> noisy = prog, scans(prog.begin(), prog.end() - 2);
    for (size_t i = noisy.size() / 2; i < noisy.size() - 2; i += 7) noisy[i] ^= 0x5A;
    // The last scan 600 times over.
    const size_t last_scan = std::string(prog.begin(), prog.end()).rfind("\xFF\xDA");
    for (int i = 0; i < 600; ++i)
        scans.insert(scans.end(), prog.begin() + last_scan, prog.end() - 2);
    scans.insert(scans.end(), {0xFF, 0xD9});
    // A picture that decodes takes several slices; a progressive one also matches
    // libjpeg's own decode.
    enum Check { FAILS, SLICES, SLICES_AS_LIBJPEG };
    struct Case {
        std::vector<uint8_t> bytes;
        ImageWanted wanted;
        Check check = FAILS;
    } cases[] = {
        {base, {}, SLICES},
        {base, {8, 6}, SLICES},
        {file("gray.jpg"), {}, SLICES},
        {file("cmyk.jpg"), {}, SLICES},
        {prog, {}, SLICES_AS_LIBJPEG},
        {prog, {16, 12}, SLICES_AS_LIBJPEG},
        {std::vector<uint8_t>(base.begin(), base.begin() + base.size() * 3 / 5), {}},
        {std::vector<uint8_t>(prog.begin(), prog.begin() + prog.size() / 2), {}},
        {noisy, {}},
        {scans, {}},
        {std::vector<uint8_t>(base.begin(), base.begin() + 20), {}},
        {{0xFF}, {}},
        {encode("png"), {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        Loaded whole = load_memory(c.bytes, c.wanted);
        testing::internal::CaptureStderr();
        ImageJob* job = image_job_start_memory(c.bytes.data(), c.bytes.size(), c.wanted);
        int steps = 0;  // one row of blocks each
        for (; image_job_step(job, 0); ++steps) EXPECT_EQ(image_job_take(job), nullptr);
        EXPECT_TRUE(c.check == FAILS || steps > 5) << steps;
        Image* img = image_job_take(job);
        EXPECT_EQ(untimed(testing::internal::GetCapturedStderr()), untimed(whole.log));
        EXPECT_EQ(image_job_failed(job), whole.log.find("failed") != std::string::npos);
        ASSERT_EQ(img->width, whole.img->width);
        ASSERT_EQ(img->height, whole.img->height);
        EXPECT_EQ(memcmp(img->pixels, whole.img->pixels, size_t(img->stride) * img->height), 0);
        if (c.check == SLICES_AS_LIBJPEG) {
            EXPECT_EQ(plain_decode(c.bytes, 64 / unsigned(img->width)),
                      std::vector<uint8_t>(img->pixels, img->pixels + img->stride * img->height));
        }
        image_free(img);
        image_free(whole.img);
        image_job_free(job);
    }
    testing::internal::CaptureStderr();
    ImageJob* job = image_job_start_file("/nonexistent/cover.jpg", {});
    EXPECT_FALSE(image_job_pending(job));
    expect_failed({image_job_take(job), testing::internal::GetCapturedStderr()},
                  "loading image from file failed: can't fopen");
    image_job_free(job);
}

}  // namespace
