#!/usr/bin/env python3
"""tools/compose-desktop's drawing: the desktop as Windows shows it, from a
root capture that shows layered windows without their alpha."""

import importlib.machinery
import importlib.util
import os
import struct
import subprocess
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "compose-desktop")
loader = importlib.machinery.SourceFileLoader("compose_desktop", TOOL)
spec = importlib.util.spec_from_loader("compose_desktop", loader)
cd = importlib.util.module_from_spec(spec)
loader.exec_module(cd)

BLACK, WHITE, RED, BLUE = b"\0\0\0", b"\xff\xff\xff", b"\xff\0\0", b"\0\0\xff"


def solid(width, height, colour):
    return cd.Image(width, height, bytearray(colour * (width * height)))


def layered(width, height, pixels):
    """pixels: {(x, y): (r, g, b, a)} premultiplied; the rest transparent."""
    rgb, alpha = bytearray(width * height * 3), bytearray(width * height)
    for (x, y), (r, g, b, a) in pixels.items():
        rgb[(y * width + x) * 3:(y * width + x) * 3 + 3] = bytes((r, g, b))
        alpha[y * width + x] = a
    return cd.Image(width, height, rgb, alpha)


def at(image, x, y):
    o = (y * image.width + x) * 3
    return bytes(image.rgb[o:o + 3])


def gradient(width, height):
    """A wallpaper with a colour of its own at every place."""
    return cd.Image(width, height, bytearray(b"".join(bytes((x * 20, y * 20, 7)) for y in range(height)
                                                      for x in range(width))))


class Compose(unittest.TestCase):
    def test_key_pixels_show_the_wallpaper_and_the_rest_the_window(self):
        # The root capture holds black under the layered window, as Xvfb shows it.
        root = solid(8, 6, BLUE)
        cd.fill(root, 2, 1, 3, 2, BLACK)
        window = cd.Window(2, 1, 3, 2, layered(3, 2, {(0, 0): (255, 0, 0, 255), (2, 1): (0, 255, 0, 255)}))
        out = cd.compose(root, (0, 0, 8, 6), [window], gradient(8, 6))
        self.assertEqual(at(out, 2, 1), RED)
        self.assertEqual(at(out, 4, 2), b"\0\xff\0")
        for x, y in [(3, 1), (4, 1), (2, 2), (3, 2)]:
            self.assertEqual(at(out, x, y), bytes((x * 20, y * 20, 7)), (x, y))
        # The bare desktop is the wallpaper too.
        self.assertEqual(at(out, 7, 5), bytes((140, 100, 7)))

    def test_partial_alpha_blends_premultiplied_over_what_lies_below(self):
        root = solid(1, 1, BLACK)
        # Premultiplied half-transparent red over (100, 200, 50): 128 + c * 127 / 255, rounded.
        window = cd.Window(0, 0, 1, 1, layered(1, 1, {(0, 0): (128, 0, 0, 128)}))
        wallpaper = cd.Image(1, 1, bytearray((100, 200, 50)))
        out = cd.compose(root, (0, 0, 1, 1), [window], wallpaper)
        self.assertEqual(at(out, 0, 0), bytes((178, 100, 25)))

    def test_windows_are_drawn_in_stacking_order(self):
        root = solid(6, 1, WHITE)
        # Root capture: the opaque window at x 0..2 is on top and shows; the
        # layered ones show black where they are transparent.
        cd.fill(root, 3, 0, 3, 1, BLACK)
        root.rgb[0:9] = RED * 3
        lower = cd.Window(1, 0, 5, 1, layered(5, 1, {(2, 0): (0, 0, 255, 255), (3, 0): (0, 0, 255, 255)}))
        upper = cd.Window(3, 0, 3, 1, layered(3, 1, {(1, 0): (0, 255, 0, 255)}))
        opaque = cd.Window(0, 0, 3, 1)
        out = cd.compose(root, (0, 0, 6, 1), [lower, upper, opaque], solid(6, 1, b"\x10\x20\x30"))
        self.assertEqual([at(out, x, 0) for x in range(6)],
                         [RED, RED, RED, BLUE, b"\0\xff\0", b"\x10\x20\x30"])

    def test_without_a_wallpaper_the_desktop_colour_shows_through(self):
        root = solid(16, 16, b"\x3a\x6e\xa5")
        cd.fill(root, 0, 0, 4, 4, BLACK)
        window = cd.Window(0, 0, 4, 4, layered(4, 4, {(1, 1): (255, 255, 255, 255)}))
        out = cd.compose(root, (0, 0, 16, 16), [window])
        self.assertEqual(at(out, 0, 0), b"\x3a\x6e\xa5")
        self.assertEqual(at(out, 1, 1), WHITE)
        self.assertEqual(at(out, 10, 10), b"\x3a\x6e\xa5")

    def test_wallpaper_is_centred_on_the_desktop_colour_or_tiled(self):
        root = solid(6, 4, b"\x01\x02\x03")
        window = cd.Window(5, 0, 1, 1, layered(1, 1, {}))
        small = gradient(2, 2)
        centred = cd.compose(root, (0, 0, 6, 4), [window], small)
        self.assertEqual(at(centred, 2, 1), bytes((0, 0, 7)))
        self.assertEqual(at(centred, 3, 2), bytes((20, 20, 7)))
        self.assertEqual(at(centred, 0, 0), b"\x01\x02\x03")
        self.assertEqual(at(centred, 5, 3), b"\x01\x02\x03")
        tiled = cd.compose(root, (0, 0, 6, 4), [window], small, tiled=True)
        self.assertEqual(at(tiled, 0, 0), bytes((0, 0, 7)))
        self.assertEqual(at(tiled, 5, 3), bytes((20, 20, 7)))

    def test_a_window_reaching_past_the_screen_is_clipped(self):
        root = solid(4, 4, BLACK)
        window = cd.Window(2, -1, 4, 4, layered(4, 4, {(0, 1): (9, 9, 9, 255), (3, 3): (8, 8, 8, 255)}))
        out = cd.compose(root, (0, 0, 4, 4), [window], solid(4, 4, WHITE))
        self.assertEqual(at(out, 2, 0), b"\x09\x09\x09")
        self.assertEqual(at(out, 3, 2), WHITE)


