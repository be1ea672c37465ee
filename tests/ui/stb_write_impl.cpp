// The PNG writer for the look renderer.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
