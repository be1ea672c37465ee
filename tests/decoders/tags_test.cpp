#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/playlist.h"
#include "byte_builder.h"
#include "decoders/metadata.h"
#include "decoders/metadata_text.h"
#include "decoders/ogg_sniff.h"
#include "decoders/replaygain.h"
#include "decoders/track.h"
#include "tests/lib/temp_dir.h"

namespace {

std::string tag_title(const Bytes& tag) {
    TrackMetadata* m = id3v2_read_tags(tag);
    std::string title = m->title ? m->title : "<none>";
    metadata_free(m);
    return title;
}

Bytes utf16(std::u16string_view s, bool little_endian, bool bom) {
    Bytes b;
    if (bom) little_endian ? put_str(b, "\xFF\xFE") : put_str(b, "\xFE\xFF");
    for (char16_t c : s) {
        if (little_endian)
            put_le16(b, c);
        else
            b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c));
    }
    return b;
}

struct TextCase {
    const char* name;
    uint8_t encoding;
    Bytes text;
    const char* expected;
};

TEST(Id3v2Text, EncodingsDecodeToUtf8) {
    const TextCase cases[] = {
        {"latin1", 0, str_bytes("Caf\xE9"), "Caf\xC3\xA9"},
        {"latin1 stops at zero", 0, str_bytes(std::string_view("ab\0cd", 5)), "ab"},
        {"utf16 FF FE little-endian", 1, utf16(u"Gr\u00fc\u20ac", true, true),
         "Gr\xC3\xBC\xE2\x82\xAC"},
        {"utf16 FE FF big-endian", 1, utf16(u"Gr\u00fc\u20ac", false, true),
         "Gr\xC3\xBC\xE2\x82\xAC"},
        {"utf16 stops at zero unit", 1, utf16(std::u16string_view(u"ab\0c", 4), true, true), "ab"},
        {"utf16 odd trailing byte", 1,
         [] {
             Bytes b = utf16(u"ab", true, true);
             b.push_back('c');
             return b;
         }(),
         "ab"},
        {"utf16 surrogates one by one", 1, utf16(u"\xD83D\xDE00", true, true),
         "\xED\xA0\xBD\xED\xB8\x80"},
        {"utf16be", 2, utf16(u"\u00e9t\u00e9", false, false), "\xC3\xA9t\xC3\xA9"},
        {"utf8", 3, str_bytes("\xE2\x99\xAB note"), "\xE2\x99\xAB note"},
        {"unknown encoding", 4, str_bytes("x"), "<none>"},
        {"encoding byte only", 7, {}, ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tag_title(id3_tag({id3_text_frame("TIT2", c.encoding, c.text)})), c.expected);
    }
    EXPECT_EQ(tag_title(id3_tag({id3_frame("TIT2", {})})), "");  // size 0
}

TEST(Id3v2Text, LongTextIsCutAfter1020Bytes) {
    struct Case {
        const char* name;
        uint8_t encoding;
        Bytes text;
        size_t length;
    } cases[] = {
        {"latin1 ascii", 0, Bytes(3000, 'a'), 1020},
        {"latin1 two-byte", 0, Bytes(3000, 0xE9), 1020},
        {"latin1 crossing", 0,
         [] {
             Bytes b{'a'};
             b.resize(3000, 0xE9);
             return b;
         }(),
         1021},
        {"utf8", 3, Bytes(3000, 'z'), 1020},
        {"utf16 three-byte", 1, utf16(std::u16string(3000, u'\u20ac'), true, true), 1020},
        {"utf16 crossing", 2,
         [] {
             Bytes b = utf16(u"a", false, false);
             put_bytes(b, utf16(std::u16string(3000, u'\u20ac'), false, false));
             return b;
         }(),
         1021},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tag_title(id3_tag({id3_text_frame("TIT2", c.encoding, c.text)})).size(),
                  c.length);
    }
}

