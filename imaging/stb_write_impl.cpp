// The one translation unit that compiles stb_image_write: covers handed to the
// desktop's media controls and the look renderer's pictures are written as PNG.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_FAILURE_STRINGS

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#if defined(__clang__)
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wcast-qual"
#include <stb_image_write.h>
#pragma GCC diagnostic pop
