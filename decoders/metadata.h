// Track metadata: text tags, display strings of a playlist entry, album art.
//
// Tags
//   metadata_new()                      empty record (all five strings null, no gain).
//   metadata_free(m)                    frees the strings and the record; null accepted.
//   id3v2_read_tags(bytes)              TIT2/TALB/TPE1/TPE2/TRCK of an ID3v2 tag at the start
//                                       of bytes; always a record, empty when no valid tag.
//                                       Unsynchronisation is undone (the whole tag up to
//                                       v2.3, flagged frames in v2.4, which may also carry
//                                       a data-length indicator); v2.2 reads TT2, TAL, TP1,
//                                       TP2 and TRK; compressed or encrypted frames are
//                                       skipped. TXXX (v2.2: TXX) frames whose description
//                                       names a ReplayGain field fill m->gain.
//   id3v2_find_picture(bytes, &pic)     the APIC (v2.2: PIC) picture bytes, front cover
//                                       else the last one, copied into *pic; false when none.
//   id3v1_fill(m, file)                 the ID3v1/v1.1 tag in the last 128 bytes of file
//                                       fills the fields of m that are still null (title,
//                                       artist, album, v1.1 track number): Latin-1 to UTF-8,
//                                       cut at a zero, trailing spaces dropped, empty fields
//                                       left null. False when there is no such tag.
//   vorbis_comment_apply(m, text, len)  one "NAME=value" comment; first match per field wins,
//                                       names compared without regard to case. ReplayGain
//                                       and R128 comments go to m->gain (replaygain.h).
//   vorbis_comments_read_block(m, blk)  a raw VORBIS_COMMENT block body (vendor string,
//                                       count, comments; all little-endian lengths).
//   base64_decode(text, out)            decodes text up to the first byte outside the
//                                       base64 alphabet (padding included) into out, which
//                                       holds text.size() / 4 * 3 + 3 bytes; returns the
//                                       byte count.
//   flac_picture_block_parse(b, &t, &d) a FLAC picture block (type, MIME, description,
//                                       sizes, data; big-endian lengths): its type and a
//                                       view of its data inside b; false when cut short.
//   vorbis_comment_picture(pic, text, len)  a "METADATA_BLOCK_PICTURE=" comment (name in
//                                       any case): a front cover replaces *pic, other
//                                       types and broken blocks are ignored.
//   vorbis_comment_list_apply(m, pic, c, len, n)  every comment of an Ogg stream's list
//                                       into m (if m) and pic (if pic).
//   flac_read_embedded(path, m, pic)    opens a FLAC file (native or Ogg) for its metadata
//                                       only: comments into m (if m), front-cover bytes into
//                                       *pic (if pic; the last front cover wins). False when
//                                       the file is no FLAC stream.
//
// Display strings
//   display_strings_fill(entry, track)  a playlist entry's copies of the tags or "unknown
//                                       title", ...; format text "%dHz/%dch"; duration;
//                                       leading track number; marks the entry loaded and
//                                       playable. Strings it already had are freed first.
//   display_strings_free(entry)         frees those strings (not the path), clears them.
//   display_strings_fill_unplayable(entry)  for an entry whose file cannot be opened: the
//                                       file name without folder and extension as title,
//                                       "unknown ..." for the rest, empty format text, no
//                                       duration; marks it loaded and unplayable. Strings
//                                       it already had are freed first.
//
// Album art (returns null when there is none; the caller supplies its placeholder)
//   album_art_external_path(track_path) "dir/name" of the first ExternalCoverNames entry
//                                       beside the track that opens for reading, or null.
//   album_art_find_data(path, track, &pic)  embedded picture bytes through the picture
//                                       function of the track's decoder (of the path's when
//                                       track is null); false when none. Free with
//                                       picture_data_free.
//   album_art_load(path, track, &cover, wanted)  external cover first, then the embedded
//                                       picture, decoded to an Image (no smaller than
//                                       wanted, see image_load_file); null when nothing
//                                       found. With cover given, *cover is the cover
//                                       file's path when that was used (dru_free it), else
//                                       null. The last cover file decoded is kept and
//                                       copied while its path, size, time and wanted stay.
//   album_art_forget()                  drops that kept cover.
//   album_art_start(path, track, wanted)  album_art_load in parts: the same search, but a
//                                       cover file of 256 KB or more that is not the kept
//                                       one starts an ImageJob (imaging/image_job.h)
//                                       instead: art.job pending, art.image null. Anything
//                                       else (the kept cover, a small file, an embedded
//                                       picture) is decoded here: art.image, or null when
//                                       nothing was found. art.cover_path as *cover above.
//   album_art_finish(&art)              steps a pending job to its end (none left after
//                                       one that image_job_step finished), moves its
//                                       picture into art.image and keeps it as the last
//                                       cover when it decoded. Nothing without a job.
//   album_art_drop(&art)                frees the job, image and path; art becomes empty.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "decoders/replaygain.h"
#include "imaging/image.h"

