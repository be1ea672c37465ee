#!/usr/bin/env python3
"""Writes a corpus of malformed media, fonts, UI descriptions, playlists and URI lists.

    make_corpus.py OUT

Each case gets its own directory OUT/<name>/ (so the player's directory scan sees only
that case) and one line in OUT/cases.tsv:

    name <TAB> how <TAB> statuses <TAB> pattern <TAB> arg...

how:      "run" (the player runs until it ends by itself), "quit" (the player is sent Q
          once it has loaded a file) or "uri" (the URI-list parser reads OUT/<name>/list
          and must print exactly OUT/<name>/want).
statuses: accepted exit statuses, "|"-separated.
pattern:  extended regular expression a line of the output must match ("-": none).
args:     command-line arguments; "@" stands for the case directory, "~" for the
          configuration directory.
"""
import os
import base64
import random
import shutil
import struct
import subprocess
import sys
import zlib

OUT = sys.argv[1]
rng = random.Random(9)
cases = []

LOAD_FAILED = r"^ERROR: loading file failed$"
NOT_IMPLEMENTED = r"^ERROR: format not implemented$"
NO_WINDOW = r"^ERROR: no window ui elem$"
BAD_FONT = r"FATAL ERROR: error opening font: loading font failed$"
IMG_FILE = r"WARNING: loading image from file failed: "
IMG_MEM = r"WARNING: loading image from memory failed: "
TOO_LARGE = r"WARNING: loading image from (file|memory) failed: image too large$"
# A picture damaged past its header: shown as far as it decodes, or refused.
DAMAGED = r"WARNING: loading image from (file|memory)( failed)?: "
PLAYED = r"^loading file "
# Some inputs are judged by the decoding library: it may find something to play in
# them or refuse them; both are fine as long as nothing else happens.
PLAY_OR_FAIL = r"^(loading file |ERROR: loading file failed$)"


def case(name, how, statuses, pattern, args, files):
    d = os.path.join(OUT, name)
    os.makedirs(d, exist_ok=True)
    for fname, data in files.items():
        os.makedirs(os.path.dirname(os.path.join(d, fname)), exist_ok=True)
        with open(os.path.join(d, fname), "wb") as f:
            f.write(data)
    cases.append("\t".join([name, how, statuses, pattern] + args))


def track(name, fname, data, statuses, pattern, extra=None):
    files = {fname: data}
    files.update(extra or {})
    case(name, "run", statuses, pattern, ["@/" + fname], files)


# ---- building blocks ---------------------------------------------------------------

def chunk(cid, body, declared=None):
    size = len(body) if declared is None else declared
    return cid + struct.pack("<I", size) + body + (b"\0" if len(body) % 2 else b"")


def fmt(tag=1, ch=2, rate=44100, bits=16):
    return struct.pack("<HHIIHH", tag, ch, rate, (rate * ch * bits // 8) & 0xFFFFFFFF,
                       (ch * bits // 8) & 0xFFFF, bits)


def wave(*chunks, riff=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if riff is None else riff) + body


PCM = bytes(rng.randrange(256) for _ in range(4 * 4410))  # 0.1 s of 16-bit stereo noise
GOOD_WAV = wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM))


def syncsafe(v):
    return bytes([(v >> 21) & 0x7F, (v >> 14) & 0x7F, (v >> 7) & 0x7F, v & 0x7F])


def id3_frame(fid, body, size=None, version=3):
    n = len(body) if size is None else size
    raw = syncsafe(n) if version >= 4 and size is None else struct.pack(">I", n & 0xFFFFFFFF)
    return fid + raw + b"\0\0" + body


def id3_tag(frames, version=3, flags=0, ext=b"", size=None):
    content = ext + b"".join(frames)
    raw = syncsafe(len(content)) if size is None else size
    return b"ID3" + bytes([version, 0, flags]) + raw + content


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(w, h, rows=None):
    """An 8-bit RGBA PNG; rows defaults to all-zero pixel rows (compresses to almost nothing)."""
    if rows is None:
        raw = zlib.compress(b"".join(b"\0" + bytes(4 * w) for _ in range(h)), 9)
    else:
        raw = zlib.compress(rows, 9)
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", raw) + png_chunk(b"IEND", b"")


def png_header_only(w, h):
    """Only the signature and a header claiming w x h: a decompression bomb's first bytes."""
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", zlib.compress(bytes(4096)))


def png_inflating_bomb(w, h, megabytes):
    """A real zlib stream of `megabytes` of zero rows for a w x h header."""
    z = zlib.compressobj(9)
    row = b"\0" + bytes(4 * w)
    out = []
    total = 0
    while total < megabytes << 20:
        out.append(z.compress(row * 64))
        total += len(row) * 64
    out.append(z.flush())
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr) + png_chunk(b"IDAT", b"".join(out)) +
            png_chunk(b"IEND", b""))


def gif_header(w, h):
    return b"GIF89a" + struct.pack("<HHBBB", w, h, 0, 0, 0) + b",\0\0\0\0" + struct.pack("<HH", w, h) + \
        b"\0\x02\x02\x4c\x01\0;"


def bmp_header(w, h):
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 32, 0, 0, 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + 16, 0, 0, 14 + len(info)) + info + bytes(16)


def jpeg_sof(w, h):
    """SOI, a baseline frame header claiming w x h, a scan header and no scan."""
    sof = struct.pack(">BHHB", 8, h, w, 3) + b"\x01\x11\x00\x02\x11\x00\x03\x11\x00"
    sos = b"\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00"
    return (b"\xff\xd8" + b"\xff\xc0" + struct.pack(">H", len(sof) + 2) + sof + b"\xff\xda" +
            struct.pack(">H", len(sos) + 2) + sos + b"\xff\xd9")


