// A stand-in desktop notification service for the tests: owns
// org.freedesktop.Notifications on the session bus and prints "SUMMARY|BODY" for every
// Notify call (flushed at once), answering with an id, until it is killed. Prints
// "ready" once it owns the name.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdio>

namespace {

int on_notify(sd_bus_message* call, void*, sd_bus_error*) {
    const char *app = nullptr, *icon = nullptr, *summary = nullptr, *body = nullptr;
    uint32_t replaces = 0;
    int r = sd_bus_message_read(call, "susss", &app, &replaces, &icon, &summary, &body);
    if (r < 0) return r;
    printf("%s|%s\n", summary, body);
    fflush(stdout);
    return sd_bus_reply_method_return(call, "u", 1u);
}

const sd_bus_vtable vtable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("Notify", "susssasa{sv}i", "u", on_notify, 0),
    SD_BUS_VTABLE_END,
};

}  // namespace

int main() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_user(&bus) < 0) return 1;
    if (sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/Notifications",
                                 "org.freedesktop.Notifications", vtable, nullptr) < 0 ||
        sd_bus_request_name(bus, "org.freedesktop.Notifications", 0) < 0)
        return 1;
    printf("ready\n");
    fflush(stdout);
    for (;;) {
        int r = sd_bus_process(bus, nullptr);
        if (r < 0) return 1;
        if (r == 0 && sd_bus_wait(bus, UINT64_MAX) < 0) return 1;
    }
}
