// The ring of device-format frames between the write half and the device.
// Positions wrap with a mask, so the capacity is a power of two.
#include <cstdio>
#include <cstring>

#include "foundation/log.h"
#include "sontera/sontera.h"

uint32_t sontera_ring_append(SonteraSink* sink, const uint8_t* frames_data, uint64_t frames) {
    uint32_t capacity = sink->capacity;
    uint32_t free_frames = capacity - sink->used;
    if (frames > free_frames) {
        log_text(LOG_WARNING,
                 "sontera_add_data_to_outbuf(): not enough space in outbuf, dropping data!\n");
        frames = free_frames;
    }
    uint32_t count = static_cast<uint32_t>(frames);
    if (count == 0) return 0;
    size_t fb = sink->frame_bytes;
    uint32_t write = (sink->read + sink->used) & (capacity - 1);
    if (sink->read + sink->used > capacity) {
        // Waiting frames wrap around: the free space is the single gap before `read`.
        memcpy(sink->ring + write * fb, frames_data, count * fb);
    } else {
        uint32_t room = capacity - write;
        if (count < room) {
            memcpy(sink->ring + write * fb, frames_data, count * fb);
        } else {
            memcpy(sink->ring + write * fb, frames_data, room * fb);
            if (count > room) memcpy(sink->ring, frames_data + room * fb, (count - room) * fb);
        }
    }
    sink->used += count;
    return count;
}

uint32_t sontera_ring_contiguous(const SonteraSink* sink) {
    if (sink->read + sink->used <= sink->capacity) return sink->used;
    return sink->capacity - sink->read;
}

void sontera_ring_consume(SonteraSink* sink, uint32_t frames) {
    if (frames > sink->used) {
        log_text(LOG_WARNING,
                 "sontera_remove_data_from_outbuf(): BUG: removing more frames from used!\n");
        sink->read += sink->used;
        sink->used = 0;
    } else {
        sink->used -= frames;
        sink->read += frames;
    }
    sink->read &= sink->capacity - 1;
}
