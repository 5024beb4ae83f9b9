#!/usr/bin/env python3
# Draws Quillmark's bitmaps, icons and logo metafile from the text art in src/resources/art.
"""Usage: make_images.py ART_DIR OUT_DIR

Pixel art files hold palette lines ("c = RRGGBB" or "c = RRGGBBAA") and rows of one character
per pixel; "." is always transparent, lines starting with "#" are comments. Entries of
ART_DIR/palette.txt are known in every file and a file may add or override its own. The logo is
vector art: one drawing command per line (see read_drawing).
"""

import os
import re
import struct
import sys

TOOLBAR_BUTTONS = ["new", "open", "save", "save-all", "cut", "copy", "paste", "color", "ftp", "about"]
FTP_BUTTONS = ["save", "delete"]
MAGENTA = (255, 0, 255)
GREEN = (0, 255, 0)

PALETTE_LINE = re.compile(r"^(\S)\s*=\s*([0-9A-Fa-f]{6}(?:[0-9A-Fa-f]{2})?)\s*$")


class ArtError(Exception):
    pass


class Image:
    """A grid of RGBA pixels, rows from the top."""

    def __init__(self, width, height, pixels):
        self.width = width
        self.height = height
        self.pixels = pixels  # list of rows, each a list of (r, g, b, a)

    def pixel(self, x, y):
        return self.pixels[y][x]


def parse_colour(text):
    value = int(text, 16)
    if len(text) == 6:
        return ((value >> 16) & 255, (value >> 8) & 255, value & 255, 255)
    return ((value >> 24) & 255, (value >> 16) & 255, (value >> 8) & 255, value & 255)


def read_lines(path):
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n").rstrip()
            if not line or line.startswith("#"):
                continue
            yield number, line


def read_palette(path):
    palette = {}
    for number, line in read_lines(path):
        match = PALETTE_LINE.match(line)
        if not match:
            raise ArtError(f"{path}:{number}: not a palette entry")
        palette[match.group(1)] = parse_colour(match.group(2))
    return palette


def read_pixel_art(path, shared_palette, width, height):
    palette = dict(shared_palette)
    palette["."] = (0, 0, 0, 0)
    rows = []
    for number, line in read_lines(path):
        match = PALETTE_LINE.match(line)
        if match and not rows:
            if match.group(1) == ".":
                raise ArtError(f"{path}:{number}: '.' is reserved for transparent pixels")
            palette[match.group(1)] = parse_colour(match.group(2))
            continue
        if len(line) != width:
            raise ArtError(f"{path}:{number}: row is {len(line)} pixels wide, expected {width}")
        row = []
        for column, char in enumerate(line):
            if char not in palette:
                raise ArtError(f"{path}:{number}:{column + 1}: colour '{char}' is not in the palette")
            row.append(palette[char])
        rows.append(row)
    if len(rows) != height:
        raise ArtError(f"{path}: {len(rows)} rows, expected {height}")
    return Image(width, height, rows)


def flatten(image, key, path):
    """Opaque RGB rows with transparent pixels replaced by the key colour."""
    rows = []
    for y, row in enumerate(image.pixels):
        out = []
        for x, (r, g, b, a) in enumerate(row):
            if a == 0:
                out.append(key)
            elif a != 255:
                raise ArtError(f"{path}: pixel {x},{y} is partly transparent in a bitmap with a key colour")
            elif (r, g, b) == key:
                raise ArtError(f"{path}: pixel {x},{y} uses the transparent key colour")
            else:
                out.append((r, g, b))
        rows.append(out)
    return rows


def join_horizontally(row_sets):
    height = len(row_sets[0])
    return [sum((rows[y] for rows in row_sets), []) for y in range(height)]


