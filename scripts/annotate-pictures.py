#!/usr/bin/python3
"""Numbered callouts on tarn2's window and labels on the drawing, for the
guide's pictures (ImageMagick draws them).

    annotate-pictures.py SHOTS_DIR IMAGES_DIR

SHOTS_DIR holds the whole road's road-tarn2.png, road-cad.png and road.dxf.
The drawing's labels are placed by the drawing's own coordinates: the view's
scale and offset are measured from where the lines lie in the picture.
"""
import subprocess
import sys

import ezdxf

FONT = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"
CLIENT = (295, 255)  # Form1's 4425 x 3825 twips at 96 dpi
# Callout number and where it stands in the client area (pixels at 96 dpi):
# at the right end of the control it names, clear of its text.
CALLOUTS = [(1, 73, 12), (2, 73, 44), (3, 75, 76), (4, 137, 108), (5, 241, 100),
            (6, 282, 134), (7, 137, 140), (8, 14, 192), (9, 266, 206)]
# The road's points (scripts/road-session.sh).
KA, KE, SIDE = (10.0, 20.0), (59.92193149366025, 22.0810093401773635), (35.0, 15.0)


def size(path):
    out = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[0]), int(out[1])


def pixels(path):
    """Width, height and RGB bytes of a picture."""
    ppm = subprocess.run(["convert", path, "ppm:-"], check=True, capture_output=True).stdout
    fields, start = [], 0
    while len(fields) < 4:
        end = ppm.index(b"\n", start) if len(fields) < 3 else ppm.index(b"\n", start)
        fields.extend(ppm[start:end].split())
        start = end + 1
    return int(fields[1]), int(fields[2]), ppm[start:]


def callouts(source, target):
    width, height = size(source)
    border = (width - CLIENT[0]) // 2
    top = height - CLIENT[1] - border
    zoom = 2
    draw = ["convert", source, "-filter", "point", "-resize", "%d%%" % (zoom * 100),
            "-font", FONT, "-pointsize", "15", "-gravity", "NorthWest"]
    for number, left, y in CALLOUTS:
        cx = (border + left) * zoom
        cy = (top + y) * zoom
        draw += ["-fill", "#d00000", "-stroke", "white", "-strokewidth", "1.5",
                 "-draw", "circle %d,%d %d,%d" % (cx, cy, cx + 11, cy),
                 "-stroke", "none", "-fill", "white",
                 "-annotate", "+%d+%d" % (cx - 4, cy - 9), str(number)]
    subprocess.run(draw + ["-strip", target], check=True)


def drawing_view(path, dxf):
    """The map from drawing to picture: the lines' extents in the drawing
    against the bright pixels in the dark drawing area."""
    width, height, rgb = pixels(path)

    def at(x, y):
        i = 3 * (y * width + x)
        return rgb[i], rgb[i + 1], rgb[i + 2]

    background = at(width // 2, height // 4)
    def dark(x, y):
        return all(abs(c - b) < 8 for c, b in zip(at(x, y), background))

    # The drawing area: the background's rows and columns through the middle.
    row, column = height // 4, width // 2
    left = min(x for x in range(width) if dark(x, row))
    right = max(x for x in range(width) if dark(x, row))
    top = min(y for y in range(height) if dark(column, y))
    bottom = max(y for y in range(height) if dark(column, y))
    bright = [(x, y) for y in range(top + 2, bottom - 1) for x in range(left + 2, right - 1)
              if sum(at(x, y)) > 450]
    xs = [p[0] for p in bright]
    ys = [p[1] for p in bright]
    points = []
    for entity in ezdxf.readfile(dxf).modelspace():
        if entity.dxftype() == "LINE":
            points += [entity.dxf.start, entity.dxf.end]
        else:
            points += [v.dxf.location for v in entity.vertices]
    min_x, max_x = min(p[0] for p in points), max(p[0] for p in points)
    min_y, max_y = min(p[1] for p in points), max(p[1] for p in points)
    scale = (max(xs) - min(xs)) / (max_x - min_x)
    return lambda x, y: (min(xs) + (x - min_x) * scale, max(ys) - (y - min_y) * scale)


def labels(source, dxf, target):
    view = drawing_view(source, dxf)
    # point, text, offset of the text, whether the point itself is marked
    items = [(KA, "KA", (-6, 12), True), (KE, "KE", (8, -4), True),
             (SIDE, "曲線位置", (10, -8), True), ((30.0, 20.2), "中心線", (0, -26), False),
             ((30.0, 17.1), "平行線 W = 3 m", (0, 8), False), ((59.3, 27.0), "法線", (8, 0), False)]
    draw = ["convert", source, "-font", FONT, "-pointsize", "16"]
    for (x, y), text, (dx, dy), mark in items:
        px, py = view(x, y)
        draw += ["-fill", "#ffd000", "-stroke", "none"]
        if mark:
            draw += ["-draw", "circle %d,%d %d,%d" % (px, py, px + 4, py)]
        draw += ["-annotate", "+%d+%d" % (px + dx, py + dy + 16), text]
    subprocess.run(draw + ["-strip", target], check=True)


if __name__ == "__main__":
    shots, images = sys.argv[1], sys.argv[2]
    callouts(shots + "/road-tarn2.png", images + "/tarn2.png")
    labels(shots + "/road-cad.png", shots + "/road.dxf", images + "/road.png")
