// A fixed scene using every primitive, compared byte for byte with a reviewed picture.
// QULMO_UPDATE_GOLDEN=1 rewrites the picture instead of comparing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "imaging/blur.h"
#include "imaging/image.h"
#include "imaging/resize.h"
#include "imaging/text.h"
#include "tests/imaging/imaging_test_util.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

Image* draw_scene() {
    Image* canvas = image_new(300, 300);
    UiStyle s = style_with(28, 30, 40, 255);
    fill_rect(canvas, &s, 0, 0, 299, 299);

    s = style_with(210, 80, 60, 255);
    fill_shape(canvas, &s, 20, 20, 139, 99, 16);
    s = style_with(60, 160, 220, 255);
    fill_shape(canvas, &s, 160, 20, 279, 99, double(32 | CORNER_SUPERELLIPSE));
    s = style_with(255, 240, 0, 128);
    fill_shape(canvas, &s, 100, 60, 199, 139, 0);

    // A photo-like gradient with detail, scaled down and up, blitted with round corners.
    Image* photo = image_new(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            px_set(photo, x, y, rgba(x * 4, y * 5, ((x / 8 + y / 8) & 1) ? 220 : 40, 255));
    Image* big = image_resize(photo, 120, 90);
    Image* small = image_resize(photo, 40, 30);
    Rect to{20, 150, 120, 90};
    image_blit_rounded(big, nullptr, canvas, &to, 1, 12);
    Rect to_small{100, 120, 40, 30};
    image_blit(small, nullptr, canvas, &to_small, 1);
    image_free(photo);
    image_free(big);
    image_free(small);

    // Stripes blurred at both radii.
    for (int y = 150; y < 240; ++y)
        for (int x = 160; x < 280; ++x)
            px_set(canvas, x, y, ((x / 6) & 1) ? rgba(250, 250, 250, 255) : rgba(20, 60, 20, 255));
    box_blur_columns(canvas, {160, 150, 120, 45}, 7);
    box_blur_rows(canvas, {160, 150, 120, 45}, 7);
    box_blur_columns(canvas, {160, 195, 120, 45}, 31);
    box_blur_rows(canvas, {160, 195, 120, 45}, 31);

    s = style_with(255, 255, 255, 255);
    draw_line(canvas, &s, 10, 290, 290, 250);
    s = style_with(255, 0, 160, 160);
    draw_line_units(canvas, &s, 150.4, 10.5, 140, 290);

    Font* font = font_load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    s = style_with(240, 240, 255, 255);
    s.text_x = 20;
    s.text_y = 255;
    text_draw(canvas, &s, font, "Qulmo \xE2\x80\x93 \xC3\x84\xC3\x96 12:34 wrapped", TEXT_CLIP, 22,
              260);
    font_free(font);
    return canvas;
}

TEST(Golden, SceneMatchesReviewedPicture) {
    const std::string path =
        std::string(QULMO_SOURCE_DIR) + "/tests/imaging/golden/imaging_scene.png";
    Image* scene = draw_scene();
    const char* update = getenv("QULMO_UPDATE_GOLDEN");
    if (update && *update == '1') {
        ASSERT_TRUE(stbi_write_png(path.c_str(), 300, 300, 4, scene->pixels, scene->stride));
        image_free(scene);
        GTEST_SKIP() << "wrote " << path;
    }
    Image* golden = image_load_file(path.c_str());
    ASSERT_EQ(golden->width, 300) << "missing " << path;
    ASSERT_EQ(golden->height, 300);
    int differing = 0, first_x = -1, first_y = -1;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            if (px_get(scene, x, y) != px_get(golden, x, y) && differing++ == 0) {
                first_x = x;
                first_y = y;
            }
    EXPECT_EQ(differing, 0) << "first difference at " << first_x << "," << first_y;
    image_free(golden);
    image_free(scene);
}

}  // namespace
