#!/usr/bin/env python3
"""Draws the guide's two figures as SVG: the clothoid's elements, and the side
of a parallel line with the direction of the normals.

    guide-figures.py OUT_DIR        (writes clothoid.svg and side.svg)

The curves are computed here by numerical integration of the clothoid, not by
the curve library, so that a figure cannot inherit a fault of the library.
"""
import math
import sys

FONT = "IPAPGothic, IPAGothic, sans-serif"


def clothoid(a, s, steps=400):
    """Local point at arc length s of the clothoid A (Simpson's rule)."""
    if s == 0:
        return 0.0, 0.0
    h = s / steps
    x = y = 0.0
    for i in range(steps + 1):
        t = i * h
        w = 1 if i in (0, steps) else (4 if i % 2 else 2)
        phi = t * t / (2 * a * a)
        x += w * math.cos(phi)
        y += w * math.sin(phi)
    return x * h / 3, y * h / 3


class Svg:
    def __init__(self, width, height, scale, origin):
        self.width, self.height, self.scale, self.origin = width, height, scale, origin
        self.parts = []

    def p(self, x, y):
        return (self.origin[0] + x * self.scale, self.origin[1] - y * self.scale)

    def polyline(self, points, colour="#000", width=2, dash=None):
        text = " ".join("%.2f,%.2f" % self.p(x, y) for x, y in points)
        extra = ' stroke-dasharray="%s"' % dash if dash else ""
        self.parts.append('<polyline points="%s" fill="none" stroke="%s" stroke-width="%s"%s/>'
                          % (text, colour, width, extra))

    def arrow(self, start, end, colour="#000", width=2):
        self.polyline([start, end], colour, width)
        (x0, y0), (x1, y1) = self.p(*start), self.p(*end)
        angle = math.atan2(y1 - y0, x1 - x0)
        head = [(x1, y1)]
        for turn in (2.7, -2.7):
            head.append((x1 + 12 * math.cos(angle + turn), y1 + 12 * math.sin(angle + turn)))
        self.parts.append('<polygon points="%s" fill="%s"/>'
                          % (" ".join("%.2f,%.2f" % q for q in head), colour))

    def dot(self, x, y, colour="#000", r=5):
        cx, cy = self.p(x, y)
        self.parts.append('<circle cx="%.2f" cy="%.2f" r="%s" fill="%s"/>' % (cx, cy, r, colour))

    def text(self, x, y, label, colour="#000", size=18, anchor="start", dx=0, dy=0):
        cx, cy = self.p(x, y)
        self.parts.append('<text x="%.2f" y="%.2f" font-family="%s" font-size="%s" fill="%s" '
                          'text-anchor="%s">%s</text>'
                          % (cx + dx, cy + dy, FONT, size, colour, anchor, label))

    def raw_text(self, x, y, label, size=18, anchor="start", colour="#000"):
        self.parts.append('<text x="%s" y="%s" font-family="%s" font-size="%s" fill="%s" '
                          'text-anchor="%s">%s</text>' % (x, y, FONT, size, colour, anchor, label))

    def write(self, path):
        with open(path, "w", encoding="utf-8") as out:
            out.write('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">\n'
                      '<rect width="100%%" height="100%%" fill="#fff"/>\n' % (self.width, self.height))
            out.write("\n".join(self.parts))
            out.write("\n</svg>\n")


def elements(path):
    a, length = 100.0, 90.0
    svg = Svg(900, 560, 7.0, (120, 400))
    curve = [clothoid(a, length * i / 90) for i in range(91)]
    ke = curve[-1]
    tau = length * length / (2 * a * a)
    radius = a * a / length
    centre = (ke[0] - radius * math.sin(tau), ke[1] + radius * math.cos(tau))
    svg.polyline([(-15, 0), (0, 0)], "#555", 2)  # the straight before KA
    svg.text(-14, 0, "直線", "#555", 16, dy=-8)
    svg.polyline([(0, 0), ke], "#888", 1.5, "8,6")  # the chord
    svg.text(ke[0] * 0.5, ke[1] * 0.5, "弦", "#888", 16, dx=8, dy=-6)
    svg.polyline([(0, 0), (length + 15, 0)], "#888", 1, "3,5")  # tangent at KA, extended
    svg.polyline([ke, (ke[0] + 22 * math.cos(tau), ke[1] + 22 * math.sin(tau))], "#888", 1.2)
    svg.polyline(curve, "#c00", 3)
    # tau between the two tangents, where the tangent at KE meets the one at KA
    meet = ke[0] - ke[1] / math.tan(tau)
    arc = [(meet + 18 * math.cos(t * tau / 20), 18 * math.sin(t * tau / 20)) for t in range(21)]
    svg.polyline(arc, "#06c", 1.5)
    svg.text(meet + 20, 3, "τ", "#06c", 20)
    # the radius at KE toward the centre of curvature
    toward = (ke[0] + (centre[0] - ke[0]) * 0.35, ke[1] + (centre[1] - ke[1]) * 0.35)
    svg.arrow(ke, toward, "#06c", 1.5)
    svg.text(toward[0], toward[1], "R = A²/L（曲率の中心へ）", "#06c", 16, dx=8)
    svg.dot(0, 0)
    svg.text(0, 0, "KA（クロソイド始点, R = ∞）", size=18, dy=26)
    svg.dot(*ke)
    svg.text(ke[0], ke[1], "KE（クロソイド終点）", size=18, dx=10, dy=22)
    mid = curve[55]
    svg.text(mid[0], mid[1], "L（KA〜KE の曲線長）", "#c00", 16, dx=4, dy=26)
    side = (ke[0] * 0.55, -8.0)
    svg.dot(*side, colour="#090", r=6)
    svg.text(side[0], side[1], "曲線位置（曲線の外側）", "#090", 18, dx=10, dy=6)
    svg.raw_text(450, 40, "A² = R·L　τ = L²/(2A²)（rad）　図: A = 100 m, L = 90 m", 18, "middle")
    svg.raw_text(450, 540, "曲線は曲線位置から遠ざかる向きに曲がる。X, Y は CAD の座標軸。", 16,
                 "middle", "#444")
    svg.write(path)


