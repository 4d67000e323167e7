#!/usr/bin/env python3
"""Draws the bundled sample picture, a lake at sunset, into a PNG.

Standard library only, deterministic: running it again gives the same file.
Usage: make_sample.py OUT.png [WIDTH HEIGHT]
"""
import math
import struct
import sys
import zlib


def lattice(ix, iy, seed):
    h = (ix * 374761393 + iy * 668265263 + seed * 2147483647) & 0xFFFFFFFF
    h = ((h ^ (h >> 13)) * 1274126177) & 0xFFFFFFFF
    return (h ^ (h >> 16)) / 0xFFFFFFFF


def noise(x, y, seed):
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
    top = lattice(ix, iy, seed) + (lattice(ix + 1, iy, seed) - lattice(ix, iy, seed)) * sx
    bottom = lattice(ix, iy + 1, seed) + (lattice(ix + 1, iy + 1, seed) - lattice(ix, iy + 1, seed)) * sx
    return top + (bottom - top) * sy


def fbm(x, y, seed, octaves=4):
    total, amplitude = 0.0, 0.5
    for octave in range(octaves):
        total += amplitude * noise(x, y, seed + octave)
        x, y, amplitude = x * 2.03, y * 2.03, amplitude * 0.5
    return total


def mix(a, b, t):
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def sky(u, v, sun):
    colour = mix((0.10, 0.16, 0.45), (1.00, 0.55, 0.20), min(1.0, v / 0.55) ** 1.6)
    distance = math.hypot(u - sun[0], (v - sun[1]) * 0.5625)
    colour = mix(colour, (1.0, 0.93, 0.70), math.exp(-distance * 9.0) * 0.9)
    if distance < 0.045:
        colour = (1.0, 0.97, 0.85)
    cloud = max(0.0, fbm(u * 6.0, v * 14.0, 7) - 0.48) * 3.0
    return mix(colour, (0.85, 0.35, 0.45), min(1.0, cloud) * (1.0 - v))


def ridge(u, seed, base, height):
    return base - height * fbm(u * 5.0, seed * 0.37, seed, 5)


def scene(u, v, sun):
    horizon = 0.62
    layers = [(ridge(u, 3, 0.45, 0.30), (0.50, 0.42, 0.68), (0.80, 0.55, 0.75)),
              (ridge(u, 11, 0.58, 0.22), (0.12, 0.36, 0.46), (0.25, 0.55, 0.50)),
              (ridge(u, 19, 0.66, 0.14), (0.10, 0.34, 0.08), (0.75, 0.68, 0.12))]
    if v < horizon:
        colour = sky(u, v, sun)
        for top, dark, light in layers:
            if v >= top:
                texture = fbm(u * 60.0, v * 60.0, 41, 3)
                colour = mix(dark, light, texture * 1.2 - 0.2 if texture > 0.17 else 0.0)
                rim = max(0.0, 1.0 - (v - top) * 80.0)
                colour = mix(colour, (1.0, 0.75, 0.35), rim * 0.8)
        return colour
    # Water: the sky mirrored with ripples, darker further down.
    ripple = (fbm(u * 40.0, v * 300.0, 29, 2) - 0.5) * 0.02
    colour = scene(u + ripple, 2 * horizon - v - 0.001, sun)
    shoreline = layers[2][0]
    if 2 * horizon - v >= shoreline and abs(v - horizon) < 0.01:
        colour = (0.80, 0.75, 0.55)
    return mix(colour, (0.02, 0.05, 0.10), min(0.7, (v - horizon) * 1.6))


def png(path, width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(chunk(b"IEND", b""))


def main():
    path = sys.argv[1]
    width, height = (int(sys.argv[2]), int(sys.argv[3])) if len(sys.argv) == 4 else (640, 360)
    sun = (0.68, 0.26)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            colour = scene(x / width, y / height, sun)
            row += [max(0, min(255, round(c * 255))) for c in colour]
        rows.append(row)
    png(path, width, height, rows)


if __name__ == "__main__":
    main()