class Pixels(unittest.TestCase):
    def test_argb_rows_in_both_byte_orders_and_with_padding(self):
        lsb = bytes((1, 2, 3, 4, 5, 6, 7, 8, 0xEE, 0xEE))   # B G R A, two pixels, 2 bytes of padding
        image = cd.argb_rows(lsb, 2, 1, 10, 0)
        self.assertEqual(bytes(image.rgb), bytes((3, 2, 1, 7, 6, 5)))
        self.assertEqual(bytes(image.alpha), bytes((4, 8)))
        msb = bytes((4, 3, 2, 1))   # A R G B
        image = cd.argb_rows(msb, 1, 1, 4, 1)
        self.assertEqual(bytes(image.rgb), bytes((3, 2, 1)))
        self.assertEqual(bytes(image.alpha), bytes((4,)))
        with self.assertRaises(ValueError):
            cd.argb_rows(lsb[:7], 2, 1, 8, 0)

    def test_ppm_with_a_comment(self):
        image = cd.read_ppm(b"P6\n# made by hand\n2 1\n255\n" + bytes(range(6)))
        self.assertEqual((image.width, image.height, bytes(image.rgb)), (2, 1, bytes(range(6))))
        for bad in [b"P5\n1 1\n255\n\0", b"P6\n1 1\n65535\n" + bytes(6), b"P6\n2 2\n255\n" + bytes(5)]:
            with self.assertRaises(ValueError):
                cd.read_ppm(bad)

    def test_png_reads_back_through_imagemagick(self):
        image = gradient(5, 3)
        with tempfile.TemporaryDirectory() as work:
            path = os.path.join(work, "out.png")
            cd.write_png(image, path)
            back = cd.read_ppm(subprocess.run(["convert", path, "-depth", "8", "ppm:-"], stdout=subprocess.PIPE,
                                              check=True).stdout)
        self.assertEqual((back.width, back.height, bytes(back.rgb)), (5, 3, bytes(image.rgb)))


class WallpaperPath(unittest.TestCase):
    def test_drive_paths_resolve_without_case_inside_the_prefix(self):
        with tempfile.TemporaryDirectory() as prefix:
            drive = os.path.join(prefix, "drive_c")
            os.makedirs(os.path.join(drive, "users", "root", "AppData"))
            with open(os.path.join(drive, "users", "root", "AppData", "wallpaper.bmp"), "wb") as f:
                f.write(b"BM")
            os.makedirs(os.path.join(prefix, "dosdevices"))
            os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
            found = cd.unix_path(prefix, r"C:\Users\ROOT\appdata\Wallpaper.BMP")
            self.assertEqual(os.path.realpath(found),
                             os.path.realpath(os.path.join(drive, "users", "root", "AppData", "wallpaper.bmp")))
            for missing in [r"C:\users\root\AppData\other.bmp", r"D:\wallpaper.bmp", "", "wallpaper.bmp",
                            r"C:\users\root\AppData"]:
                self.assertIsNone(cd.unix_path(prefix, missing), missing)


if __name__ == "__main__":
    unittest.main()
