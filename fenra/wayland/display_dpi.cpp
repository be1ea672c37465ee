// The display scale as a DPI figure, from the open window or from a short
// connection of its own that only listens to the outputs' scale.
#include <wayland-client.h>

#include <cstring>

#include "fenra/wayland/backend.h"
#include "foundation/memory.h"

namespace {

struct Probe {
    int32_t max_scale;
    wl_output** outputs;
    uint32_t count;
};

void geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
              const char*, int32_t) {}
void mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
void done(void*, wl_output*) {}
void scale(void* data, wl_output*, int32_t factor) {
    auto* probe = static_cast<Probe*>(data);
    if (factor > probe->max_scale) probe->max_scale = factor;
}
void name(void*, wl_output*, const char*) {}
void description(void*, wl_output*, const char*) {}
const wl_output_listener probe_output_listener = {
    .geometry = geometry,
    .mode = mode,
    .done = done,
    .scale = scale,
    .name = name,
    .description = description,
};

void global(void* data, wl_registry* registry, uint32_t id, const char* interface,
            uint32_t version) {
    auto* probe = static_cast<Probe*>(data);
    if (strcmp(interface, wl_output_interface.name) != 0 || version < 2) return;
    auto* output = static_cast<wl_output*>(wl_registry_bind(registry, id, &wl_output_interface, 2));
    wl_output_add_listener(output, &probe_output_listener, probe);
    probe->outputs = static_cast<wl_output**>(
        dru_realloc_memory(probe->outputs, (probe->count + 1) * sizeof(wl_output*)));
    probe->outputs[probe->count++] = output;
}
void global_remove(void*, wl_registry*, uint32_t) {}
const wl_registry_listener probe_registry_listener = {.global = global,
                                                      .global_remove = global_remove};

}  // namespace

float fenra_display_dpi() {
    if (wayland_open_window && wayland_open_window->backend) {
        return static_cast<float>(wayland_open_window->backend->scale) * 96.0f;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) return 96.0f;
    Probe probe{1, nullptr, 0};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &probe_registry_listener, &probe);
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    wl_registry_destroy(registry);
    for (uint32_t i = 0; i < probe.count; i++) wl_output_destroy(probe.outputs[i]);
    dru_free(probe.outputs);
    wl_display_flush(display);
    wl_display_disconnect(display);
    return static_cast<float>(probe.max_scale) * 96.0f;
}
