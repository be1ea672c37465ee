// Writes a window's pixels as a binary PPM file: x11_snapshot WINDOW-ID FILE
// Reads the window straight from the server with XGetImage, so the tests need no
// screen grab (and none of its pauses) to look at what was presented.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

namespace {

// Position and width of a colour channel in a visual's pixel word.
struct Channel {
    int shift;
    unsigned long max;
};

Channel channel(unsigned long mask) {
    Channel c{0, 0};
    if (!mask) return c;
    while (!(mask & 1)) {
        mask >>= 1;
        c.shift++;
    }
    c.max = mask;
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: x11_snapshot WINDOW FILE\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    auto window = static_cast<::Window>(strtoul(argv[1], nullptr, 0));
    XWindowAttributes attrs;
    if (!XGetWindowAttributes(d, window, &attrs)) return 1;
    XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(attrs.width),
                              static_cast<unsigned>(attrs.height), AllPlanes, ZPixmap);
    if (!image) return 1;
    Channel r = channel(attrs.visual->red_mask), g = channel(attrs.visual->green_mask),
            b = channel(attrs.visual->blue_mask);
    FILE* out = fopen(argv[2], "wb");
    if (!out) return 1;
    fprintf(out, "P6\n%d %d\n255\n", attrs.width, attrs.height);
    for (int y = 0; y < attrs.height; y++) {
        for (int x = 0; x < attrs.width; x++) {
            unsigned long p = XGetPixel(image, x, y);
            unsigned char rgb[3] = {
                static_cast<unsigned char>(r.max ? ((p >> r.shift) & r.max) * 255 / r.max : 0),
                static_cast<unsigned char>(g.max ? ((p >> g.shift) & g.max) * 255 / g.max : 0),
                static_cast<unsigned char>(b.max ? ((p >> b.shift) & b.max) * 255 / b.max : 0)};
            fwrite(rgb, 1, 3, out);
        }
    }
    fclose(out);
    XDestroyImage(image);
    XCloseDisplay(d);
    return 0;
}