TEST(Id3v2Tags, FramesMapToFieldsAndLaterFramesWin) {
    const Bytes tag = id3_tag(
        {id3_text_frame("TIT2", 0, str_bytes("first")),
         id3_text_frame("TALB", 0, str_bytes("Album")),
         id3_text_frame("TXXX", 0, str_bytes("skip")),
         id3_text_frame("TPE1", 3, str_bytes("Artist")), id3_text_frame("TPE2", 0, str_bytes("AA")),
         id3_text_frame("TRCK", 0, str_bytes("3/12")),
         id3_text_frame("TIT2", 0, str_bytes("second"))},
        3, 0, {}, 64);
    TrackMetadata* m = id3v2_read_tags(tag);
    EXPECT_STREQ(m->title, "second");
    EXPECT_STREQ(m->album, "Album");
    EXPECT_STREQ(m->artist, "Artist");
    EXPECT_STREQ(m->album_artist, "AA");
    EXPECT_STREQ(m->track, "3/12");
    metadata_free(m);
}

TEST(Id3v2Tags, HeaderChecks) {
    const Bytes good = id3_tag({id3_text_frame("TIT2", 0, str_bytes("ok"))});
    EXPECT_EQ(tag_title(good), "ok");
    struct Case {
        const char* name;
        size_t offset;
        uint8_t value;
    } broken[] = {{"magic", 0, 'i'},
                  {"version FF", 3, 0xFF},
                  {"revision FF", 4, 0xFF},
                  {"size bit 7", 7, 0x80}};
    for (const Case& c : broken) {
        SCOPED_TRACE(c.name);
        Bytes b = good;
        b[c.offset] = c.value;
        EXPECT_EQ(tag_title(b), "<none>");
        PictureData none{};
        EXPECT_FALSE(id3v2_find_picture(b, &none));
    }
    EXPECT_EQ(tag_title(Bytes(good.begin(), good.begin() + 9)), "<none>");
    // Padding (a zero id byte) ends the walk.
    Bytes padded = id3_tag({id3_text_frame("TALB", 0, str_bytes("a"))}, 3, 0, {}, 40);
    const Bytes hidden = id3_text_frame("TIT2", 0, str_bytes("after"));
    std::copy(hidden.begin(), hidden.end(), padded.end() - 20);
    EXPECT_EQ(tag_title(padded), "<none>");
}

TEST(Id3v2Tags, ExtendedHeaderIsSkipped) {
    Bytes ext;
    put_be32(ext, 6);  // plain 32-bit size, then 6 bytes
    ext.resize(10, 0);
    EXPECT_EQ(tag_title(id3_tag({id3_text_frame("TIT2", 0, str_bytes("after ext"))}, 3, 0x40, ext)),
              "after ext");
    // An extended-header size past the tag leaves no frames.
    Bytes huge;
    put_be32(huge, 0x7FFFFFF0u);
    EXPECT_EQ(tag_title(id3_tag({id3_text_frame("TIT2", 0, str_bytes("x"))}, 3, 0x40, huge)),
              "<none>");
}

TEST(Id3v2Tags, Version4FrameSizesAreSyncsafe) {
    // A 200-byte frame: its syncsafe size bytes 00 00 01 48 read as plain big-endian
    // would be 328 and swallow the next frame.
    const Bytes long_album(199, 'L');
    for (int version : {3, 4}) {
        SCOPED_TRACE(version);
        const Bytes tag = id3_tag({id3_text_frame("TALB", 0, long_album, version),
                                   id3_text_frame("TIT2", 0, str_bytes("Next"), version)},
                                  version);
        TrackMetadata* m = id3v2_read_tags(tag);
        EXPECT_STREQ(m->title, "Next");
        ASSERT_NE(m->album, nullptr);
        EXPECT_EQ(std::strlen(m->album), 199u);
        metadata_free(m);
    }
}

TEST(Id3v2Tags, FrameSizesPastTheTagStayInside) {
    Bytes tag = id3_tag({id3_text_frame("TIT2", 3, Bytes(40, 'q'))});
    tag[10 + 4] = 0x7F;  // frame size 0x7F000029: far beyond the tag
    const Bytes exact(tag.begin(), tag.end());
    EXPECT_EQ(tag_title(exact), std::string(40, 'q'));
    // A tag that claims more than the bytes present.
    const Bytes whole = id3_tag({id3_text_frame("TIT2", 0, Bytes(50, 'c'))});
    const Bytes cut(whole.begin(), whole.end() - 20);
    EXPECT_EQ(tag_title(cut), std::string(30, 'c'));
}

