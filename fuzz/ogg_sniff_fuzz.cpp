// First-page sniffing of Ogg files over arbitrary bytes.
#include <vector>

#include "decoders/ogg_sniff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exactly sized copy, so that any read past the end is caught.
    std::vector<uint8_t> bytes(data, data + size);
    const OggContent content = ogg_sniff(bytes);
    if (content != OGG_UNKNOWN && (size < 27 || bytes[0] != 'O')) __builtin_trap();
    return 0;
}