def side(path):
    """Two curves of the right case (side point right of KA->KE): one leaving
    KA eastward, one westward, with W > 0 and the normals."""
    a, length = 60.0, 70.0
    svg = Svg(1000, 520, 5.0, (0, 520))
    panels = [
        ("東向き（KA から X が増える向き）", 15.0, 45.0, 0.0, 70),
        ("西向き（KA から X が減る向き）", 185.0, 62.0, math.pi, 570),
    ]
    for title, ox, oy, heading, title_x in panels:
        svg.raw_text(title_x + 200, 40, title, 20, "middle")
        curve = []
        offset = []
        for i in range(71):
            s = length * i / 70
            x, y = clothoid(a, s)
            tau = s * s / (2 * a * a)
            # Right case: the curve turns counter-clockwise, away from the
            # side point, which lies to the right of travel.
            c, d = math.cos(heading), math.sin(heading)
            px, py = ox + x * c - y * d, oy + x * d + y * c
            t = heading + tau
            curve.append((px, py))
            # W > 0 at KA lies on the side point's side (right of travel)
            # when heading east, on the other (left) when heading west;
            # then kept relative to travel.
            sign = -1 if math.cos(heading) > 0 else 1
            w = 5.0
            offset.append((px + sign * w * -math.sin(t), py + sign * w * math.cos(t)))
        svg.polyline(curve, "#c00", 3)
        svg.polyline(offset, "#06c", 2.5, "10,5")
        ka, ke = curve[0], curve[-1]
        svg.polyline([ka, ke], "#888", 1.2, "6,6")
        svg.dot(*ka)
        svg.text(ka[0], ka[1], "KA", size=18, dx=-10 if heading == 0 else 8, dy=26)
        svg.dot(*ke)
        svg.text(ke[0], ke[1], "KE", size=18, dx=8, dy=-6)
        # travel direction at KA
        c = math.cos(heading)
        svg.arrow(ka, (ka[0] + 14 * c, ka[1]), "#000", 1.5)
        svg.text(ka[0] + 7 * c, ka[1], "進行方向", size=14, anchor="middle", dy=-10)
        # side point: right of the chord KA->KE
        mx, my = (ka[0] + ke[0]) / 2, (ka[1] + ke[1]) / 2
        ux, uy = ke[0] - ka[0], ke[1] - ka[1]
        n = math.hypot(ux, uy)
        sp = (mx + 14 * uy / n, my - 14 * ux / n)
        svg.dot(*sp, colour="#090", r=6)
        svg.text(sp[0], sp[1], "曲線位置", "#090", 16, anchor="middle", dy=24)
        lab = offset[20]
        svg.text(lab[0], lab[1], "平行線 W &gt; 0", "#06c", 16, anchor="middle", dy=24)
        # normals of the normal tabs: upward (right case) at two stations
        for i in (35, 70):
            px, py = curve[i]
            s = length * i / 70
            t = heading + s * s / (2 * a * a)
            nx, ny = -math.sin(t), math.cos(t)
            if ny < 0:
                nx, ny = -nx, -ny
            svg.arrow((px, py), (px + 12 * nx, py + 12 * ny), "#a0a", 1.8)
            if i == 35:
                svg.text(px + 12 * nx, py + 12 * ny, "法線", "#a0a", 16, anchor="middle", dy=-10)
    svg.raw_text(500, 470, "曲線位置は KA→KE の弦の右側（どちらの図も同じ）。正の W は KA で東向きなら曲線位置の側、", 16,
                 "middle", "#444")
    svg.raw_text(500, 495, "西向きなら反対の側で、曲線に沿って保たれる。法線は上向き（曲線位置が弦の左なら下向き）。", 16,
                 "middle", "#444")
    svg.write(path)


if __name__ == "__main__":
    out = sys.argv[1]
    elements(out + "/clothoid.svg")
    side(out + "/side.svg")
