#!/usr/bin/env python3
"""Regenerates every raster icon from org.vantrel.vantrel.svg.

Writes, next to this script:
  vantrel-<N>.png            true-colour PNGs for the desktop, N in SIZES
  vantrel-48-256colour.png   the window's own 48 x 48 icon, an 8-bit palette
                             PNG (at most 256 colours, alpha per entry)
and ../windows/vantrel.ico  16, 32, 48 (true colour and 256 colours) and 256.
With --out DIR, everything goes to DIR instead (to compare with the
committed files).

Needs rsvg-convert (Debian: librsvg2-bin) and Python 3. The outputs are
committed, so an ordinary build never runs this. The result is byte-for-byte
reproducible: no time stamps or text chunks are written.
"""

import argparse
import pathlib
import struct
import subprocess
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
SVG = HERE / "org.vantrel.vantrel.svg"
ICO = HERE.parent / "windows" / "vantrel.ico"
SIZES = (16, 24, 32, 48, 64, 128, 256)
ICO_SIZES = (16, 32, 48)  # plus the 256-colour 48 and a PNG-compressed 256
WINDOW_GREY = (192, 192, 192)  # the window's background, for 1-bit masks


def render(size):
    """The SVG rasterised at size x size, as PNG bytes."""
    return subprocess.run(
        ["rsvg-convert", "-w", str(size), "-h", str(size), str(SVG)],
        check=True, capture_output=True).stdout


def chunks(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos = 8
    while pos < len(png):
        length, kind = struct.unpack(">I4s", png[pos:pos + 8])
        yield kind, png[pos + 8:pos + 8 + length]
        pos += 12 + length


def decode_rgba(png):
    """Pixels of an 8-bit RGBA, non-interlaced PNG as rows of RGBA tuples."""
    data = b""
    for kind, body in chunks(png):
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            if (depth, colour, interlace) != (8, 6, 0):
                raise ValueError("expected 8-bit RGBA, not interlaced")
        elif kind == b"IDAT":
            data += body
    raw = zlib.decompress(data)
    stride = width * 4
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[pos], bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - 4] if i >= 4 else 0
            b = prev[i]
            c = prev[i - 4] if i >= 4 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 4]) for x in range(0, stride, 4)])
        prev = line
    return rows


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def quantize(rows, limit=256):
    """A palette of at most `limit` RGBA colours and the rows as indices.

    Flat artwork has few colours apart from its anti-aliased edges, so the
    rarest colour is merged into its nearest neighbour until the rest fit.
    """
    counts = {}
    for row in rows:
        for px in row:
            counts[px] = counts.get(px, 0) + 1
    mapping = {px: px for px in counts}
    live = dict(counts)
    while len(live) > limit:
        rare = min(live, key=lambda px: (live[px], px))
        near = min((px for px in live if px != rare),
                   key=lambda px: (sum((p - q) ** 2 for p, q in zip(px, rare)), px))
        live[near] += live.pop(rare)
        for px, to in mapping.items():
            if to == rare:
                mapping[px] = near
    palette = sorted(live, key=lambda px: (-live[px], px))
    index = {px: i for i, px in enumerate(palette)}
    return palette, [[index[mapping[px]] for px in row] for row in rows]


def palette_png(palette, indices):
    height, width = len(indices), len(indices[0])
    raw = b"".join(b"\0" + bytes(row) for row in indices)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 3, 0, 0, 0))
            + chunk(b"PLTE", b"".join(bytes(px[:3]) for px in palette))
            + chunk(b"tRNS", bytes(px[3] for px in palette))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def matte(px):
    """A colour over the window's grey, for icons that have only a 1-bit mask."""
    alpha = px[3]
    return tuple((c * alpha + g * (255 - alpha) + 127) // 255 for c, g in zip(px[:3], WINDOW_GREY))


def and_mask(opaque_rows):
    """The 1-bit AND mask of an icon bitmap: 1 where the pixel is see-through."""
    out = b""
    for row in reversed(opaque_rows):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, opaque in enumerate(row):
            if not opaque:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib_header(size, bits, colours):
    # Icon bitmaps give twice the height: the colour rows, then the mask.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def dib_32(rows):
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    return dib_header(size, 32, 0) + pixels + and_mask([[px[3] > 0 for px in row] for row in rows])


def dib_8(palette, indices):
    size = len(indices)
    colours = [matte(px) for px in palette] + [(0, 0, 0)] * (256 - len(palette))
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in colours)
    stride = (size + 3) // 4 * 4
    pixels = b"".join(bytes(row) + b"\0" * (stride - size) for row in reversed(indices))
    opaque = [[palette[i][3] >= 128 for i in row] for row in indices]
    return dib_header(size, 8, 256) + table + pixels + and_mask(opaque)


def ico(entries):
    """entries: (size, colour count byte, bits per pixel, image bytes)."""
    head = struct.pack("<HHH", 0, 1, len(entries))
    offset = len(head) + 16 * len(entries)
    directory, images = b"", b""
    for size, colours, bits, image in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                                 len(image), offset + len(images))
        images += image
    return head + directory + images


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, help="write every file to this folder")
    args = parser.parse_args()
    png_dir = args.out or HERE
    ico_file = args.out / ICO.name if args.out else ICO

    rendered = {size: render(size) for size in SIZES}
    for size, png in rendered.items():
        (png_dir / f"vantrel-{size}.png").write_bytes(png)
    rgba = {size: decode_rgba(rendered[size]) for size in ICO_SIZES}
    palette, indices = quantize(rgba[48])
    (png_dir / "vantrel-48-256colour.png").write_bytes(palette_png(palette, indices))
    entries = [(size, 0, 32, dib_32(rgba[size])) for size in ICO_SIZES]
    entries.insert(2, (48, 0, 8, dib_8(palette, indices)))
    entries.append((256, 0, 32, rendered[256]))
    ico_file.write_bytes(ico(entries))
    print(f"{len(rendered)} PNGs, 48 px in {len(palette)} colours, {ico_file}", file=sys.stderr)


if __name__ == "__main__":
    main()
