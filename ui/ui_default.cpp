// The description used when no "ui.txt" exists: a 300 x 300 window with the album
// art over all of it, a blurred translucent band over its lower third holding the
// centred title and artist, a seek bar filling inside a one-pixel frame, and the
// playback position.
#include "ui/ui_description.h"

const char ui_default_description[] =
    "color fg 62 76 56 255 0 "
    "color slb 62 76 56 195 0 "
    "color slf 62 76 56 125 0 "
    "color bg 163 180 156 175 0 "
    "color ar 76 62 56 255 0 "
    "color ft 163 180 156 175 0 "
    "window - 0 0 300 300 0 "
    "image <albumart> 0 0 300 300 0 "
    "blur - 0 200 300 100 0 "
    "rect bg 0 200 300 100 0 "
    "regionseek - 60 280 225 6 0 "
    "title fg 10 210 280 35 1 "
    "artist ar 10 250 280 20 1 "
    "rect slb 60 280 225 6 2 "
    "border slf 60 280 225 6 0 "
    "curtime fg 10 275 280 15 0 ";
