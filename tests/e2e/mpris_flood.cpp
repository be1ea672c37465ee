// A client that floods the player's bus connection: COUNT GetAll calls on the Player
// interface sent at once, then waits (up to 60 s) for every reply. Prints the number
// of replies; exits 1 when some are missing.
//
//   mpris_flood BUS_NAME COUNT
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

int replies;

int on_reply(sd_bus_message*, void*, sd_bus_error*) {
    replies++;
    return 0;
}

double now_s() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const int count = atoi(argv[2]);
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return 2;
    for (int i = 0; i < count; i++) {
        int r = sd_bus_call_method_async(bus, nullptr, argv[1], "/org/mpris/MediaPlayer2",
                                         "org.freedesktop.DBus.Properties", "GetAll", on_reply,
                                         nullptr, "s", "org.mpris.MediaPlayer2.Player");
        if (r < 0) return 2;
    }
    const double end = now_s() + 60;
    while (replies < count && now_s() < end) {
        int r = sd_bus_process(bus, nullptr);
        if (r < 0) break;
        if (r == 0) sd_bus_wait(bus, 100000);
    }
    printf("%d\n", replies);
    sd_bus_flush_close_unref(bus);
    return replies == count ? 0 : 1;
}
