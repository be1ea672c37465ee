// Build-time helper: prints the media types of the format table as the desktop
// entry's MimeType value ("a;b;...;"), so that the entry announces what the player
// opens (dist/desktop_entry.cmake puts it in).
#include <cstdio>

#include "formats/formats.h"

int main() {
    const char* types[FORMAT_NAMES_MAX * FILE_FORMAT_COUNT + 1];
    media_types_all(types, sizeof types / sizeof types[0]);
    for (const char** type = types; *type; type++) printf("%s;", *type);
    return 0;
}
