# The image generator: art parsing, bitmap rows, icon masks and the metafile's object table.

import os
import struct
import tempfile
import unittest

import make_images as mi


def write(folder, name, text):
    path = os.path.join(folder, name)
    with open(path, "w", encoding="ascii") as f:
        f.write(text)
    return path


class PixelArt(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.palette = {"k": (0, 0, 0, 255), "w": (255, 255, 255, 255)}

    def tearDown(self):
        self.folder.cleanup()

    def read(self, text, width=3, height=2):
        return mi.read_pixel_art(write(self.folder.name, "a.txt", text), self.palette, width, height)

    def test_local_entries_override_the_shared_palette_and_dot_is_transparent(self):
        image = self.read("# c\nk = ff0000\nk.w\nwwk\n")
        self.assertEqual(image.pixel(0, 0), (255, 0, 0, 255))
        self.assertEqual(image.pixel(1, 0)[3], 0)
        self.assertEqual(image.pixel(2, 1), (255, 0, 0, 255))

    def test_mistakes_in_the_art_are_reported(self):
        for text in ("kw\nwwk\n",        # short row
                     "kwk\n",            # missing row
                     "kwk\nwxk\n",       # colour not in the palette
                     ". = 000000\nkwk\nwwk\n"):
            with self.subTest(text=text), self.assertRaises(mi.ArtError):
                self.read(text)

    def test_a_bitmap_may_not_use_its_key_colour(self):
        self.palette["M"] = mi.MAGENTA + (255,)
        image = self.read("kMk\nwwk\n")
        with self.assertRaises(mi.ArtError):
            mi.flatten(image, mi.MAGENTA, "a.txt")
        self.assertEqual(mi.flatten(image, mi.GREEN, "a.txt")[0][1], mi.MAGENTA)


class Files(unittest.TestCase):
    def test_bmp_rows_are_padded_and_bottom_up(self):
        rows = [[(1, 2, 3)] * 3, [(4, 5, 6)] * 3]
        data = mi.bmp_bytes(rows)
        offset, = struct.unpack_from("<I", data, 10)
        width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
        self.assertEqual((width, height, bits), (3, 2, 24))
        self.assertEqual(len(data), offset + 2 * 12)  # 9 bytes a row padded to 12
        self.assertEqual(data[offset:offset + 3], bytes((6, 5, 4)))  # bottom row first, BGR
        self.assertEqual(data[offset + 12:offset + 15], bytes((3, 2, 1)))

    def test_icon_mask_marks_exactly_the_transparent_pixels(self):
        opaque, clear = (9, 8, 7, 255), (0, 0, 0, 0)
        image = mi.Image(16, 16, [[clear if x == y else opaque for x in range(16)] for y in range(16)])
        data = mi.ico_bytes([image, image])
        count, = struct.unpack_from("<H", data, 4)
        self.assertEqual(count, 2)
        size, offset = struct.unpack_from("<II", data, 6 + 8)
        second_size, second_offset = struct.unpack_from("<II", data, 6 + 16 + 8)
        self.assertEqual(second_offset, offset + size)
        self.assertEqual(second_offset + second_size, len(data))
        mask = data[offset + 40 + 16 * 16 * 4:offset + size]
        self.assertEqual(len(mask), 16 * 4)
        for y in range(16):
            row = int.from_bytes(mask[(15 - y) * 4:(15 - y) * 4 + 2], "big")
            self.assertEqual(row, 0x8000 >> y, f"row {y}")


class Drawing(unittest.TestCase):
    def play(self, text):
        """Replays the records like the system's player: objects take the lowest free slot."""
        with tempfile.TemporaryDirectory() as folder:
            data = mi.read_drawing(write(folder, "logo.txt", text), {"k": (0, 0, 0, 255)})
        body = data[22:]
        _, _, _, size, objects, max_record, _ = struct.unpack_from("<HHHIHIH", body)
        self.assertEqual(size * 2, len(body))
        table, offset, functions, largest = [None] * objects, 18, [], 0
        while offset < len(body):
            length, function = struct.unpack_from("<IH", body, offset)
            largest = max(largest, length)
            argument = struct.unpack_from("<H", body, offset + 6)[0] if length > 3 else None
            if function in (mi.META_CREATEPENINDIRECT, mi.META_CREATEBRUSHINDIRECT):
                self.assertIn(None, table, "more objects alive than announced")
                table[table.index(None)] = function
            elif function == mi.META_SELECTOBJECT:
                self.assertIsNotNone(table[argument], "selects a free slot")
            elif function == mi.META_DELETEOBJECT:
                self.assertIsNotNone(table[argument], "deletes a free slot")
                table[argument] = None
            functions.append(function)
            offset += length * 2
        self.assertEqual(largest, max_record)
        return data, functions, table

    def test_objects_are_replaced_without_leaking_slots(self):
        _, functions, table = self.play(
            "size 48 48 96\npen k\nbrush ff0000\npen none\nbrush none\npen k 2\nrect 1 2 30 40\n")
        self.assertEqual(functions[-1], mi.META_EOF)
        self.assertEqual(functions.count(mi.META_DELETEOBJECT), 3)
        self.assertEqual(sum(slot is not None for slot in table), 2)  # the pen and brush in use

    def test_rectangle_parameters_are_stored_in_reverse(self):
        data, _, _ = self.play("size 48 48 96\nrect 1 2 30 40\n")
        body = data[22:]
        offset = 18
        while True:
            length, function = struct.unpack_from("<IH", body, offset)
            if function == mi.META_RECTANGLE:
                self.assertEqual(struct.unpack_from("<4h", body, offset + 6), (40, 30, 2, 1))
                return
            offset += length * 2


if __name__ == "__main__":
    unittest.main()