struct Track;

struct TrackMetadata {
    char* title;
    char* album;
    char* artist;
    char* album_artist;
    char* track;
    ReplayGainTags gain;
};

[[nodiscard]] TrackMetadata* metadata_new();
void metadata_free(TrackMetadata* metadata);

[[nodiscard]] TrackMetadata* id3v2_read_tags(std::span<const uint8_t> bytes);

void vorbis_comment_apply(TrackMetadata* metadata, const uint8_t* text, uint32_t length);
void vorbis_comments_read_block(TrackMetadata* metadata, std::span<const uint8_t> block);

// Owned picture bytes; data is null when empty.
struct PictureData {
    uint8_t* data;
    size_t size;
};
void picture_data_free(PictureData* picture);
// Copies bytes into *picture; false (and nothing allocated) when bytes is empty.
bool picture_data_copy(std::span<const uint8_t> bytes, PictureData* picture);

bool id3v2_find_picture(std::span<const uint8_t> bytes, PictureData* picture);
bool id3v1_fill(TrackMetadata* metadata, std::span<const uint8_t> file);

// Vorbis-comment pictures (see the header comment).
size_t base64_decode(std::span<const uint8_t> text, uint8_t* out);
bool flac_picture_block_parse(std::span<const uint8_t> block, uint32_t* type,
                              std::span<const uint8_t>* data);
void vorbis_comment_picture(PictureData* picture, const uint8_t* text, size_t length);
void vorbis_comment_list_apply(TrackMetadata* metadata, PictureData* picture, char* const* comments,
                               const int* lengths, int count);

bool flac_read_embedded(const char* path, TrackMetadata* metadata, PictureData* picture);

struct PlaylistEntry;
void display_strings_fill(PlaylistEntry* entry, const Track* track);
void display_strings_free(PlaylistEntry* entry);
void display_strings_fill_unplayable(PlaylistEntry* entry);

inline constexpr const char* ExternalCoverNames[] = {
    "cover.jpg",  "cover.png",  "Cover.jpg", "Cover.png", "folder.jpg", "folder.png",
    "Folder.jpg", "Folder.png", "front.jpg", "front.png", "Front.jpg",  "Front.png",
};

[[nodiscard]] char* album_art_external_path(const char* track_path);
bool album_art_find_data(const char* path, const Track* track, PictureData* picture);
void album_art_forget();
struct ImageJob;
struct AlbumArt {
    Image* image;
    char* cover_path;
    ImageJob* job;
    ImageWanted wanted;
    int64_t cover_size, cover_mtime_ns;  // the cover file's when it was found
};
[[nodiscard]] AlbumArt album_art_start(const char* path, const Track* track, ImageWanted wanted);
void album_art_finish(AlbumArt* art);
void album_art_drop(AlbumArt* art);
[[nodiscard]] Image* album_art_load(const char* path, const Track* track,
                                    char** cover_path = nullptr, ImageWanted wanted = {});
