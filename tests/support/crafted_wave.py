#!/usr/bin/env python3
"""crafted_wave.py NAME FILE: a wave file crafted to break a careless reader (long-tone is not
hostile), for the tests that put one beside the real game on each platform."""

import math
import struct
import sys


def fmt(channels, rate, bits, align=None, size=16):
    align = channels * bits // 8 if align is None else align
    body = struct.pack("<HHIIHH", 1, channels, rate, (rate * align) & 0xFFFFFFFF, align, bits)
    return b"fmt " + struct.pack("<I", size) + body


def data(samples, size=None):
    return b"data" + struct.pack("<I", len(samples) if size is None else size) + samples


def riff(*chunks):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) & 0xFFFFFFFF) + body


NOISE = bytes((i * 37) & 0xFF for i in range(1000))
FAST = 2**31 - 1
# Each named after what its header claims.
FILES = {
    "eight-channels-fast": lambda: riff(fmt(8, FAST, 16), data(NOISE)),
    "many-channels-fast": lambda: riff(fmt(255, FAST, 32), data(NOISE)),
    "data-claims-2gib": lambda: riff(fmt(1, 22050, 16), data(NOISE, 2**31)),
    "data-truncated": lambda: riff(fmt(2, 22050, 16), data(NOISE, 100000)),
    "zero-block-align": lambda: riff(fmt(2, 22050, 16, align=0), data(NOISE)),
    "fmt-claims-4gib": lambda: riff(fmt(1, 22050, 16, size=2**32 - 1), data(NOISE)),
    "8khz-8bit-60mb": lambda: riff(fmt(1, 8000, 8), data(bytes([0x80]) * 60_000_000)),
    "long-tone": lambda: riff(fmt(1, 22050, 16), data(b"".join(
        struct.pack("<h", int(8000 * math.sin(i * 2 * math.pi * 440 / 22050)))
        for i in range(22050 * 20)))),
}

if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in FILES:
        sys.exit("usage: crafted_wave.py {" + "|".join(FILES) + "} FILE")
    with open(sys.argv[2], "wb") as out:
        out.write(FILES[sys.argv[1]]())