SMALL_PNG = png(4, 4)
# Fill bytes before the start marker, then a Huffman table declaring more than 256 codes.
JPEG_DHT_OVERRUN = base64.b64decode("////2P/ExP8A//////////////////////////////////////////////////////////8=")


def tool(args, src_bytes, src_name, out_name):
    """Runs an encoder in a scratch directory and returns the file it wrote."""
    scratch = os.path.join(OUT, ".scratch")
    os.makedirs(scratch, exist_ok=True)
    with open(os.path.join(scratch, src_name), "wb") as f:
        f.write(src_bytes)
    subprocess.run(args, cwd=scratch, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(scratch, out_name), "rb") as f:
        return f.read()


GOOD_FLAC = tool(["flac", "--silent", "-f", "-o", "a.flac", "a.wav"], GOOD_WAV, "a.wav", "a.flac")
GOOD_MP3 = tool(["lame", "--quiet", "-b", "128", "a.wav", "a.mp3"], GOOD_WAV, "a.wav", "a.mp3")
GOOD_OGG = tool(["oggenc", "-Q", "-o", "a.ogg", "a.wav"], GOOD_WAV, "a.wav", "a.ogg")
GOOD_OPUS = tool(["opusenc", "--quiet", "a.wav", "a.opus"], GOOD_WAV, "a.wav", "a.opus")

# ---- WAV ---------------------------------------------------------------------------

track("wav_empty", "a.wav", b"", "1", LOAD_FAILED)
track("wav_riff_only", "a.wav", b"RIFF", "1", LOAD_FAILED)
track("wav_header_only", "a.wav", wave(), "1", LOAD_FAILED)
track("wav_riff_size_11", "a.wav", wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM), riff=11), "1", LOAD_FAILED)
track("wav_cut_in_fmt", "a.wav", GOOD_WAV[:12 + 8 + 7], "1", LOAD_FAILED)
track("wav_cut_in_data_header", "a.wav", GOOD_WAV[:12 + 24 + 6], "1", LOAD_FAILED)
track("wav_cut_in_data", "a.wav", GOOD_WAV[:12 + 24 + 8 + 1001], "0", PLAYED)
track("wav_data_size_ffffffff", "a.wav", wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM, 0xFFFFFFFF)), "0", PLAYED)
track("wav_fmt_size_ffffffff", "a.wav", wave(chunk(b"fmt ", fmt(), 0xFFFFFFFF), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_chunk_past_end", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"junk", b"x" * 8, 0x7FFFFFF0), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_chunk_size_wraps", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"junk", b"", 0xFFFFFFF8), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_list_size_ffffffff", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM), chunk(b"LIST", b"INFO" + chunk(b"INAM", b"n\0"), 0xFFFFFFFF)),
      "0", PLAYED)
track("wav_info_sub_past_end", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM), b"LIST" + struct.pack("<I", 64) + b"INFO" + b"INAM" +
           struct.pack("<I", 0xFFFFFFFE) + b"Title without end"), "0", PLAYED)
track("wav_info_text_4000", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"LIST", b"INFO" + chunk(b"INAM", b"T" * 4000) + chunk(b"IART", b"\xff" * 999)),
           chunk(b"data", PCM)), "0", PLAYED)
track("wav_zero_channels", "a.wav", wave(chunk(b"fmt ", fmt(ch=0)), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_zero_rate", "a.wav", wave(chunk(b"fmt ", fmt(rate=0)), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_8_bit", "a.wav", wave(chunk(b"fmt ", fmt(bits=8)), chunk(b"data", PCM)), "0", PLAYED)
track("wav_8_bit_mono_odd", "a.wav", wave(chunk(b"fmt ", fmt(bits=8, ch=1)), chunk(b"data", PCM[:999])), "0", PLAYED)
track("wav_8_bit_float_tag", "a.wav", wave(chunk(b"fmt ", fmt(tag=3, bits=8)), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_zero_data", "a.wav", wave(chunk(b"fmt ", fmt()), chunk(b"data", b"")), "1", LOAD_FAILED)
track("wav_part_frame", "a.wav", wave(chunk(b"fmt ", fmt()), chunk(b"data", b"\x01\x02\x03")), "0", PLAYED)
track("wav_part_frame_24bit", "a.wav", wave(chunk(b"fmt ", fmt(bits=24, ch=2)), chunk(b"data", PCM[:1001])),
      "0", PLAYED)
track("wav_float_nan", "a.wav", wave(chunk(b"fmt ", fmt(tag=3, bits=32)), chunk(b"data", b"\xff\xff\xff\x7f" * 2000 +
                                                                              b"\0\0\x80\x7f" * 2000)), "0", PLAYED)
track("wav_extensible_cut", "a.wav", wave(chunk(b"fmt ", fmt(tag=0xFFFE) + b"\x16\0", 40), chunk(b"data", PCM)),
      "1", LOAD_FAILED)
track("wav_many_chunks", "a.wav", wave(chunk(b"fmt ", fmt()), *([chunk(b"junk", b"")] * 5000), chunk(b"data", PCM)),
      "0", PLAYED)
track("wav_65535_channels", "a.wav", wave(chunk(b"fmt ", fmt(ch=65535)), chunk(b"data", PCM)), "1", LOAD_FAILED)
track("wav_64_channels", "a.wav", wave(chunk(b"fmt ", fmt(ch=64)), chunk(b"data", PCM)),
      "0|1", r"^loading file |FATAL ERROR: create audio sink failed")
track("wav_rate_1", "a.wav", wave(chunk(b"fmt ", fmt(rate=1)), chunk(b"data", PCM[:64])),
      "0|1", r"^loading file |FATAL ERROR: create audio sink failed")
track("wav_rate_ffffffff", "a.wav", wave(chunk(b"fmt ", fmt(rate=0xFFFFFFFF)), chunk(b"data", PCM)),
      "0|1", r"^loading file |FATAL ERROR: create audio sink failed")
track("wav_rate_power_of_two_huge", "a.wav", wave(chunk(b"fmt ", fmt(rate=44100 * 4096)), chunk(b"data", PCM)),
      "0|1", r"^loading file |FATAL ERROR: create audio sink failed")
bad_tag = id3_tag([id3_frame(b"TIT2", b"\0Title", size=0x7FFFFFFF)])
track("wav_id3_chunk_frame_past_end", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM), chunk(b"id3 ", bad_tag)), "0", PLAYED)
track("wav_id3_chunk_size_past_end", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM)) + b"ID3 " + struct.pack("<I", 0xFFFFFF00) + bad_tag[:14],
      "0", PLAYED)
