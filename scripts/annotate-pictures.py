#!/usr/bin/python3
"""Numbered callouts on tarn2's window and labels on the drawing, for the
guide's pictures (ImageMagick draws them).

    annotate-pictures.py SHOTS_DIR IMAGES_DIR

SHOTS_DIR holds the whole road's road-tarn2.png, road-cad.png and road.dxf,
and for each tab N tabN-tarn2.png, tabN-cad.png and tabN.dxf, and the message
boxes message-KIND-box.png (scripts/guide-pictures-session.sh). Each tab's
picture is tarn2's window with callouts beside the labelled drawing.
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
# The callouts of each tab's own controls, numbered on from 10.
TAB_CALLOUTS = {
    1: [(10, 81, 196), (11, 97, 228), (12, 201, 228)],  # 線上外点 and its X, Y
    2: [(10, 153, 220)],  # KAからの距離(m)
    3: [(10, 177, 220)],  # 曲線長
    5: [(10, 113, 204), (11, 113, 236), (12, 201, 192)],  # W, dW, 拡幅方法
    # クロソイド曲線長Ｌ(m); the second point's callout clear of its long caption
    6: [(10, 169, 220), (2, 80, 33)],
}
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


def callouts(source, target, extra=()):
    width, height = size(source)
    border = (width - CLIENT[0]) // 2
    top = height - CLIENT[1] - border
    zoom = 2
    draw = ["convert", source, "-filter", "point", "-resize", "%d%%" % (zoom * 100),
            "-font", FONT, "-pointsize", "15", "-gravity", "NorthWest"]
    # A tab's own callout of the same number takes the place of the common one.
    numbers = {number for number, _, _ in extra}
    for number, left, y in [c for c in CALLOUTS if c[0] not in numbers] + list(extra):
        cx = (border + left) * zoom
        cy = (top + y) * zoom
        wide = number >= 10
        draw += ["-fill", "#d00000", "-stroke", "white", "-strokewidth", "1.5",
                 "-draw", "circle %d,%d %d,%d" % (cx, cy, cx + (13 if wide else 11), cy),
                 "-stroke", "none", "-fill", "white",
                 "-annotate", "+%d+%d" % (cx - (8 if wide else 4), cy - 9), str(number)]
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


ROAD_LABELS = [(KA, "KA", (-6, 12), True), (KE, "KE", (8, -4), True),
               (SIDE, "曲線位置", (10, -8), True), ((30.0, 20.2), "中心線", (0, -26), False),
               ((30.0, 17.1), "平行線 W = 3 m", (0, 8), False),
               ((59.3, 27.0), "法線", (8, 0), False)]
# Each tab's labels: the points it is given and the lines it draws (the
# centre line drawn first on the tabs that draw something beside it).
CENTRE = ((20.0, 20.1), "中心線", (0, -26), False)
COMMON = [(KA, "KA", (-6, 12), True), (SIDE, "曲線位置", (10, -8), True), CENTRE]
TAB_LABELS = {
    0: COMMON + [(KE, "線上点", (-30, 8), True), ((59.3, 27.0), "法線 (10 m)", (-100, 0), False)],
    1: COMMON + [(KE, "KE", (8, -4), True), ((30.0, 30.0), "線上外点", (8, -8), True),
                 ((30.0, 25.5), "垂線", (8, 0), False)],
    2: COMMON + [(KE, "KE", (8, -4), True),
                 ((40.0, 26.0), "KA から 30 m の点の法線", (8, -8), False)],
    3: COMMON + [(KE, "線上点 (曲線長 50 m)", (-150, -30), True)],
    4: COMMON + [(KE, "KE", (8, -4), True)],
    5: COMMON + [(KE, "KE", (8, -4), True),
                 ((20.0, 17.0), "平行線 W = 3 m, dW = 0.5 m", (0, 8), False)],
    6: [(KA, "KA", (-6, 12), True), (SIDE, "曲線位置", (10, -8), True),
        ((40.0, 20.0), "接線方向端点", (0, 8), True), CENTRE,
        (KE, "L = 50 m の点", (-100, -30), True)],
}


def labels(source, dxf, target, items=ROAD_LABELS):
    view = drawing_view(source, dxf)
    # point, text, offset of the text, whether the point itself is marked
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
    for tab in range(7):
        base = "%s/tab%d" % (shots, tab)
        callouts(base + "-tarn2.png", base + "-tarn2-callouts.png", TAB_CALLOUTS.get(tab, ()))
        labels(base + "-cad.png", base + ".dxf", base + "-cad-labels.png", TAB_LABELS[tab])
        subprocess.run(["convert", base + "-tarn2-callouts.png", base + "-cad-labels.png",
                        "-background", "white", "-gravity", "north", "+append", "-strip",
                        "%s/tab%d.png" % (images, tab)], check=True)
    for kind in ("input", "nocad", "nopoint", "cancel", "waiting", "stopped", "result"):
        subprocess.run(["convert", "%s/message-%s-box.png" % (shots, kind), "-strip",
                        "%s/message-%s.png" % (images, kind)], check=True)
