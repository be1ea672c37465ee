#!/usr/bin/env python3
"""Writes the small seed files of the wav, id3, vorbis, vorbis_picture and ogg_sniff fuzz targets."""
import base64
import os
import struct
import sys

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def chunk(cid, body, declared=None):
    size = len(body) if declared is None else declared
    return cid + struct.pack("<I", size) + body + (b"\0" if len(body) % 2 else b"")


def fmt(tag, ch, rate, bits):
    return struct.pack("<HHIIHH", tag, ch, rate, rate * ch * bits // 8, ch * bits // 8, bits)


def extensible(sub, ch, rate, bits):
    return fmt(0xFFFE, ch, rate, bits) + struct.pack("<HHIH", 22, bits, 3, sub) + bytes(14)


def wave(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def syncsafe(v):
    return bytes([(v >> 21) & 0x7F, (v >> 14) & 0x7F, (v >> 7) & 0x7F, v & 0x7F])


def frame(fid, body, version=3):
    size = syncsafe(len(body)) if version >= 4 else struct.pack(">I", len(body))
    return fid + size + b"\0\0" + body


def tag(frames, version=3, flags=0, ext=b""):
    content = ext + b"".join(frames)
    return b"ID3" + bytes([version, 0, flags]) + syncsafe(len(content)) + content


def apic(enc, ptype, desc, data):
    return b"APIC", bytes([enc]) + b"image/png\0" + bytes([ptype]) + desc + data


def write(name, files):
    d = os.path.join(root, name)
    os.makedirs(d, exist_ok=True)
    for fname, data in files.items():
        with open(os.path.join(d, fname), "wb") as f:
            f.write(data)


pcm = struct.pack("<8h", 0, 1000, -1000, 32767, -32768, 5, 6, 7)
info = chunk(b"LIST", b"INFO" + chunk(b"INAM", b"Name\0") + chunk(b"IART", b"Artist\0"))
sample_tag = tag([frame(b"TIT2", b"\0Title"), frame(b"TPE1", b"\x01\xff\xfeA\0r\0"),
                  frame(*apic(0, 3, b"d\0", b"\x89PNG"))])

write("wav", {
    "pcm16.wav": wave(chunk(b"fmt ", fmt(1, 2, 8000, 16)), chunk(b"data", pcm)),
    "pcm24_odd.wav": wave(chunk(b"fmt ", fmt(1, 1, 8000, 24)), chunk(b"junk", b"abc"), chunk(b"data", pcm[:9])),
    "float_ext.wav": wave(chunk(b"fmt ", extensible(3, 1, 48000, 32)), chunk(b"data", pcm)),
    "s32_info_id3.wav": wave(chunk(b"fmt ", fmt(1, 2, 44100, 32)), info, chunk(b"id3 ", sample_tag),
                             chunk(b"data", pcm)),
    "big_data_size.wav": wave(chunk(b"fmt ", fmt(1, 1, 8000, 16)), chunk(b"data", pcm, 0xFFFFFFF0)),
})

def unsync(b):
    return b.replace(b"\xff", b"\xff\0")


def unsync_tag(frames, version):
    plain = tag(frames, version)
    content = unsync(plain[10:])
    return plain[:5] + b"\x80" + syncsafe(len(content)) + content


def frame22(fid, body):
    return fid + struct.pack(">I", len(body))[1:] + body


def frame24_unsync(fid, body):
    stored = syncsafe(len(body)) + unsync(body)
    return fid + syncsafe(len(stored)) + b"\0\x03" + stored


def id3v1(title, artist, album, track):
    pad = lambda b: b.ljust(30, b"\0")
    return b"audio" + b"TAG" + pad(title) + pad(artist) + pad(album) + b"1999" + b"c" * 28 + bytes([0, track, 12])


utf16_title = b"\x01\xff\xfeT\0\xff\0\xff\x01"
write("id3", {
    "v23.id3": sample_tag,
    "v24.id3": tag([frame(b"TALB", b"\x03" + b"a" * 200, 4), frame(b"TIT2", b"\x02\0X", 4),
                    frame(*apic(1, 4, b"\xff\xfeD\0\0\0", b"DATA"), 4)], 4),
    "ext.id3": tag([frame(b"TRCK", b"\x003/12"), frame(*apic(3, 0, b"\0", b"IMG"))], 3, 0x40,
                   struct.pack(">I", 6) + bytes(6)),
    "unsync23.id3": unsync_tag([frame(b"TIT2", utf16_title), frame(*apic(0, 3, b"d\0", b"\xff\xd8\xff\xe0"))], 3),
    "unsync24.id3": tag([frame24_unsync(b"TIT2", utf16_title), frame24_unsync(*apic(0, 3, b"\0", b"\xff\xd8\xff"))], 4),
    "v22.id3": unsync_tag([frame22(b"TT2", b"\0Title"), frame22(b"TP1", utf16_title),
                           frame22(b"PIC", b"\0JPG\x03d\0\xff\xd8")], 2),
    "v1.id3": id3v1(b"Caf\xe9  ", b"Artist", b"", 7),
    "gain.id3": tag([frame(b"TXXX", b"\0replaygain_track_gain\0-6.54 dB"),
                     frame(b"TXXX", b"\x01\xff\xfeR\0\0\0\xff\xfe1\0"),
                     frame(b"TXXX", b"\x03REPLAYGAIN_ALBUM_PEAK\x001,2", 4)], 4),
})


def vorbis(vendor, comments):
    out = struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", len(comments))
    for c in comments:
        out += struct.pack("<I", len(c)) + c
    return out


write("vorbis", {
    "tags.vc": vorbis(b"reference libFLAC", [b"title=Foo", b"TITLE=Bar", b"Artist=A", b"ALBUMARTIST=AA",
                                              b"TRACKNUMBER=3"]),
    "long.vc": vorbis(b"", [b"ALBUM=" + b"x" * 600]),
    "gain.vc": vorbis(b"", [b"REPLAYGAIN_TRACK_GAIN=+1.5 dB", b"REPLAYGAIN_TRACK_PEAK=0.9", b"R128_ALBUM_GAIN=-512",
                            b"REPLAYGAIN_ALBUM_GAIN=1e309"]),
})


def picture_block(ptype, data, length=None):
    return (struct.pack(">II", ptype, 9) + b"image/png" + struct.pack(">I", 1) + b"d" + bytes(16) +
            struct.pack(">I", len(data) if length is None else length) + data)


write("vorbis_picture", {
    "front.b64": base64.b64encode(picture_block(3, b"\x89PNG\r\n")),
    "back_cut.b64": base64.b64encode(picture_block(4, b"XY", 999))[:-3],
})


def ogg_page(packet, flags=2):
    return b"OggS" + bytes([0, flags]) + bytes(20) + bytes([1, len(packet)]) + packet


write("ogg_sniff", {
    "flac.ogg": ogg_page(b"\x7fFLAC\x01\x00\x00\x01fLaC"),
    "vorbis.ogg": ogg_page(b"\x01vorbis" + bytes(22)),
    "opus.ogg": ogg_page(b"OpusHead\x01\x02" + bytes(9)),
    "spread.ogg": b"OggS\0\x02" + bytes(20) + b"\x03\xff\xff\x10" + b"OpusHead" + bytes(600),
})
print("seeds written to", root, file=sys.stderr)
