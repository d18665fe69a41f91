#!/usr/bin/python3
"""The face that stands in for "ＭＳ Ｐゴシック" and "MS UI Gothic" in the
guide's pictures: IPAPGothic narrowed so that tarn2's labels hold their text.

    photo-font.py OUT.ttf

At 9 points (12 pixels) IPAPGothic sets "pitch(m)" 45 pixels wide and
"取得桁" 36, while tarn2's labels for them are 41 and 33 pixels wide (615
and 495 twips), so a label breaks its text and shows only the first line.
Narrowed to 86 % (every glyph's outline and advance) it sets them 41 and 31
pixels wide, and both labels hold their text. The family is renamed so that
Wine's replacement table can name it.
"""
import sys

from fontTools.ttLib import TTFont

SOURCE = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf"
FAMILY = "IPAPGothic Narrow"
FACTOR = 0.86

font = TTFont(SOURCE)
glyphs = font["glyf"]
metrics = font["hmtx"].metrics
for name in font.getGlyphOrder():
    glyph = glyphs[name]
    if glyph.isComposite():
        for component in glyph.components:
            component.x = round(component.x * FACTOR)
    elif glyph.numberOfContours > 0:
        coordinates = glyph.coordinates
        for i in range(len(coordinates)):
            x, y = coordinates[i]
            coordinates[i] = (round(x * FACTOR), y)
    advance, lsb = metrics[name]
    metrics[name] = (round(advance * FACTOR), round(lsb * FACTOR))
font["hhea"].advanceWidthMax = max(advance for advance, _ in metrics.values())
font["OS/2"].xAvgCharWidth = round(font["OS/2"].xAvgCharWidth * FACTOR)
for record in font["name"].names:
    if record.nameID in (1, 4, 16):
        record.string = FAMILY
    elif record.nameID == 6:
        record.string = FAMILY.replace(" ", "")
# Widths kept per pixel size and kerning would no longer match the narrowed
# glyphs; the hinting instructions stay, and keep the small sizes crisp.
for name in ("hdmx", "LTSH", "VDMX", "GPOS", "kern"):
    if name in font:
        del font[name]
font.save(sys.argv[1])