def bmp_bytes(rows):
    """A 24-bit bottom-up BMP file."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + bytes(data)


def icon_image_bytes(image):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA colours, then the 1-bit AND mask."""
    colours = bytearray()
    for row in reversed(image.pixels):
        for r, g, b, a in row:
            if a == 0:
                r = g = b = 0
            colours += bytes((b, g, r, a))
    mask_stride = ((image.width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(image.pixels):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, image.width, image.height * 2, 1, 32, 0,
                       len(colours) + len(mask), 0, 0, 0, 0)
    return info + bytes(colours) + bytes(mask)


def ico_bytes(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    bodies = [icon_image_bytes(image) for image in images]
    offset = len(directory) + 16 * len(images)
    entries = b""
    for image, body in zip(images, bodies):
        size = lambda n: 0 if n >= 256 else n
        entries += struct.pack("<BBBBHHII", size(image.width), size(image.height), 0, 0, 1, 32,
                               len(body), offset)
        offset += len(body)
    return directory + entries + b"".join(bodies)


# --- Windows metafile --------------------------------------------------------------------------

META_SETBKMODE = 0x0102
META_SETWINDOWORG = 0x020B
META_SETWINDOWEXT = 0x020C
META_SELECTOBJECT = 0x012D
META_DELETEOBJECT = 0x01F0
META_CREATEPENINDIRECT = 0x02FA
META_CREATEBRUSHINDIRECT = 0x02FC
META_POLYGON = 0x0324
META_POLYLINE = 0x0325
META_RECTANGLE = 0x041B
META_ELLIPSE = 0x0418
META_ROUNDRECT = 0x061C
META_EOF = 0x0000

PS_SOLID, PS_NULL = 0, 5
BS_SOLID, BS_NULL = 0, 1
TRANSPARENT = 1
PLACEABLE_KEY = 0x9AC6CDD7


class Metafile:
    """Collects records and keeps the object table the way the player fills it: a new object
    takes the lowest free slot."""

    def __init__(self):
        self.records = []
        self.slots = []
        self.selected = {}

    def record(self, function, *words):
        self.records.append((function, [w & 0xFFFF for w in words]))

    def create(self, kind, function, *words):
        self.record(function, *words)
        slot = self.slots.index(None) if None in self.slots else len(self.slots)
        if slot == len(self.slots):
            self.slots.append(None)
        self.slots[slot] = kind
        self.record(META_SELECTOBJECT, slot)
        old = self.selected.get(kind)
        self.selected[kind] = slot
        if old is not None:
            self.record(META_DELETEOBJECT, old)
            self.slots[old] = None

    def pen(self, colour, width):
        style = PS_NULL if colour is None else PS_SOLID
        ref = colour_ref(colour)
        self.create("pen", META_CREATEPENINDIRECT, style, width, 0, ref & 0xFFFF, ref >> 16)

    def brush(self, colour):
        style = BS_NULL if colour is None else BS_SOLID
        ref = colour_ref(colour)
        self.create("brush", META_CREATEBRUSHINDIRECT, style, ref & 0xFFFF, ref >> 16, 0)

    def body(self):
        """The standard metafile: header, records and the end record."""
        out = bytearray()
        max_record = 3
        for function, words in self.records + [(META_EOF, [])]:
            size = 3 + len(words)
            max_record = max(max_record, size)
            out += struct.pack("<IH", size, function) + struct.pack(f"<{len(words)}H", *words)
        total_words = 9 + len(out) // 2
        header = struct.pack("<HHHIHIH", 1, 9, 0x0300, total_words, len(self.slots), max_record, 0)
        return header + bytes(out)


def colour_ref(colour):
    if colour is None:
        return 0
    r, g, b, _ = colour
    return r | (g << 8) | (b << 16)


def placeable_header(left, top, right, bottom, inch):
    words = struct.pack("<IHhhhhHI", PLACEABLE_KEY, 0, left, top, right, bottom, inch, 0)
    checksum = 0
    for (word,) in struct.iter_unpack("<H", words):
        checksum ^= word
    return words + struct.pack("<H", checksum)


def read_drawing(path, shared_palette):
    """Vector art, one command a line:
        size W H INCH          logical extent of the picture and units per inch (first line)
        pen none | pen COLOUR [WIDTH]
        brush none | brush COLOUR
        polygon x,y x,y ...    filled with the brush, outlined with the pen
        polyline x,y x,y ...
        rect L T R B | ellipse L T R B | roundrect L T R B W H
    COLOUR is a palette character or RRGGBB."""
    meta = Metafile()
    size = None

    def colour(token):
        if token in shared_palette:
            return shared_palette[token]
        if re.fullmatch(r"[0-9A-Fa-f]{6}", token):
            return parse_colour(token)
        raise ArtError(f"{path}: unknown colour {token}")

    def points(tokens):
        result = []
        for token in tokens:
            x, y = token.split(",")
            result += [int(x), int(y)]
        return result

    for number, line in read_lines(path):
        command, *args = line.split()
        try:
            if command == "size":
                size = tuple(int(a) for a in args)
                meta.record(META_SETWINDOWORG, 0, 0)
                meta.record(META_SETWINDOWEXT, size[1], size[0])
                meta.record(META_SETBKMODE, TRANSPARENT, 0)
            elif size is None:
                raise ArtError("the first command must be 'size'")
            elif command == "pen":
                meta.pen(None if args[0] == "none" else colour(args[0]), int(args[1]) if len(args) > 1 else 1)
            elif command == "brush":
                meta.brush(None if args[0] == "none" else colour(args[0]))
            elif command in ("polygon", "polyline"):
                coords = points(args)
                function = META_POLYGON if command == "polygon" else META_POLYLINE
                meta.record(function, len(coords) // 2, *coords)
            elif command in ("rect", "ellipse"):
                left, top, right, bottom = (int(a) for a in args)
                function = META_RECTANGLE if command == "rect" else META_ELLIPSE
                meta.record(function, bottom, right, top, left)
            elif command == "roundrect":
                left, top, right, bottom, w, h = (int(a) for a in args)
                meta.record(META_ROUNDRECT, h, w, bottom, right, top, left)
            else:
                raise ArtError(f"unknown command {command}")
        except (ValueError, IndexError) as error:
            raise ArtError(f"{path}:{number}: {error}")
        except ArtError as error:
            raise ArtError(f"{path}:{number}: {error}")
    if size is None:
        raise ArtError(f"{path}: empty drawing")
    width, height, inch = size
    return placeable_header(0, 0, width, height, inch) + meta.body()


# --- Outputs -------------------------------------------------------------------------------------

def build(art_dir, out_dir):
    palette = read_palette(os.path.join(art_dir, "palette.txt"))
    art = lambda *parts: os.path.join(art_dir, *parts)
    outputs = {}

    strip = []
    for name in TOOLBAR_BUTTONS:
        path = art("toolbar", name + ".txt")
        strip.append(flatten(read_pixel_art(path, palette, 16, 16), MAGENTA, path))
    outputs["toolbar.bmp"] = bmp_bytes(join_horizontally(strip))

    path = art("tab-close.txt")
    outputs["tab-close.bmp"] = bmp_bytes(flatten(read_pixel_art(path, palette, 16, 16), GREEN, path))

    # The FTP dialog's small buttons: the program paints the colour of the top left pixel, which
    # must therefore be transparent, in the button face colour when it loads them.
    for name in FTP_BUTTONS:
        path = art("ftp", name + ".txt")
        image = read_pixel_art(path, palette, 16, 16)
        if image.pixel(0, 0)[3] != 0:
            raise ArtError(f"{path}: the top left pixel must be transparent")
        outputs[f"ftp-{name}.bmp"] = bmp_bytes(flatten(image, MAGENTA, path))

    for name in ("quillmark", "document"):
        images = [read_pixel_art(art(f"{name}-{n}.txt"), palette, n, n) for n in (32, 16)]
        outputs[f"{name}.ico"] = ico_bytes(images)

    outputs["logo.wmf"] = read_drawing(art("logo.txt"), palette)

    os.makedirs(out_dir, exist_ok=True)
    for name, data in outputs.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    try:
        build(argv[1], argv[2])
    except ArtError as error:
        sys.stderr.write(f"make_images: {error}\n")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
