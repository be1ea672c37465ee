// WAV chunk walk, sample conversion and seeking over arbitrary bytes; the ID3 chunk
// goes through the tag reader.
#include <cstdio>
#include <vector>

#include "decoders/metadata.h"
#include "decoders/wav_reader.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The chunk walk logs every chunk name; the sanitizers report on fd 2 directly.
    stderr = std::fopen("/dev/null", "w");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so that any read past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    WavReader reader;
    if (!wav_reader_parse(&reader, bytes)) return 0;
    if (reader.id3) metadata_free(id3v2_read_tags({reader.id3, reader.id3_size}));
    static float out[65536];
    const uint32_t frames = 65536 / reader.channels;
    int64_t total = 0;
    for (uint32_t n; (n = wav_reader_read(&reader, out, frames)) > 0;) total += n;
    if (total > wav_reader_total_frames(&reader)) __builtin_trap();
    if (wav_reader_seek(&reader, total / 2)) wav_reader_read(&reader, out, frames);
    return 0;
}