track("wav_id3_chunk_bomb_apic", "a.wav",
      wave(chunk(b"fmt ", fmt()), chunk(b"data", PCM),
           chunk(b"id3 ", id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + png_header_only(60000, 60000))]))),
      "0", IMG_MEM)

# ---- MP3 and ID3v2 -----------------------------------------------------------------

track("mp3_empty", "a.mp3", b"", "1", LOAD_FAILED)
track("mp3_cut_9", "a.mp3", GOOD_MP3[:9], "1", LOAD_FAILED)
track("mp3_cut_half", "a.mp3", GOOD_MP3[:len(GOOD_MP3) // 2], "0", PLAYED)
track("mp3_noise", "a.mp3", bytes(rng.randrange(256) for _ in range(20000)), "0|1", PLAY_OR_FAIL)
track("mp3_tag_only", "a.mp3", id3_tag([id3_frame(b"TIT2", b"\0Title")]), "1", LOAD_FAILED)


def mp3_with(tag_bytes, name, statuses="0", pattern=PLAYED):
    track(name, "a.mp3", tag_bytes + GOOD_MP3, statuses, pattern)


mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title")], size=syncsafe(0x0FFFFFFF)), "id3_size_past_end", "0|1",
         PLAY_OR_FAIL)
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title")], flags=0x40, ext=struct.pack(">I", 0xFFFFFFF0)),
         "id3_ext_header_past_end")
mp3_with(id3_tag([], flags=0x40, ext=b"\0\0"), "id3_ext_header_cut")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title", size=0xFFFFFFFF)]), "id3_frame_size_ffffffff")
mp3_with(id3_tag([id3_frame(b"TPE1", b"\0A"), id3_frame(b"TIT2", b"\0Title", size=0x7FFFFFF0)]),
         "id3_second_frame_past_end")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title")], size=b"\x80\x80\x80\x8a"), "id3_v23_size_high_bits", "0|1",
         PLAY_OR_FAIL)
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title", version=4)], version=4, size=b"\x00\x00\x81\x80"),
         "id3_v24_syncsafe_high_bit", "0|1", PLAY_OR_FAIL)
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title", size=0x80808080, version=4)], version=4),
         "id3_v24_frame_size_high_bits")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\0Title")], version=0xFF), "id3_version_ff", "0|1", PLAY_OR_FAIL)
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x01\xff\xfeT\0i\0t")]), "id3_utf16_odd_length")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x01\xff")]), "id3_utf16_bom_cut")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x02T")]), "id3_utf16be_one_byte")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x01\xfe\xff" + b"\xd8\x00" * 3000)]), "id3_utf16_lone_surrogates")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x07Title")]), "id3_unknown_encoding")
mp3_with(id3_tag([id3_frame(b"TIT2", b"\x00" + b"\xe9" * 3000), id3_frame(b"TALB", b"\x03" + b"\xf0" * 3000)]),
         "id3_text_3000")
mp3_with(id3_tag([id3_frame(b"TIT2", b"")] * 2000), "id3_2000_empty_frames")
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png")]), "apic_mime_no_terminator")
mp3_with(id3_tag([id3_frame(b"APIC", b"\x01image/png\0\x03\xff\xfed\0e\0s")]), "apic_utf16_no_terminator")
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03description without end")]), "apic_desc_no_terminator")
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + SMALL_PNG, size=0x7FFFFFFF)]), "apic_size_past_end")
mp3_with(id3_tag([id3_frame(b"APIC", b"\0text/plain\0\x03\0This is not an image at all.")]), "apic_not_image",
         "0", IMG_MEM)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + SMALL_PNG[:40])]), "apic_png_cut", "0", IMG_MEM)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + png_header_only(60000, 60000))]), "apic_png_bomb",
         "0", IMG_MEM)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + png_header_only(8192, 8192))]), "apic_png_256mb",
         "0", TOO_LARGE)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/gif\0\x03\0" + gif_header(65535, 65535))]), "apic_gif_bomb",
         "0", TOO_LARGE)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/jpeg\0\x03\0" + jpeg_sof(65500, 65500))]), "apic_jpeg_bomb",
         "0", TOO_LARGE)
