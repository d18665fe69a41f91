"""tarn alignment as a user runs it: the tables read back with Python's csv,
queries checked against each other, the LandXML read back, the report and
the drawing parsed, refusals and usage errors."""
import csv
import io
import math
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import ezdxf

TARN = sys.argv.pop(1)
EXAMPLES = sys.argv.pop(1)
EVERY = os.path.join(EXAMPLES, "every-curve.csv")
SJIS = os.path.join(EXAMPLES, "s-curve-sjis.csv")


def run(*args, cwd=None):
    return subprocess.run([TARN, "alignment", *args], capture_output=True, text=True, cwd=cwd)


def table(path):
    with open(path, "rb") as f:
        raw = f.read()
    assert raw.startswith(b"\xef\xbb\xbf"), path
    text = raw[3:].decode("utf-8")
    assert "\n" not in text.replace("\r\n", ""), "CR LF line ends"
    return list(csv.reader(io.StringIO(text, newline="")))


class Alignment(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def ok(self, *args):
        result = run(*args, cwd=self.dir.name)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result

    def test_tables_in_both_languages(self):
        self.ok(EVERY, "--width", "3,4", "--csv", "ja")
        self.ok(EVERY, "--csv", "en", "--lang", "en", "--pitch", "5")
        ip = table(self.path("ja-ip.csv"))
        self.assertEqual(ip[0][:4], ["点名", "X", "Y", "線形"])
        self.assertEqual([r[0] for r in ip[1:]], ["BP", "IP1", "IP2", "IP3", "IP4", "IP5", "EP"])
        points = table(self.path("ja-points.csv"))
        self.assertIn("KEE2", [r[0] for r in points])
        stakes = table(self.path("ja-stakes.csv"))
        self.assertEqual(stakes[0][:3], ["点名", "区分", "測点"])
        centre = [r for r in stakes[1:] if r[1] == "中心"]
        left = [r for r in stakes[1:] if r[1] == "左幅杭"]
        self.assertEqual(len(centre), len(left))
        # A width stake lies its width from the centre.
        c, l = centre[5], left[5]
        self.assertAlmostEqual(math.hypot(float(c[4]) - float(l[4]), float(c[5]) - float(l[5])), 3, 3)
        en = table(self.path("en-stakes.csv"))
        self.assertEqual(en[0][:3], ["name", "kind", "station"])
        self.assertEqual(en[2][0], "No.0+5.000")
        elements = table(self.path("en-elements.csv"))
        self.assertEqual(elements[0][0], "start")
        # The elements' lengths add up to EP's distance.
        total = sum(float(r[4]) for r in elements[1:])
        self.assertAlmostEqual(total, float(table(self.path("en-points.csv"))[-1][2]), 3)

    def test_shift_jis_input_and_shared_point(self):
        out = self.ok(SJIS).stdout
        self.assertIn("2 IPs", out)
        lines = {l.split()[0]: l for l in out.splitlines()[1:]}
        self.assertEqual(lines["KA1-2"].split()[1:3], lines["KA2-1"].split()[1:3])

    def test_at_and_locate_round_trip(self):
        args = [EVERY, "--bp-station", "-90", "--equation", "500=520"]
        for station in ["No.-4-10", "125.25", "No.40+3.5", "1000"]:
            at = self.ok(*args, "--at", station).stdout.split()
            x, y = float(at[at.index("X") + 1]), float(at[at.index("Y") + 1])
            direction = at[at.index("direction") + 1]
            d, m, s = direction.replace("°", " ").replace("'", " ").rstrip('"').split()
            theta = math.radians(int(d) + int(m) / 60 + float(s) / 3600)
            # 5 m to the left of the line.
            q = (x - 5 * -math.sin(theta), y - 5 * math.cos(theta))
            loc = self.ok(*args, "--locate", f"{q[0]:.9f},{q[1]:.9f}").stdout.split()
            self.assertEqual(loc[0], at[0])
            self.assertAlmostEqual(float(loc[loc.index("offset") + 1]), -5.0, 4)
        self.assertEqual(self.ok(*args, "--at", "-90").stdout.split()[0], "No.-4-10.000")
        # The back station of the equation is its point, which shows the ahead station.
        self.assertEqual(self.ok(*args, "--at", "500").stdout.split()[0], "No.26")
        self.assertEqual(run(*args, "--at", "510").returncode, 1)  # in the gap 500-520

    def test_refusals_and_usage(self):
        bad = self.path("bad.csv")
        with open(bad, "w", encoding="utf-8") as f:
            f.write("点名,X,Y,foo\nBP,0,0,\nEP,1,1,\n")
        r = run(bad)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.strip(), f'tarn: {bad}:1: unknown column(s) "foo"')
        for args in (["--interval", "0"], ["--width", "3"], ["--speed", "70"],
                     ["--equation", "1"], ["--at", "No.x"]):
            r = run(EVERY, *args)
            self.assertEqual(r.returncode, 2, args)
            self.assertEqual(len(r.stderr.strip().splitlines()), 1, r.stderr)
        r = run(EVERY, "--at", "99999")
        self.assertEqual(r.returncode, 1)
        r = run(EVERY, "--speed", "80")
        self.assertEqual(r.returncode, 0)
        self.assertIn("tarn: warning: IP1: R 150.000 m is below the minimum radius 280 m", r.stderr)
        self.assertFalse(os.path.exists(self.path("x-ip.csv")))

    def test_landxml_round_trip_and_outputs(self):
        args = ["--bp-station", "-90", "--equation", "500=520", "--width", "3,3", "--zone", "9"]
        self.ok(EVERY, *args, "--csv", "a", "--landxml", "a.xml", "--report", "a.html",
                "--dxf", "a.dxf", "--svg", "a.svg", "--speed", "60")
        self.ok("a.xml", "--csv", "b", "--landxml", "b.xml")
        a, b = table(self.path("a-points.csv")), table(self.path("b-points.csv"))
        self.assertEqual([r[:3] for r in a], [r[:3] for r in b])
        for p, q in zip(a[1:], b[1:]):
            self.assertLess(math.hypot(float(p[3]) - float(q[3]), float(p[4]) - float(q[4])), 1e-6)
        # The zone read from the file goes out again.
        ns = {"x": "http://www.landxml.org/schema/LandXML-1.2"}
        cs = ET.parse(self.path("b.xml")).find("x:CoordinateSystem", ns)
        self.assertEqual(cs.get("horizontalCoordinateSystemName"), "9(X,Y)")
        with open(self.path("a.html"), encoding="utf-8") as f:
            html = f.read()
        for text in ["60 km/h", "<td>IX</td>", "No.25 (後) = No.26 (前)", "KEE2",
                     "the transition KA2-1-KE2-1 is 40.500 m long"]:
            self.assertIn(text, html)
        ET.fromstring(re.search(r"<svg.*?</svg>", html, re.S).group(0))
        ET.parse(self.path("a.svg"))
        texts = {e.dxf.text for e in ezdxf.readfile(self.path("a.dxf")).modelspace().query("TEXT")}
        self.assertTrue({"IP1", "KEE2", "BP", "EP"} <= texts, texts)

    def test_landxml_with_a_gap_is_refused(self):
        self.ok(EVERY, "--landxml", "a.xml")
        with open(self.path("a.xml"), encoding="utf-8") as f:
            text = f.read()
        # Move the first clothoid's start 1 cm off the line's end.
        text = re.sub(r'(<Start name="KA1-1">)([-0-9.e]+)',
                      lambda m: m.group(1) + repr(float(m.group(2)) + 0.01), text, count=1)
        with open(self.path("gap.xml"), "w", encoding="utf-8") as f:
            f.write(text)
        r = run("gap.xml", "--csv", "g", "--report", "g.html", cwd=self.dir.name)
        self.assertEqual(r.returncode, 1)
        lines = r.stderr.strip().splitlines()
        self.assertIn("starts 0.010000 m from the end of the element before", lines[0])
        for line in lines:  # one line an error, each naming its element
            self.assertTrue(line.startswith("tarn: gap.xml: element 2 (Spiral at KA1-1): "), line)
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["a.xml", "gap.xml"])


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
