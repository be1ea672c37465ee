// The renderer never talks to a window; the input layer it links does. A stand-in
// for the one window call the linked code refers to.
#include "fenra/fenra.h"

void fenra_present(Window*, const Image*, int32_t, int32_t, int32_t, int32_t) {}
