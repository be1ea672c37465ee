// Opens the default device once and reports the result by exit status; the
// script test runs it under configurations in which opening must fail.
#include "foundation/memory.h"
#include "sontera/sontera.h"

int main() {
    SonteraSink* sink = sontera_sink_open(44100, 2, 2048);
    if (!sink) return 1;
    auto* output = static_cast<AudioOutput*>(dru_alloc_memory(1, sizeof(AudioOutput)));
    *output = {1, sink->rate, 2, sink};
    sontera_close(output);
    return 0;
}