mp3_with(id3_tag([id3_frame(b"APIC", b"\0image/jpeg\0\x03\0" + JPEG_DHT_OVERRUN)]), "apic_jpeg_dht_overrun",
         "0", IMG_MEM)

# ID3v2 unsynchronisation, v2.2 frames and ID3v1.


def unsync(b):
    return b.replace(b"\xff", b"\xff\0")


def unsync_tag(frames, version=3, size=None):
    plain = id3_tag(frames, version)
    content = unsync(plain[10:])
    return plain[:5] + b"\x80" + (syncsafe(len(content)) if size is None else size) + content


def frame22(fid, body, size=None):
    return fid + struct.pack(">I", len(body) if size is None else size)[1:] + body


def frame24(fid, body, flags, size=None):
    return fid + (syncsafe(len(body)) if size is None else size) + b"\0" + bytes([flags]) + body


def id3v1(title, artist=b"", album=b"", comment=b"\0" * 30):
    pad = lambda b: b[:30].ljust(30, b"\0")
    return b"TAG" + pad(title) + pad(artist) + pad(album) + b"1999" + comment + b"\x0c"


mp3_with(unsync_tag([id3_frame(b"TIT2", b"\x01\xff\xfeT\0i\0"), id3_frame(b"TPE1", b"\0\xff")]), "unsync_v23")
mp3_with(unsync_tag([id3_frame(b"TIT2", b"\0" + b"\xff" * 3000)]) + b"\xff", "unsync_all_ff")
mp3_with(unsync_tag([id3_frame(b"APIC", b"\0image/png\0\x03\0" + png_header_only(60000, 60000))]),
         "unsync_apic_png_bomb", "0", IMG_MEM)
mp3_with(unsync_tag([id3_frame(b"TIT2", b"\0T")], size=syncsafe(0x0FFFFFFF)), "unsync_size_past_end", "0|1",
         PLAY_OR_FAIL)
mp3_with(id3_tag([frame24(b"TIT2", b"\0\0", 0x03), frame24(b"TPE1", b"\x7f\x7f\x7f\x7f\0A", 0x01),
                  frame24(b"TALB", b"\0A", 0x03, size=syncsafe(0x0FFFFFF))], version=4), "v24_frame_flags_short")
mp3_with(id3_tag([frame24(b"TIT2", b"\x78\x9c" + b"\xff" * 40, 0x08), frame24(b"TPE1", b"\xff\0\xff", 0x06)],
                 version=4, flags=0x80), "v24_compressed_encrypted")
mp3_with(id3_tag([frame22(b"TT2", b"\0Title"), frame22(b"PIC", b"\0JP"), frame22(b"TP1", b"\0A", size=0xFFFFFF)],
                 version=2), "v22_short_pic_size_past_end")
mp3_with(id3_tag([frame22(b"PIC", b"\0PNG\x03\0" + png_header_only(60000, 60000))], version=2), "v22_pic_png_bomb",
         "0", IMG_MEM)
mp3_with(id3_tag([frame22(b"TT2", b"\0T")], version=2, flags=0x40), "v22_compressed_flag")
track("id3v1_only", "a.mp3", GOOD_MP3 + id3v1(b"\xff" * 30, b"A" * 30, b" " * 30, b"c" * 28 + b"\0\xff"), "0",
      PLAYED)
track("id3v1_tag_only_file", "a.mp3", id3v1(b"Title"), "1", LOAD_FAILED)
track("id3v1_cut", "a.mp3", GOOD_MP3 + id3v1(b"Title")[:100], "0", PLAYED)

# ---- Ogg: sniffing, Vorbis, Opus, pictures in Vorbis comments -----------------------


def ogg_page(packet, flags=2, segments=None):
    lacing = bytes([len(packet)]) if segments is None else segments
    return b"OggS" + bytes([0, flags]) + bytes(20) + bytes([len(lacing)]) + lacing + packet


