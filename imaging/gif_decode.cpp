// GIF through giflib: the first frame, drawn on a transparent canvas of the size the
// file gives. Data that ends early leaves the rows decoded so far and a warning.
#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "foundation/memory.h"
#include "imaging/image_decode.h"

namespace {

struct GifSource {
    const ImageDecode* job;
    size_t at;
};

int read_bytes(GifFileType* gif, GifByteType* out, int n) {
    auto* source = static_cast<GifSource*>(gif->UserData);
    const size_t k = std::min(size_t(n < 0 ? 0 : n), source->job->length - source->at);
    memcpy(out, source->job->bytes + source->at, k);
    source->at += k;
    return int(k);
}

bool fail(ImageDecode* job, const char* reason) {
    snprintf(job->reason, IMAGE_REASON_MAX, "%s", reason ? reason : "unknown error");
    return false;
}

// The rows of a frame in the order the file stores them: interlaced frames come in
// four passes (every 8th row from 0, every 8th from 4, every 4th from 2, every 2nd
// from 1).
int row_at(int index, int height, bool interlaced) {
    if (!interlaced) return index;
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        const int rows =
            height > start[pass] ? (height - start[pass] + step[pass] - 1) / step[pass] : 0;
        if (index < rows) return start[pass] + index * step[pass];
        index -= rows;
    }
    return -1;
}

bool draw_frame(GifFileType* gif, ImageDecode* job, int transparent) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) return fail(job, GifErrorString(gif->Error));
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map) return fail(job, "no colour table");
    if (d.Left < 0 || d.Top < 0 || d.Width < 0 || d.Height < 0 ||
        int64_t(d.Left) + d.Width > gif->SWidth || int64_t(d.Top) + d.Height > gif->SHeight)
        return fail(job, "frame outside the picture");
    Image* image = image_new(gif->SWidth, gif->SHeight, IMAGE_PIXELS);
    auto* line = static_cast<GifPixelType*>(dru_alloc_memory(size_t(d.Width) + 1, 1));
    for (int i = 0; i < d.Height; ++i) {
        if (DGifGetLine(gif, line, d.Width) == GIF_ERROR) {
            job->warned = true;
            snprintf(job->warning, IMAGE_REASON_MAX, "%s", GifErrorString(gif->Error));
            break;
        }
        uint8_t* p = image->pixels +
                     size_t(d.Top + row_at(i, d.Height, d.Interlace)) * image->stride +
                     size_t(d.Left) * 4;
        for (int x = 0; x < d.Width; ++x, p += 4) {
            const int k = line[x];
            if (k == transparent || k >= map->ColorCount) continue;
            p[0] = map->Colors[k].Red;
            p[1] = map->Colors[k].Green;
            p[2] = map->Colors[k].Blue;
            p[3] = 255;
        }
    }
    dru_free(line);
    job->image = image;
    return true;
}

// Extensions up to the first frame: only the graphics control block matters, for the
// transparent colour.
bool first_frame(GifFileType* gif, ImageDecode* job) {
    if (image_too_large(gif->SWidth, gif->SHeight)) return fail(job, "image too large");
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return fail(job, GifErrorString(gif->Error));
        if (type == IMAGE_DESC_RECORD_TYPE) return draw_frame(gif, job, transparent);
        if (type == TERMINATE_RECORD_TYPE) return fail(job, "no frame");
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return fail(job, GifErrorString(gif->Error));
        GraphicsControlBlock gcb{};
        if (code == GRAPHICS_EXT_FUNC_CODE && block &&
            DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
        while (block)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return fail(job, GifErrorString(gif->Error));
    }
}

}  // namespace

bool image_decode_gif(ImageDecode* job) {
    GifSource source{job, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&source, read_bytes, &error);
    if (!gif) return fail(job, GifErrorString(error));
    const bool ok = first_frame(gif, job);
    DGifCloseFile(gif, &error);
    return ok;
}
