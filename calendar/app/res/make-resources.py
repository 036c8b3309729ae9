#!/usr/bin/env python3
"""Makes the calendar program's pictures and data resources in this folder:
moon icons MOND0..MOND7, the program icon, the title banner and the month
picture table C00X. Run by hand; the results are committed."""
import math
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def write_pam(path, width, height, pixels):
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (width, height))
        f.write(bytes(pixels))


def supersample(size, colour_at, n=4):
    """RGBA pixels of a size x size picture; colour_at(x, y) gives an RGBA tuple
    for a point in pixel units, averaged over n x n samples per pixel."""
    out = []
    for py in range(size):
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = colour_at(px + (sx + 0.5) / n, py + (sy + 0.5) / n)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3] / (n * n)
            if acc[3] > 0:
                out += [round(acc[0] / acc[3]), round(acc[1] / acc[3]), round(acc[2] / acc[3]), round(a)]
            else:
                out += [0, 0, 0, 0]
    return out


def moon(phase, size=64):
    """Phase 0 new moon .. 4 full .. 7 waning crescent; lit on the right while waxing."""
    theta = math.radians(phase * 45.0)
    c = size / 2.0
    r = size / 2.0 - 2.0
    lit = (250, 236, 160, 255)
    dark = (52, 56, 78, 255)
    rim = (120, 124, 150, 255)

    def colour_at(x, y):
        dx, dy = x - c, y - c
        d = math.hypot(dx, dy)
        if d > r:
            return (0, 0, 0, 0)
        if d > r - size / 32.0:
            return rim
        w = math.sqrt(max(r * r - dy * dy, 0.0))
        if phase <= 4:
            on = dx > w * math.cos(theta)
        else:
            on = dx < w * math.cos(theta - math.pi)
        return lit if on else dark

    return supersample(size, colour_at)


def app_icon(size=64):
    """A calendar sheet: red header with two rings, white page with day dots."""
    s = size / 32.0

    def colour_at(x, y):
        x /= s
        y /= s
        if not (3 <= x <= 29 and 4 <= y <= 29):
            return (0, 0, 0, 0)
        if (abs(x - 10) < 1.3 or abs(x - 22) < 1.3) and y < 9:
            return (90, 90, 90, 255)
        if y < 11:
            return (200, 30, 40, 255)
        if x < 4 or x > 28 or y > 28:
            return (120, 120, 120, 255)
        gx, gy = (x - 5.5) % 4.5, (y - 13) % 4.0
        if x < 27 and y < 27.5 and gx < 2.2 and gy < 2.0:
            return (60, 70, 150, 255) if (x - 5.5) // 4.5 != 3 or (y - 13) // 4 != 2 else (200, 30, 40, 255)
        return (250, 250, 250, 255)

    return supersample(size, colour_at)


def to_icon(pixels, size, out):
    with tempfile.TemporaryDirectory() as tmp:
        pam = os.path.join(tmp, "in.pam")
        write_pam(pam, size, size, pixels)
        subprocess.run(["convert", pam, "-define", "icon:auto-resize=32,16", out], check=True)


def title(out):
    width, height = 400, 80
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "title.ppm")
        rows = bytearray()
        for y in range(height):
            for x in range(width):
                t = x / (width - 1)
                u = y / (height - 1)
                rows += bytes((int(20 + 40 * t), int(50 + 70 * t + 20 * u), int(110 + 90 * t)))
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (width, height))
            f.write(rows)
        png = os.path.join(tmp, "title.png")
        subprocess.run(["convert", ppm, "-fill", "#f4e9a8", "-draw", "circle 360,40 360,12",
                        "-fill", "#1c3a6e", "-draw", "circle 350,34 350,12",
                        "-font", "DejaVu-Sans-Bold", "-pointsize", "30", "-fill", "white",
                        "-annotate", "+20+44", "KV840",
                        "-font", "DejaVu-Sans", "-pointsize", "15", "-fill", "#dfe8ff",
                        "-annotate", "+22+66", "Desktop-Kalender", png], check=True)
        subprocess.run(["convert", png, "-quality", "90", "-sampling-factor", "2x2", "-strip", out], check=True)


def month_table(out, count=12):
    data = struct.pack("<I", count) + bytes(512 - 4)
    with open(out, "wb") as f:
        f.write(data)


def main():
    for k in range(8):
        to_icon(moon(k), 64, os.path.join(HERE, "mond%d.ico" % k))
    to_icon(app_icon(), 64, os.path.join(HERE, "app.ico"))
    title(os.path.join(HERE, "titel.jpg"))
    month_table(os.path.join(HERE, "c00x.bin"))


if __name__ == "__main__":
    main()