track("ogg_empty", "a.ogg", b"", "1", LOAD_FAILED)
track("ogg_capture_only", "a.ogg", b"OggS", "1", LOAD_FAILED)
track("ogg_unknown_codec", "a.oga", ogg_page(b"Speex   " + bytes(72)), "1", LOAD_FAILED)
track("ogg_segments_past_end", "a.ogg", ogg_page(b"", segments=b"\xff" * 255)[:40], "1", LOAD_FAILED)
track("ogg_vorbis_head_only", "a.ogg", ogg_page(b"\x01vorbis" + bytes(23)), "1", LOAD_FAILED)
track("ogg_opus_head_only", "a.ogg", ogg_page(b"OpusHead\x01\x02" + bytes(9)), "1", LOAD_FAILED)
track("ogg_flac_head_only", "a.oga", ogg_page(b"\x7fFLAC\x01\0\0\x01fLaC" + bytes(38)), "1", LOAD_FAILED)
track("ogg_vorbis_cut_half", "a.ogg", GOOD_OGG[:len(GOOD_OGG) // 2], "0|1", PLAY_OR_FAIL)
track("ogg_vorbis_noise_body", "a.ogg", GOOD_OGG[:4000] + bytes(rng.randrange(256) for _ in range(20000)),
      "0|1", PLAY_OR_FAIL)
track("ogg_vorbis_named_opus", "a.opus", GOOD_OGG, "1", LOAD_FAILED)
track("opus_empty", "a.opus", b"", "1", LOAD_FAILED)
track("opus_cut_half", "a.opus", GOOD_OPUS[:len(GOOD_OPUS) // 2], "0|1", PLAY_OR_FAIL)
track("opus_noise", "a.opus", b"OggS" + bytes(rng.randrange(256) for _ in range(20000)), "1", LOAD_FAILED)
track("opus_as_ogg_cut_4000", "a.ogg", GOOD_OPUS[:4000], "0|1", PLAY_OR_FAIL)


def picture_block(ptype, data, mime=b"image/png", length=None):
    return (struct.pack(">II", ptype, len(mime)) + mime + struct.pack(">I", 0) + struct.pack(">IIII", 4, 4, 32, 0) +
            struct.pack(">I", len(data) if length is None else length) + data)


def opus_with(name, comment, pattern=PLAYED):
    data = tool(["opusenc", "--quiet", "--comment", "METADATA_BLOCK_PICTURE=" + comment, "a.wav", "a.opus"],
                GOOD_WAV, "a.wav", "a.opus")
    track(name, "a.opus", data, "0", pattern)


b64 = lambda b: base64.b64encode(b).decode()
opus_with("opus_picture_not_base64", "*** not base64 ***")
opus_with("opus_picture_length_past_block", b64(picture_block(3, SMALL_PNG, length=0xFFFFFFF0)))
opus_with("opus_picture_mime_past_block", b64(struct.pack(">II", 3, 0xFFFFFFFF) + b"image/png"))
opus_with("opus_picture_cut_base64", b64(picture_block(3, SMALL_PNG))[:-7])
opus_with("opus_picture_png_bomb", b64(picture_block(3, png_header_only(60000, 60000))), IMG_MEM)
opus_with("opus_picture_not_image", b64(picture_block(3, b"This is not an image.")), IMG_MEM)

# ---- FLAC --------------------------------------------------------------------------


def flac_blocks(data):
    """Splits a FLAC file into its metadata blocks (type, body) and the frames after them."""
    pos, blocks = 4, []
    while True:
        head = data[pos]
        n = int.from_bytes(data[pos + 1:pos + 4], "big")
        blocks.append((head & 0x7F, data[pos + 4:pos + 4 + n]))
        pos += 4 + n
        if head & 0x80:
            return blocks, data[pos:]


def flac_build(blocks, frames, lengths=None):
    out = b"fLaC"
    for i, (kind, body) in enumerate(blocks):
        n = len(body) if lengths is None or lengths[i] is None else lengths[i]
        out += bytes([kind | (0x80 if i == len(blocks) - 1 else 0)]) + n.to_bytes(3, "big") + body
    return out + frames


FLAC_BLOCKS, FLAC_FRAMES = flac_blocks(GOOD_FLAC)
STREAMINFO = [b for b in FLAC_BLOCKS if b[0] == 0][0]


def flac_picture(ptype, data, mime=b"image/png", length=None):
    return (struct.pack(">I", ptype) + struct.pack(">I", len(mime)) + mime + struct.pack(">I", 0) +
            struct.pack(">IIII", 4, 4, 32, 0) + struct.pack(">I", len(data) if length is None else length) + data)


def flac_with(name, blocks, statuses="0", pattern=PLAYED, lengths=None):
    track(name, "a.flac", flac_build([STREAMINFO] + blocks, FLAC_FRAMES, lengths), statuses, pattern)


track("flac_empty", "a.flac", b"", "1", LOAD_FAILED)
track("flac_magic_only", "a.flac", b"fLaC", "1", LOAD_FAILED)
track("flac_cut_in_streaminfo", "a.flac", GOOD_FLAC[:20], "1", LOAD_FAILED)
track("flac_cut_half", "a.flac", GOOD_FLAC[:len(GOOD_FLAC) // 2], "0", PLAYED)
track("flac_noise", "a.flac", b"fLaC" + bytes(rng.randrange(256) for _ in range(8000)), "1", LOAD_FAILED)
track("flac_block_past_end", "a.flac", flac_build([STREAMINFO, (1, b"\0" * 16)], b"", [None, 0xFFFFFF]),
      "1", LOAD_FAILED)
flac_with("vorbis_comment_length_past_block", [(4, struct.pack("<I", 1) + b"v" + struct.pack("<I", 1) +
                                                 struct.pack("<I", 0xFFFFFFF0) + b"TITLE=x")], "0|1", PLAY_OR_FAIL)
flac_with("vorbis_vendor_past_block", [(4, struct.pack("<I", 0x7FFFFFFF) + b"vendor")], "0|1", PLAY_OR_FAIL)
flac_with("vorbis_count_huge", [(4, struct.pack("<I", 1) + b"v" + struct.pack("<I", 0xFFFFFFFF) +
                                  struct.pack("<I", 7) + b"TITLE=x")], "0|1", PLAY_OR_FAIL)
flac_with("vorbis_block_longer_than_file", [(4, struct.pack("<I", 1) + b"v" + struct.pack("<I", 1))],
          "0|1", PLAY_OR_FAIL, [None, 0x00FFFF])
flac_with("vorbis_no_equals_and_long", [(4, struct.pack("<I", 0) + struct.pack("<I", 3) +
                                          struct.pack("<I", 5) + b"TITLE" + struct.pack("<I", 6) + b"TITLE=" +
                                          struct.pack("<I", 5000) + b"ARTIST=" + b"a" * 4993)])
flac_with("flac_picture_not_image", [(6, flac_picture(3, b"This is not an image."))], "0", IMG_MEM)
flac_with("flac_picture_png_bomb", [(6, flac_picture(3, png_header_only(60000, 60000)))], "0", IMG_MEM)
flac_with("flac_picture_png_256mb", [(6, flac_picture(3, png_header_only(4097, 4097)))], "0", TOO_LARGE)
flac_with("flac_picture_bmp_bomb", [(6, flac_picture(3, bmp_header(30000, 30000)))], "0", TOO_LARGE)
flac_with("flac_picture_length_past_block", [(6, flac_picture(3, SMALL_PNG, length=0xFFFFFFF0))],
          "0|1", PLAY_OR_FAIL)
flac_with("flac_picture_mime_past_block", [(6, struct.pack(">II", 3, 0xFFFFFFFF) + b"image/png")],
          "0|1", PLAY_OR_FAIL)

# ---- cover images beside a playable track ------------------------------------------


def with_cover(name, cover_name, data, pattern):
    track(name, "a.wav", GOOD_WAV, "0", pattern, {cover_name: data})


with_cover("cover_empty", "cover.jpg", b"", IMG_FILE)
with_cover("cover_text", "cover.png", b"not an image\n" * 10, IMG_FILE)
with_cover("cover_png_bomb", "cover.png", png_header_only(60000, 60000), IMG_FILE)
with_cover("cover_png_256mb", "cover.png", png_header_only(8192, 8192), TOO_LARGE)
with_cover("cover_png_65536_wide", "cover.png", png_header_only(65536, 1), TOO_LARGE)
with_cover("cover_png_inflates_past_limit", "Cover.png", png_inflating_bomb(4500, 4500, 24), TOO_LARGE)
with_cover("cover_png_at_limit", "folder.png", png_inflating_bomb(4096, 4096, 24), r"^loading file ")
with_cover("cover_gif_bomb", "folder.jpg", gif_header(65535, 65535), TOO_LARGE)
with_cover("cover_jpeg_bomb", "cover.jpg", jpeg_sof(65500, 65500), TOO_LARGE)
with_cover("cover_bmp_bomb", "front.png", bmp_header(-30000, -30000), IMG_FILE)
with_cover("cover_png_cut", "cover.png", SMALL_PNG[:50], IMG_FILE)
with_cover("cover_jpeg_dht_overrun", "cover.jpg", JPEG_DHT_OVERRUN, IMG_FILE + "Not a JPEG file")


def jpeg_cover(*options, size="300x300"):
    return tool(["convert", "-size", size, "-seed", "3", "plasma:", "-quality", "90", *options, "a.jpg"],
                b"", "unused", "a.jpg")


BASELINE_JPEG = jpeg_cover()
PROGRESSIVE_JPEG = jpeg_cover("-interlace", "Plane")
# The shortest scan over and over: every repetition makes the decoder walk the picture.
# A small picture keeps the file under the size that is decoded in slices between
# frames, so the warning comes at the load and not after the 0.1 s track has ended.
SMALL_PROGRESSIVE = jpeg_cover("-interlace", "Plane", size="64x64")
starts = [i for i in range(len(SMALL_PROGRESSIVE) - 1) if SMALL_PROGRESSIVE[i:i + 2] == b"\xff\xda"]
start, end = min(zip(starts, starts[1:]), key=lambda se: se[1] - se[0])
scans = SMALL_PROGRESSIVE[:end] + SMALL_PROGRESSIVE[start:end] * 600 + SMALL_PROGRESSIVE[end:]
assert len(scans) < 256 * 1024
first_scan = PROGRESSIVE_JPEG.index(b"\xff\xda")
noisy = bytearray(PROGRESSIVE_JPEG)
for i in range(first_scan + 40, len(noisy) - 2, 7):
    noisy[i] = rng.randrange(256)
over_cap = bytearray(PROGRESSIVE_JPEG)
sof = over_cap.index(b"\xff\xc2")
over_cap[sof + 5:sof + 9] = struct.pack(">HH", 4097, 4097)
with_cover("cover_jpeg_scan_cut", "cover.jpg", BASELINE_JPEG[:len(BASELINE_JPEG) * 3 // 5], DAMAGED)
with_cover("cover_jpeg_progressive_cut", "cover.jpg", PROGRESSIVE_JPEG[:len(PROGRESSIVE_JPEG) // 2], DAMAGED)
with_cover("cover_jpeg_progressive_noise", "cover.jpg", bytes(noisy), DAMAGED)
with_cover("cover_jpeg_progressive_endless", "cover.jpg", scans, IMG_FILE + "more than 500 scans$")
with_cover("cover_jpeg_progressive_over_cap", "cover.jpg", bytes(over_cap), TOO_LARGE)
bad_crc = bytearray(SMALL_PNG)
bad_crc[29] ^= 1  # the header chunk's checksum
with_cover("cover_png_header_bad_crc", "cover.png", bytes(bad_crc), IMG_FILE + "IHDR: CRC error$")
bad_crc = bytearray(SMALL_PNG)
bad_crc[-13] ^= 1  # the data chunk's checksum, just before the end chunk
with_cover("cover_png_data_bad_crc", "cover.png", bytes(bad_crc), IMG_FILE + "IDAT: CRC error$")
z = zlib.compressobj(9)
inflating = z.compress((b"\0" + bytes(256)) * 64) + b"".join(z.compress(bytes(1 << 20)) for _ in range(1024)) + z.flush()
with_cover("cover_png_data_inflates_past_cap", "cover.png",
           b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 64, 64, 8, 6, 0, 0, 0)) +
           png_chunk(b"IDAT", inflating) + png_chunk(b"IEND", b""), r"loading image from file: Extra compressed data")

# ---- fonts -------------------------------------------------------------------------

DEJAVU = open("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "rb").read()


def font_case(name, data, pattern=BAD_FONT):
    case(name, "run", "1", pattern, ["-font", "@/font.ttf", "@/a.wav"], {"font.ttf": data, "a.wav": GOOD_WAV})


font_case("font_empty", b"")
font_case("font_text", b"this is not a font\n" * 20)
font_case("font_cut_1000", DEJAVU[:1000])
font_case("font_cut_half", DEJAVU[:len(DEJAVU) // 2])
font_case("font_noise", bytes(rng.randrange(256) for _ in range(50000)))
font_case("font_collection_header", b"ttcf\0\1\0\0\xff\xff\xff\xff" + b"\0" * 64)
font_case("font_table_count_huge", DEJAVU[:4] + b"\xff\xff" + DEJAVU[6:])
dir_entry = 12 + 16 * 3
font_case("font_table_offset_past_end", DEJAVU[:dir_entry + 8] + b"\x7f\xff\xff\xf0" + DEJAVU[dir_entry + 12:])

# ---- UI descriptions ---------------------------------------------------------------

WINDOW = b"color fg 255 255 255 255 0 window - 0 0 200 200 0 "


def ui_case(name, text, statuses, pattern, extra=None, how="run"):
    files = {"ui.txt": text, "a.wav": GOOD_WAV}
    files.update(extra or {})
    case(name, how, statuses, pattern, ["-ui", "@/ui.txt", "@/a.wav"], files)


ui_case("ui_empty", b"", "1", NO_WINDOW)
ui_case("ui_long_word", b"w" * 200000, "1", NO_WINDOW)
ui_case("ui_long_word_after_window", WINDOW + b"title fg 0 0 200 20 0 " + b"x" * 200000, "0", PLAYED)
ui_case("ui_long_name", b"window " + b"n" * 5000 + b" 0 0 200 200 0", "1", NO_WINDOW)
ui_case("ui_300_records", WINDOW + b"".join(b"rect fg %d %d 5 5 0\n" % (i % 200, i % 190) for i in range(298)),
        "0", PLAYED)
ui_case("ui_garbage", bytes(rng.randrange(1, 256) for _ in range(20000)), "1", NO_WINDOW)
ui_case("ui_garbage_after_window", WINDOW + bytes(rng.randrange(256) for _ in range(20000)), "0", PLAYED)
ui_case("ui_nul_inside", WINDOW + b"title fg 0 0 200 20 0\0title fg 0 0 200 20 0 ", "0", PLAYED)
extremes = {
    "rect_round": b"rect fg -2147483648 -2147483648 2147483647 2147483647 129 roundradius fg 2147483647 0 0 0 0 ",
    "rect_squircle": b"rect fg -100 -100 100000 100000 512 roundradius fg 99999 0 0 0 0 ",
    "blur": b"blur fg 2147483647 -5 -2147483648 9 32 blur fg -100 -100 100000 100000 32 ",
    "line": b"line fg -2147483648 0 2147483647 2147483647 0 line fg 0 0 2147483647 -2147483648 0 ",
    "border": b"border fg 2147483647 2147483647 -1 -1 0 border fg -2147483648 -2147483648 -1 -1 0 ",
    "fft": b"fft fg 0 0 -200 -200 0 fft fg -5 -5 2147483647 2147483647 0 ",
    "waveform": b"waveform fg 5 5 2147483647 100 0 waveform fg 0 0 -100 -2147483648 0 ",
    "text": b"title fg -100000 0 2147483647 20 65 artist fg 2147483647 2147483647 2147483647 20 1 ",
    "progress": b"startpos fg -2147483648 0 2147483647 0 0 rect fg 0 0 100 100 1026 ",
    "offset": b"offset - -2147483648 0 0 0 0 artist fg 0 0 100 20 0 offset - 2147483647 0 0 0 0 title fg 0 0 9 9 0 ",
    "frametime": b"frametime - -5 0 0 0 0 scrollspeed fg -2147483648 0 0 0 0 title fg 0 0 50 20 64 ",
}
for name, text in extremes.items():
    ui_case("ui_extreme_" + name, WINDOW + text, "0", PLAYED)
ui_case("ui_text_huge_height", WINDOW + b"title fg 0 0 200 100000 1 artist fg 0 0 200 -100000 0 ", "0", PLAYED)
ui_case("ui_image_bomb", WINDOW + b"image hostile-bomb.png 0 0 200 200 4 ", "0", IMG_FILE,
        {"config/hostile-bomb.png": png_header_only(60000, 60000)})
ui_case("ui_image_256mb", WINDOW + b"image hostile-bomb.png 0 0 200 200 4 ", "0", TOO_LARGE,
        {"config/hostile-bomb.png": png_header_only(8192, 8192)})
ui_case("ui_image_not_image", WINDOW + b"image hostile-text.png 0 0 200 200 0 ", "0", IMG_FILE,
        {"config/hostile-text.png": b"plain"})
ui_case("ui_image_missing", WINDOW + b"image hostile-missing.png 0 0 200 200 0 ", "0",
        r"WARNING: loading image from file failed: can't fopen$")
ui_case("ui_image_huge_size", WINDOW + b"image hostile-small.png 0 0 70000 70000 0 ", "0",
        r"ui.txt line 1: image 'hostile-small.png' of 70000 x 70000 is too large to draw$",
        {"config/hostile-small.png": SMALL_PNG})
ui_case("ui_image_tall_element", base64.b64decode(
    "BWJ1bWFgcnQ+IDA3NDgzNjQ3IC0yMTQ3MTQ3NDgzNjQ3IC0yMTQ3NDgzNjQ4NDgzNjQ4IDk5OTk5OTk5OTk5ICs3IDE2Nzc3MjE2IGltYWdl"
    "IDxhbGJ1bWFgcj4gMDc0ODM2NDcgLTIxNDgzNjQ3IC0yMTQ3NDgzNjQ4NDgzNjQ4IDk5OTk5OTMgMjU1IDAKY29sb3IgcGFuZVsgMjU5"
    "OTk5OSArNyAxNjcyIDA="), "1", r"line 1: image '<albuma`r>' of -2147483648 x 9999993 is too large to draw$")
ui_case("ui_font_not_font", WINDOW + b"font hostile-text.ttf 0 0 0 0 0 ", "1", BAD_FONT,
        {"config/hostile-text.ttf": b"plain"})

# ---- playlist files ----------------------------------------------------------------


def playlist_case(name, text, statuses, pattern, how="run", extra=None):
    files = {"playlist.txt": text}
    files.update(extra or {})
    case(name, how, statuses, pattern, ["-playlist", "@/playlist.txt"], files)


playlist_case("playlist_empty", b"", "1", r"^ERROR: there is no file to play$")
playlist_case("playlist_100000_missing", b"".join(b"/nonexistent/%d.wav\n" % i for i in range(100000)),
              "1", LOAD_FAILED)
playlist_case("playlist_100000_then_quit", b"@/a.wav\n" * 100000, "0", PLAYED, "quit", {"a.wav": GOOD_WAV})
# A zero byte ends a line's path; whether the lines after it count is the reader's choice.
playlist_case("playlist_nul_bytes", b"@/a.wav\0trailing junk\n\0\0\0\n", "0|1", PLAYED, extra={"a.wav": GOOD_WAV})
playlist_case("playlist_nul_only", b"\0" * 100 + b"\n", "1",
              r"^ERROR: (format not implemented|there is no file to play)$")
playlist_case("playlist_5000_char_path", b"/" + b"d" * 4995 + b".wav\n", "1", LOAD_FAILED)
playlist_case("playlist_5000_char_existing", b"@/" + b"./" * 2500 + b"a.wav\n", "1", LOAD_FAILED,
              extra={"a.wav": GOOD_WAV})
playlist_case("playlist_binary", bytes(rng.randrange(256) for _ in range(30000)) + b"\n", "1",
              r"^ERROR: (format not implemented|loading file failed)$")
playlist_case("playlist_crlf_no_final_newline", b"@/a.wav\r\n@/a.wav", "0|1",
              r"^(loading file |ERROR: format not implemented$)", extra={"a.wav": GOOD_WAV})
case("arg_5000_char_path", "run", "1", r"^ERROR: there is no file to play$", ["@/" + "x" * 5000 + ".wav"], {})
case("arg_5000_char_dir", "run", "1", r"^ERROR: (there is no file to play|loading file failed)$",
     ["@/" + "./" * 2500 + "a.wav"], {"a.wav": GOOD_WAV})

# ---- URI lists ---------------------------------------------------------------------

host = os.uname().nodename.encode()
uri_cases = {
    # list text: paths the parser must hand out (one per line)
    "uri_percent_at_end": (b"file:///a/b%\n", b"/a/b\n"),
    "uri_percent_one_digit_at_end": (b"file:///a/b%4\n", b"/a/b\n"),
    "uri_percent_not_hex": (b"file:///a%zz/b%4z%z4\n", b"/a%zz/b%4z%z4\n"),
    "uri_percent_percent": (b"file:///a%%41%\n", b"/a%%41\n"),
    "uri_percent_nul": (b"file:///a%00b\nfile:///c\n", b"/a\n/c\n"),
    "uri_percent_slashes": (b"file:///%2F%2Fx\n", b"///x\n"),
    "uri_percent_mixed_case": (b"file:///%4a%4A%e9\n", b"/JJ\xe9\n"),
    "uri_percent_many": (b"file:///" + b"%41" * 20000 + b"\n", b"/" + b"A" * 20000 + b"\n"),
    "uri_percent_only": (b"%\n%%\n%4\n", b""),
    "uri_scheme_only": (b"file:\nfile:/\n", b"/\n"),
    "uri_empty_host": (b"file://\nfile:///\n", b"/\n"),
    "uri_host_without_path": (b"file://" + host + b"\n", b""),
    "uri_host_escapes": (b"file://" + host + b"/x%2Fy%\n", b"/x/y\n"),
    "uri_other_scheme": (b"http://h/x\n#comment\nfile:///ok\n", b"/ok\n"),
    "uri_cr_only": (b"file:///a\rfile:///b\r\r\rfile:///c", b"/a\n/b\n/c\n"),
    "uri_leading_newline": (b"\nfile:///a\n", b""),
}
for name, (text, want) in uri_cases.items():
    case(name, "uri", "0", "-", ["@/list"], {"list": text, "want": want})

shutil.rmtree(os.path.join(OUT, ".scratch"), ignore_errors=True)

# Placeholders that need the case directory: "@" prefixes in file contents.
for line in cases:
    name = line.split("\t")[0]
    d = os.path.join(OUT, name)
    for fname in os.listdir(d):
        p = os.path.join(d, fname)
        if not os.path.isfile(p):
            continue
        with open(p, "rb") as f:
            data = f.read()
        if fname == "playlist.txt" and b"@/" in data:
            data = data.replace(b"@/", (d + "/").encode())
            with open(p, "wb") as f:
                f.write(data)

with open(os.path.join(OUT, "cases.tsv"), "w") as f:
    f.write("\n".join(cases) + "\n")
print(len(cases))
