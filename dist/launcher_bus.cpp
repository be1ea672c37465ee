#include "dist/launcher_bus.h"

#include <systemd/sd-bus.h>

#include <cstdio>

namespace {

constexpr const char* kPlayerName = "org.mpris.MediaPlayer2.qulmo";

sd_bus* session_bus() {
    sd_bus* bus = nullptr;
    return sd_bus_open_user(&bus) < 0 ? nullptr : bus;
}

}  // namespace

bool player_running() {
    sd_bus* bus = session_bus();
    if (!bus) return false;
    sd_bus_message* reply = nullptr;
    int owned = 0;
    int r = sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               kPlayerName);
    if (r >= 0 && sd_bus_message_read(reply, "b", &owned) < 0) owned = 0;
    sd_bus_message_unref(reply);
    sd_bus_flush_close_unref(bus);
    return owned != 0;
}

int player_open(const char* uri) {
    sd_bus* bus = session_bus();
    if (!bus) {
        fputs("ERROR: lost the session bus on the way to the running qulmo\n", stderr);
        return 1;
    }
    sd_bus_error error = SD_BUS_ERROR_NULL;
    // A large folder takes the player a moment; the bus's own limit (25 s) is the bound.
    int r =
        sd_bus_call_method(bus, kPlayerName, "/org/mpris/MediaPlayer2",
                           "org.mpris.MediaPlayer2.Player", "OpenUri", &error, nullptr, "s", uri);
    if (r < 0)
        fprintf(stderr, "ERROR: the running qulmo did not open %s: %s\n", uri,
                error.message ? error.message : "no answer");
    sd_bus_error_free(&error);
    sd_bus_flush_close_unref(bus);
    return r < 0 ? 1 : 0;
}

void notify(const char* text) {
    sd_bus* bus = session_bus();
    if (!bus) return;
    sd_bus_message* call = nullptr;
    // Notify(app_name, replaces_id, app_icon, summary, body, actions, hints, expire_timeout)
    int r = sd_bus_message_new_method_call(bus, &call, "org.freedesktop.Notifications",
                                           "/org/freedesktop/Notifications",
                                           "org.freedesktop.Notifications", "Notify");
    if (r >= 0)
        r = sd_bus_message_append(call, "susssasa{sv}i", "qulmo", 0u, "qulmo", "qulmo", text, 0, 0,
                                  -1);
    if (r >= 0) (void)sd_bus_call(bus, call, 1000000, nullptr, nullptr);
    sd_bus_message_unref(call);
    sd_bus_flush_close_unref(bus);
}
