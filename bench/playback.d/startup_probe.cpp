// Preloaded into qulmo-x11 by the start-up benchmark: notes the monotonic time of a
// few library calls on the way to the first frame, and of the first frame itself
// once the X server has processed it (XPutImage, then XSync). It then writes the
// marks to $QULMO_STARTUP_MARKS ("name nanoseconds" lines) and ends the process.
#include <X11/Xlib.h>
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <mpg123.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

struct Mark {
    const char* name;
    long long ns;
};
Mark marks[64];
int mark_count;

long long now_ns() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

void mark(const char* name) {
    if (mark_count < 64) marks[mark_count++] = {name, now_ns()};
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void loaded() { mark("libraries_loaded"); }

}  // namespace

extern "C" {

Display* XOpenDisplay(const char* name) {
    mark("x_open_begin");
    Display* d = next<Display* (*)(const char*)>("XOpenDisplay")(name);
    mark("x_open_end");
    return d;
}

int XMapWindow(Display* d, Window w) {
    mark("x_map");
    return next<int (*)(Display*, Window)>("XMapWindow")(d, w);
}

int mpg123_open(mpg123_handle* h, const char* path) {
    mark("mp3_open_begin");
    return next<int (*)(mpg123_handle*, const char*)>("mpg123_open")(h, path);
}

int mpg123_scan(mpg123_handle* h) {
    mark("mp3_scan_begin");
    int r = next<int (*)(mpg123_handle*)>("mpg123_scan")(h);
    mark("mp3_scan_end");
    return r;
}

int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
    mark("alsa_open_begin");
    int r = next<int (*)(snd_pcm_t**, const char*, snd_pcm_stream_t, int)>("snd_pcm_open")(
        pcm, name, stream, mode);
    mark("alsa_open_end");
    return r;
}

int snd_pcm_hw_params(snd_pcm_t* pcm, snd_pcm_hw_params_t* params) {
    int r = next<int (*)(snd_pcm_t*, snd_pcm_hw_params_t*)>("snd_pcm_hw_params")(pcm, params);
    mark("alsa_configured");
    return r;
}

int XPutImage(Display* d, Drawable w, GC gc, XImage* image, int sx, int sy, int dx, int dy,
              unsigned width, unsigned height) {
    mark("first_present_begin");
    next<int (*)(Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned)>(
        "XPutImage")(d, w, gc, image, sx, sy, dx, dy, width, height);
    XSync(d, False);
    mark("first_frame_on_server");
    if (const char* path = getenv("QULMO_STARTUP_MARKS")) {
        if (FILE* f = fopen(path, "w")) {
            for (int i = 0; i < mark_count; i++)
                fprintf(f, "%s %lld\n", marks[i].name, marks[i].ns);
            fclose(f);
        }
    }
    _exit(0);
}
}
