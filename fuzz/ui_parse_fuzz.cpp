// The UI description parser over arbitrary bytes (no terminating NUL), at a scale
// taken from the first byte, followed by the lookups start-up makes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fenra/fenra.h"
#include "ui/ui_description.h"

// The input layer linked through the UI library refers to the window; nothing here
// presents anything.
void fenra_present(Window*, const Image*, int32_t, int32_t, int32_t, int32_t) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const double scale = 0.25 + (data[0] % 16) * 0.25;
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    // Each image record may allocate up to the decoded-picture limit: bound the count so
    // that one input cannot exceed the fuzzer's memory limit by design.
    size_t images = 0;
    for (size_t at = text.find("image"); at != std::string_view::npos;
         at = text.find("image", at + 1))
        ++images;
    if (images > 2) return 0;

    ui_parse_bytes(std::span<const char>(text.data(), text.size()), scale, "/nonexistent-qulmo");
    int used = 0;
    while (used < UI_MAX_ELEMENTS && ui_elements[used].type != UI_END) {
        const UiElement& e = ui_elements[used];
        if ((e.type < 1 || e.type > 35) && e.type != UI_UNKNOWN) abort();
        if ((e.flags & UI_FLAG_ALBUMART) && e.type != UI_ALBUMART && e.type != UI_IMAGE) abort();
        if (e.type == UI_FONT && !e.data) abort();
        ++used;
    }
    if (ui_static_count() > used) abort();
    for (int32_t type : {UI_WINDOW, UI_FRAMETIME, UI_FFT, UI_REGIONSEEK, UI_FONT}) {
        Rect* r = ui_find_element(type);
        if (r && (r < &ui_elements[0].rect || r > &ui_elements[UI_MAX_ELEMENTS - 1].rect)) abort();
    }
    ui_free_elements();
    return 0;
}
