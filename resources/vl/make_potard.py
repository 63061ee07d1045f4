#!/usr/bin/env python3
"""Draws the knob picture "POTARD": a round knob, 65 x 61 pixels, 256 colours.

    python3 resources/vl/make_potard.py [output]    (default resources/vl/potard.png)

Writes an 8-bit palette PNG with the standard library only. The output is
committed; the build never runs this script.
"""

import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 65, 61
CENTRE_X, CENTRE_Y = 32.0, 30.0
RADIUS = 26.0
POINTER_ANGLE = math.radians(225)  # a knob turned to about seven o'clock
SAMPLES = 4  # per axis, for smooth edges

BACKGROUND = (192, 192, 192)
POINTER = (220, 40, 30)
RAMP_SIZE = 254  # palette 0..253: the knob's metal from dark to light
BACKGROUND_INDEX = 254
POINTER_INDEX = 255


def metal(t):
    dark, light = (40, 44, 52), (235, 238, 242)
    return tuple(round(d + (l - d) * t) for d, l in zip(dark, light))


def palette():
    colours = [metal(i / (RAMP_SIZE - 1)) for i in range(RAMP_SIZE)]
    colours.append(BACKGROUND)
    colours.append(POINTER)
    return colours


def shade(x, y):
    """Brightness 0..1 of the knob face at (x, y), None outside the knob."""
    dx, dy = x - CENTRE_X, y - CENTRE_Y
    r = math.hypot(dx, dy)
    if r > RADIUS:
        return None
    if r > RADIUS - 3:  # bevelled rim lit from the upper left
        return 0.5 + 0.45 * (-(dx + dy) / (r * math.sqrt(2)))
    # slightly domed face, lit from the upper left
    nz = math.sqrt(max(0.0, 1.0 - (r / RADIUS) ** 2))
    light = (-dx - dy) / RADIUS * 0.35 + nz * 0.55
    return min(1.0, max(0.0, 0.25 + light))


def on_pointer(x, y):
    dx, dy = x - CENTRE_X, y - CENTRE_Y
    along = dx * math.cos(POINTER_ANGLE) - dy * math.sin(POINTER_ANGLE)
    across = dx * math.sin(POINTER_ANGLE) + dy * math.cos(POINTER_ANGLE)
    return 6.0 <= along <= RADIUS - 5 and abs(across) <= 1.6


def pixel(px, py):
    knob, pointer, total = 0, 0, 0.0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = px + (sx + 0.5) / SAMPLES
            y = py + (sy + 0.5) / SAMPLES
            s = shade(x, y)
            if s is None:
                continue
            if on_pointer(x, y):
                pointer += 1
            else:
                knob += 1
                total += s
    count = SAMPLES * SAMPLES
    if pointer * 2 >= count:
        return POINTER_INDEX
    if knob + pointer == 0 or (knob + pointer) * 3 < count:
        return BACKGROUND_INDEX
    t = total / max(knob, 1)
    coverage = (knob + pointer) / count
    # blend the rim into the background grey by coverage
    background_t = (sum(BACKGROUND) / 3 - 40) / (238 - 40)
    t = t * coverage + background_t * (1 - coverage)
    return min(RAMP_SIZE - 1, max(0, round(t * (RAMP_SIZE - 1))))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png():
    rows = b"".join(b"\x00" + bytes(pixel(x, y) for x in range(WIDTH)) for y in range(HEIGHT))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 3, 0, 0, 0)  # 8-bit, palette
    plte = b"".join(bytes(c) for c in palette())
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"PLTE", plte)
            + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "potard.png")
    with open(target, "wb") as out:
        out.write(png())


if __name__ == "__main__":
    main()