std::string picture(const Bytes& tag) {
    PictureData p{};
    if (!id3v2_find_picture(tag, &p)) return "";
    std::string bytes(reinterpret_cast<const char*>(p.data), p.size);
    picture_data_free(&p);
    return bytes;
}

TEST(Id3v2Picture, FrontCoverWinsElseTheLastPicture) {
    const Bytes desc = str_bytes(std::string_view("d\0", 2));
    const Bytes back = id3_frame("APIC", apic_body(0, 4, desc, "BACK"));
    const Bytes front = id3_frame("APIC", apic_body(0, 3, desc, "FRONT"));
    const Bytes other = id3_frame("APIC", apic_body(0, 0, desc, "OTHER"));
    const Bytes text = id3_text_frame("TIT2", 0, str_bytes("t"));
    EXPECT_EQ(picture(id3_tag({back, front, other})), "FRONT");
    EXPECT_EQ(picture(id3_tag({text, back})), "BACK");
    EXPECT_EQ(picture(id3_tag({back, other})), "OTHER");
    EXPECT_EQ(picture(id3_tag({text})), "");
    EXPECT_EQ(picture(id3_tag({})), "");
}

TEST(Id3v2Picture, DescriptionEncodings) {
    struct Case {
        const char* name;
        uint8_t encoding;
        Bytes description;
    } cases[] = {
        {"latin1", 0, str_bytes(std::string_view("Cover\0", 6))},
        {"utf8", 3, str_bytes(std::string_view("\xC3\xA9\0", 3))},
        {"utf16 with BOM, aligned zero pair", 1,
         [] {
             Bytes b = utf16(u"\u0100A", true, true);
             put_le16(b, 0);
             return b;
         }()},
        {"utf16 empty, no BOM", 1, Bytes{0, 0}},
        {"utf16be", 2,
         [] {
             Bytes b = utf16(u"A", false, false);
             put_le16(b, 0);
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(picture(id3_tag(
                      {id3_frame("APIC", apic_body(c.encoding, 3, c.description, "\x89PNGDATA"))})),
                  "\x89PNGDATA");
    }
    // v2.4: a picture frame over 127 bytes after which another APIC follows.
    const std::string big(300, 'B');
    EXPECT_EQ(picture(id3_tag({id3_frame("APIC", apic_body(0, 4, Bytes{0}, big), 4),
                               id3_frame("APIC", apic_body(0, 3, Bytes{0}, "F"), 4)},
                              4)),
              "F");
    // Truncated APIC bodies give nothing or what is there, never more.
    EXPECT_EQ(picture(id3_tag({id3_frame("APIC", str_bytes(std::string_view("\0image/png", 10)))})),
              "");
}

TEST(Id3v2Unsync, TextAndPicturesReadAsWritten) {
    // U+00FF and U+01FF put 0xFF bytes (one followed by a zero) into the UTF-16 text, as
    // does the byte-order mark; the picture starts like a JPEG.
    Bytes title{1};
    put_bytes(title, utf16(u"T\u00ff\u01ffle", true, true));
    Bytes artist{0};
    put_str(artist, "Art\xFFist");
    const std::string jpeg("\xFF\xD8\xFF\xE0JFIF\xFF", 9);
    const Bytes apic = apic_body(0, 3, Bytes{'d', 0}, jpeg);
    Bytes pic22{0};
    put_str(pic22, "JPG");
    pic22.push_back(3);
    put_str(pic22, std::string_view("d\0", 2));
    put_str(pic22, jpeg);
    struct Case {
        const char* name;
        Bytes tag;
    } cases[] = {
        {"v2.3 header flag",
         id3_unsync_tag(
             {id3_frame("TIT2", title), id3_frame("TPE1", artist), id3_frame("APIC", apic)}, 3)},
        {"v2.4 frames with data-length indicator",
         id3_tag({id3_frame24_unsync("TIT2", title), id3_frame24_unsync("TPE1", artist),
                  id3_frame24_unsync("APIC", apic)},
                 4)},
        {"v2.2 header flag", id3_unsync_tag({id3_frame22("TT2", title), id3_frame22("TP1", artist),
                                             id3_frame22("PIC", pic22)},
                                            2)},
        {"v2.2 plain",
         id3_tag({id3_frame22("TT2", title), id3_frame22("TP1", artist), id3_frame22("PIC", pic22)},
                 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackMetadata* m = id3v2_read_tags(c.tag);
        EXPECT_STREQ(m->title, "T\xC3\xBF\xC7\xBFle");
        EXPECT_STREQ(m->artist, "Art\xC3\xBFist");
        metadata_free(m);
        EXPECT_EQ(picture(c.tag), jpeg);
    }
    // A compressed v2.3 frame is skipped rather than shown as text.
    Bytes packed = id3_text_frame("TIT2", 0, str_bytes("zlib"));
    packed[9] = 0x80;
    EXPECT_EQ(tag_title(id3_tag({id3_text_frame("TIT2", 0, str_bytes("plain")), packed})), "plain");
}

Bytes id3v1(std::string_view title, std::string_view artist, std::string_view album,
            const Bytes& comment) {
    Bytes t = str_bytes("mpeg audio...TAG");
    for (std::string_view field : {title, artist, album}) {
        Bytes f = str_bytes(field);
        f.resize(30, 0);
        put_bytes(t, f);
    }
    put_str(t, "1999");
    put_bytes(t, comment);
    t.push_back(12);  // genre
    return t;
}

TEST(Id3v1, FillsTheMissingFields) {
    Bytes v11(28, 'c');
    v11.push_back(0);
    v11.push_back(7);
    const Bytes v10(30, 'c');
    const std::string thirty(30, 'a');  // a full field has no terminator
    struct Case {
        const char* name;
        Bytes file;
        const char *title, *artist, *album, *track;
    } cases[] = {
        {"v1.1, Latin-1 and padding", id3v1("Caf\xE9  ", "The Band", std::string(30, ' '), v11),
         "Caf\xC3\xA9", "The Band", nullptr, "7"},
        {"v1.0: the comment runs to its end", id3v1("T", thirty, "Al", v10), "T", thirty.c_str(),
         "Al", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrackMetadata* m = metadata_new();
        EXPECT_TRUE(id3v1_fill(m, c.file));
        EXPECT_STREQ(m->title, c.title);
        EXPECT_EQ(std::string(m->artist ? m->artist : "<none>"), c.artist);
        EXPECT_STREQ(m->album, c.album);
        EXPECT_STREQ(m->track, c.track);
        metadata_free(m);
    }
    // What the ID3v2 tag gave stays.
    TrackMetadata* m = metadata_new();
    m->title = text_copy_n("From v2", 7);
    EXPECT_TRUE(id3v1_fill(m, id3v1("From v1", "Artist v1", "", v11)));
    EXPECT_STREQ(m->title, "From v2");
    EXPECT_STREQ(m->artist, "Artist v1");
    metadata_free(m);
    m = metadata_new();
    const Bytes whole = id3v1("x", "y", "z", v11);
    EXPECT_FALSE(
        id3v1_fill(m, Bytes(whole.begin() + 1, whole.end() - 1)));       // no TAG 128 from the end
    EXPECT_FALSE(id3v1_fill(m, Bytes(whole.end() - 127, whole.end())));  // too short
    EXPECT_EQ(m->title, nullptr);
    metadata_free(m);
}

TEST(OggSniff, FirstPacketNamesTheCodec) {
    Bytes not_first = ogg_page(str_bytes("OpusHead"), 0);
    Bytes version1 = ogg_page(str_bytes("OpusHead"));
    version1[4] = 1;
    Bytes cut = ogg_page(str_bytes("OpusHead"));
    cut[26] = 200;  // a segment table longer than the bytes
    const Bytes opus = ogg_page(str_bytes("OpusHead"));
    Bytes spread = ogg_page(str_bytes("\x01vorbis"));
    spread[27] = 3;  // the first packet ends after three bytes
    struct Case {
        const char* name;
        Bytes bytes;
        OggContent content;
    } cases[] = {
        {"flac",
         ogg_page(str_bytes("\x7F"
                            "FLAC\x01")),
         OGG_FLAC},
        {"vorbis", ogg_page(str_bytes("\x01vorbis")), OGG_VORBIS},
        {"opus", opus, OGG_OPUS},
        {"speex", ogg_page(str_bytes("Speex   ")), OGG_UNKNOWN},
        {"not the first page", not_first, OGG_UNKNOWN},
        {"version 1", version1, OGG_UNKNOWN},
        {"segment table cut", cut, OGG_UNKNOWN},
        {"packet shorter than the magic", spread, OGG_UNKNOWN},
        {"magic cut by the end", Bytes(opus.begin(), opus.end() - 1), OGG_UNKNOWN},
        {"capture pattern only", str_bytes("OggS"), OGG_UNKNOWN},
        {"riff", str_bytes("RIFF\0\0\0\0WAVEfmt OpusHeadOpusHead"), OGG_UNKNOWN},
    };
    for (const Case& c : cases) EXPECT_EQ(ogg_sniff(c.bytes), c.content) << c.name;
}

std::string base64(const Bytes& in) {
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        const uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < in.size() ? in[i + 1] << 8 : 0) |
                           (i + 2 < in.size() ? in[i + 2] : 0);
        for (size_t k = 0; k < 4; ++k)
            out += k <= in.size() - i ? abc[(v >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A FLAC picture block; data_length defaults to the data's.
Bytes picture_block(uint32_t type, std::string_view data, int64_t data_length = -1) {
    Bytes b;
    put_be32(b, type);
    put_be32(b, 9);
    put_str(b, "image/png");
    put_be32(b, 4);
    put_str(b, "desc");
    for (int i = 0; i < 4; ++i) put_be32(b, 1);
    put_be32(b, data_length < 0 ? uint32_t(data.size()) : uint32_t(data_length));
    put_str(b, data);
    return b;
}

TEST(VorbisComments, Base64PicturesFrontCoverLastWins) {
    const std::string front_a = "METADATA_BLOCK_PICTURE=" + base64(picture_block(3, "AAAA"));
    const std::string front_b =
        "metadata_block_picture=" + base64(picture_block(3, std::string_view("B\xFF\x00X", 4)));
    const std::string back = "METADATA_BLOCK_PICTURE=" + base64(picture_block(4, "BACK"));
    const std::string cut = "METADATA_BLOCK_PICTURE=" + base64(picture_block(3, "CUT", 1000));
    std::string broken = front_a;
    broken[40] = '*';  // decoding stops there, inside the block
    struct Case {
        const char* name;
        std::vector<std::string> comments;
        std::string expected;  // empty: none
    } cases[] = {
        {"front", {"TITLE=x", front_a}, "AAAA"},
        {"later front wins, name in any case", {front_a, front_b}, std::string("B\xFF\x00X", 4)},
        {"back only", {back}, ""},
        {"front then back", {front_a, back}, "AAAA"},
        {"data length past the block", {cut}, ""},
        {"bad base64", {broken}, ""},
        {"key only", {"METADATA_BLOCK_PICTURE="}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<char*> texts;
        std::vector<int> lengths;
        for (const std::string& t : c.comments) {
            texts.push_back(const_cast<char*>(t.data()));
            lengths.push_back(int(t.size()));
        }
        PictureData pic{};
        TrackMetadata* m = metadata_new();
        vorbis_comment_list_apply(m, &pic, texts.data(), lengths.data(), int(texts.size()));
        metadata_free(m);
        if (!c.expected.empty()) {
            ASSERT_NE(pic.data, nullptr);
            EXPECT_EQ(std::string(reinterpret_cast<char*>(pic.data), pic.size), c.expected);
        } else {
            EXPECT_EQ(pic.data, nullptr);
        }
        picture_data_free(&pic);
    }
    uint8_t out[8];
    EXPECT_EQ(base64_decode(str_bytes("TWFu"), out), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 3), "Man");
    EXPECT_EQ(base64_decode(str_bytes("TQ=="), out), 1u);
    EXPECT_EQ(out[0], 'M');
}

TEST(VorbisComments, FirstMatchWinsWithoutRegardToCase) {
    TrackMetadata* m = metadata_new();
    for (const char* c : {"title=Foo", "TITLE=Bar", "Artist=A", "ALBUMARTIST=AA", "album=B",
                          "ALBUM=C", "TrackNumber=3/12", "TITLES=no", "GENRE=x", "ARTIST"}) {
        vorbis_comment_apply(m, reinterpret_cast<const uint8_t*>(c), uint32_t(std::strlen(c)));
    }
    EXPECT_STREQ(m->title, "Foo");
    EXPECT_STREQ(m->artist, "A");
    EXPECT_STREQ(m->album_artist, "AA");
    EXPECT_STREQ(m->album, "B");
    EXPECT_STREQ(m->track, "3/12");
    metadata_free(m);
}

TEST(VorbisComments, LongCommentsAreCutAt511Bytes) {
    TrackMetadata* m = metadata_new();
    const std::string c = "ARTIST=" + std::string(800, 'a');
    vorbis_comment_apply(m, reinterpret_cast<const uint8_t*>(c.data()), uint32_t(c.size()));
    EXPECT_EQ(std::strlen(m->artist), 511u - 7u);
    metadata_free(m);
}

TEST(VorbisComments, RawBlockLengthsAreChecked) {
    Bytes block;
    put_le32(block, 3);
    put_str(block, "ven");
    put_le32(block, 3);  // claims three comments
    put_le32(block, 7);
    put_str(block, "TITLE=T");
    put_le32(block, 9);
    put_str(block, "ARTIST=Ar");
    put_le32(block, 1000);  // runs past the block
    put_str(block, "ALBUM=X");
    TrackMetadata* m = metadata_new();
    vorbis_comments_read_block(m, block);
    EXPECT_STREQ(m->title, "T");
    EXPECT_STREQ(m->artist, "Ar");
    EXPECT_EQ(m->album, nullptr);
    metadata_free(m);

    Bytes vendor_too_long;
    put_le32(vendor_too_long, 0xFFFFFFFFu);
    m = metadata_new();
    vorbis_comments_read_block(m, vendor_too_long);
    EXPECT_EQ(m->title, nullptr);
    metadata_free(m);
}

// ReplayGain values as taggers write them, and what is ignored (NAN) rather than applied.
TEST(ReplayGainTags, ValuesReadOrIgnored) {
    const struct {
        const char* comment;
        ReplayGainField field;
        double want;
    } cases[] = {
        {"replaygain_track_gain= -1,5 db ", RG_TRACK_GAIN, -1.5},
        {"REPLAYGAIN_ALBUM_PEAK=0.988553", RG_ALBUM_PEAK, 0.988553},
        {"R128_ALBUM_GAIN=+384", RG_R128_ALBUM, 1.5},
        {"REPLAYGAIN_TRACK_GAIN=-6 dB louder", RG_TRACK_GAIN, NAN},
        {"REPLAYGAIN_TRACK_GAIN=-", RG_TRACK_GAIN, NAN},
        {"REPLAYGAIN_TRACK_GAIN=0x10", RG_TRACK_GAIN, NAN},
        {"REPLAYGAIN_TRACK_GAIN=inf", RG_TRACK_GAIN, NAN},
        {"REPLAYGAIN_TRACK_GAIN=0000000000000000000000000000000001", RG_TRACK_GAIN, NAN},
        {"REPLAYGAIN_TRACK_PEAK=0", RG_TRACK_PEAK, NAN},
        {"REPLAYGAIN_TRACK_PEAK=1 dB", RG_TRACK_PEAK, NAN},
        {"R128_TRACK_GAIN=1.5", RG_R128_TRACK, NAN},
        {"R128_TRACK_GAIN=40000", RG_R128_TRACK, NAN},
    };
    for (const auto& c : cases) {
        TrackMetadata* m = metadata_new();
        vorbis_comment_apply(m, reinterpret_cast<const uint8_t*>(c.comment),
                             uint32_t(std::strlen(c.comment)));
        EXPECT_EQ(m->gain.present, std::isnan(c.want) ? 0u : 1u << c.field) << c.comment;
        if (!std::isnan(c.want)) {
            EXPECT_DOUBLE_EQ(m->gain.value[c.field], c.want) << c.comment;
        }
        metadata_free(m);
    }
}

TEST(DisplayStrings, TagsOrUnknownFallbacks) {
    AudioFormat format{44100, SAMPLE_F32, 2};
    TrackMetadata empty{};
    char title[] = "T", artist[] = "A", track_no[] = "07/12";
    TrackMetadata some{title, nullptr, artist, nullptr, track_no, {}};
    Track track{};
    track.format = &format;
    track.total_frames = 44100 * 3 + 22050;

    track.metadata = &empty;
    PlaylistEntry d{};
    display_strings_fill(&d, &track);
    EXPECT_EQ(d.loaded, 1);
    EXPECT_STREQ(d.title, "unknown title");
    EXPECT_STREQ(d.album, "unknown album");
    EXPECT_STREQ(d.artist, "unknown artist");
    EXPECT_STREQ(d.album_artist, "unknown album_artist");
    EXPECT_STREQ(d.track, "unknown track");
    EXPECT_EQ(d.track_number, 0);
    EXPECT_STREQ(d.format_text, "44100Hz/2ch");
    EXPECT_EQ(d.duration_ms, 3500);
    display_strings_free(&d);
    EXPECT_EQ(d.title, nullptr);
    EXPECT_EQ(d.loaded, 0);

    track.metadata = &some;
    format = {96000, SAMPLE_F32, 1};
    track.total_frames = 1000;
    display_strings_fill(&d, &track);
    EXPECT_STREQ(d.title, "T");
    EXPECT_STREQ(d.artist, "A");
    EXPECT_STREQ(d.album, "unknown album");
    EXPECT_STREQ(d.track, "07/12");
    EXPECT_EQ(d.track_number, 7);
    EXPECT_STREQ(d.format_text, "96000Hz/1ch");
    EXPECT_EQ(d.duration_ms, 10);  // 10.41 ms truncated
    display_strings_free(&d);
}

TEST(TrackOpen, ExtensionChoosesTheDecoder) {
    struct Case {
        const char* path;
        TrackKind kind;
    } cases[] = {
        {"a.Mp3", TRACK_MP3},         {"dir/b.FLAC", TRACK_FLAC},   {"c.wav", TRACK_WAV},
        {"d.OGG", TRACK_VORBIS},      {"e.oga", TRACK_VORBIS},      {"f.Opus", TRACK_OPUS},
        {"g.ogg.txt", TRACK_UNKNOWN}, {"opus", TRACK_UNKNOWN},      {".mp3", TRACK_MP3},
        {"mp3", TRACK_UNKNOWN},       {"x.mp3.txt", TRACK_UNKNOWN}, {"amp3", TRACK_UNKNOWN},
        {"a.flac.", TRACK_UNKNOWN},   {"wav", TRACK_UNKNOWN},       {"", TRACK_UNKNOWN},
    };
    for (const Case& c : cases) EXPECT_EQ(track_kind_from_path(c.path), c.kind) << c.path;
}

TEST(TrackOpen, FailuresNameTheCause) {
    struct Case {
        const char* name;
        Bytes content;
        const char* error;
    } cases[] = {
        {"notes.aac", str_bytes("OggS"), "format not implemented"},
        {"notes.ogg", str_bytes("OggS"), "loading file failed"},
        {"speex.oga", ogg_page({'S', 'p', 'e', 'e', 'x', ' ', ' ', ' '}), "loading file failed"},
        {"vorbis.ogg", ogg_page(str_bytes("\x01vorbis")), "loading file failed"},
        {"head.opus", ogg_page(str_bytes("OpusHead")), "loading file failed"},
        {"garbage.wav", str_bytes("RIFF....WAVEjunk"), "loading file failed"},
        {"garbage.mp3", Bytes(5000, 0x11), "loading file failed"},
        {"garbage.flac", str_bytes("fLaC but not really"), "loading file failed"},
        {"empty.mp3", {}, "loading file failed"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(c.name, chars(c.content));
        const char* error = nullptr;
        testing::internal::CaptureStderr();
        EXPECT_EQ(track_try_open(path.c_str(), &error), nullptr);
        testing::internal::GetCapturedStderr();
        EXPECT_STREQ(error, c.error);
        std::remove(path.c_str());
    }
    const char* error = nullptr;
    EXPECT_EQ(track_try_open("/nonexistent/dir/x.flac", &error), nullptr);
    EXPECT_STREQ(error, "loading file failed");
    EXPECT_EQ(track_try_open("/nonexistent/dir/x.wav", &error), nullptr);
    EXPECT_EQ(track_try_open("/nonexistent/dir/x.mp3", &error), nullptr);
}

TEST(TrackOpenDeathTest, FatalMessagesAndStatus) {
    EXPECT_EXIT((void)track_open("song.aac"), testing::ExitedWithCode(1),
                "^ERROR: format not implemented\n$");
    EXPECT_EXIT((void)track_open("/nonexistent/song.mp3"), testing::ExitedWithCode(1),
                "^ERROR: loading file failed\n$");
}

}  // namespace
