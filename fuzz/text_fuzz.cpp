// Arbitrary bytes as a title: layout in every mode, drawn into a small canvas.
#include <cstdlib>
#include <cstring>

#include "imaging/text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Font* font = font_load("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    static Image* canvas = image_new(160, 48);
    if (size < 2) return 0;
    // First byte: mode and size; the rest is the zero-terminated text.
    const int32_t mode = data[0] & 7;
    const double px = 4 + (data[0] >> 3) * 2;
    char* text = static_cast<char*>(malloc(size));
    memcpy(text, data + 1, size - 1);
    text[size - 1] = 0;
    UiStyle style{};
    style.ref_size = STYLE_REF_SIZE;
    style.colour = {255, 255, 255, 200};
    style.text_x = int8_t(data[1]);
    int32_t r = text_draw(canvas, &style, font, text, mode, px, 120);
    if (!(mode & TEXT_CLIP) && r < 1) abort();
    if ((mode & TEXT_CLIP) && (r < 0 || r > 120)) abort();
    free(text);
    return 0;
}
