"""tarn run as a user runs it: every output read back with a real parser."""
import csv
import io
import math
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import ezdxf

TARN = sys.argv.pop(1)
KE = "59.92193149366025,22.0810093401773635"  # the 50 m point of A = 100 from KA (10, 20)
CURVE = ["--ka", "10,20", "--ke", KE, "--side", "35,15", "--a", "100"]
LX = "{http://www.landxml.org/schema/LandXML-1.2}"


def run(*args, cwd=None):
    return subprocess.run([TARN, *args], capture_output=True, text=True, cwd=cwd)


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def script_points(text):
    lines = text.split("\n")
    return lines[0], [tuple(float(v) for v in line.split(",")) for line in lines[1:]]


def clothoid_end(start, direction, length, a, turn):
    """End point by quadrature of the tangent direction along the curve."""
    n = 20000
    h = length / n
    x, y = start
    for i in range(n):
        s = (i + 0.5) * h
        angle = direction + turn * s * s / (2 * a * a)
        x += h * math.cos(angle)
        y += h * math.sin(angle)
    return x, y


class Base(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.addCleanup(self.dir.cleanup)

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def ok(self, *args):
        result = run(*args, cwd=self.dir.name)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result


class Summary(Base):
    def test_centre_line(self):
        out = self.ok("centre", *CURVE, "--pitch", "1").stdout
        self.assertIn("centre line: 51 vertices (polyline)", out)
        self.assertIn("curve length:  50.000000 m", out)
        self.assertIn("end tangent:   7.1619724 deg", out)
        self.assertIn("radius at end: 200.000000 m", out)

    def test_length(self):
        self.assertEqual(self.ok("length", *CURVE).stdout, "curve length: 50.000000000 m\n")


class Script(Base):
    def test_centre_line_byte_for_byte(self):
        self.ok("centre", *CURVE, "--pitch", "20", "--script", self.path("s.txt"))
        self.assertEqual(
                read(self.path("s.txt"), "rb"),
                b"pline\n1.000000000000000e+01,2.000000000000000e+01\n"
                b"2.999920001481468e+01,2.013332952385801e+01\n"
                b"4.997440758406501e+01,2.106617914690492e+01\n"
                b"5.992193149366025e+01,2.208100934017736e+01",
            )

    def test_millimetres(self):
        self.ok("normal", "--ka", "10000,20000", "--ke", "59921.93149366025,22081.009340177364",
                "--side", "35000,15000", "--a", "100", "--unit", "mm", "--script", self.path("s.txt"))
        kind, points = script_points(read(self.path("s.txt")))
        self.assertEqual(kind, "line")
        self.assertAlmostEqual(points[1][0], 58675.18415980791, delta=1e-6)
        self.assertAlmostEqual(points[1][1], 32002.98601247065, delta=1e-6)


class Dxf(Base):
    def test_polyline_and_line(self):
        cases = [
            (["centre", *CURVE, "--pitch", "3"], "POLYLINE", "CLOTHOID_CENTRE", 18),
            (["parallel", *CURVE, "--pitch", "7", "--w", "3", "--dw", "0.5", "--widening", "quartic"],
             "POLYLINE", "CLOTHOID_PARALLEL", 9),
            (["normal-at", *CURVE, "--at", "30"], "LINE", "CLOTHOID_NORMAL", 2),
            (["perpendicular", *CURVE, "--from", "40,30"], "LINE", "CLOTHOID_PERPENDICULAR", 2),
        ]
        for args, entity, layer, count in cases:
            with self.subTest(args[0]):
                self.ok(*args, "--dxf", self.path("d.dxf"), "--script", self.path("s.txt"))
                _, expected = script_points(read(self.path("s.txt")))
                doc = ezdxf.readfile(self.path("d.dxf"))
                self.assertEqual(doc.dxfversion, "AC1009")
                entities = list(doc.modelspace())
                self.assertEqual([e.dxftype() for e in entities], [entity])
                self.assertEqual(entities[0].dxf.layer, layer)
                self.assertIn(layer, [l.dxf.name for l in doc.layers])
                if entity == "LINE":
                    got = [entities[0].dxf.start, entities[0].dxf.end]
                else:
                    got = [v.dxf.location for v in entities[0].vertices]
                self.assertEqual(len(got), count)
                for p, q in zip(got, expected):
                    self.assertAlmostEqual(p[0], q[0], delta=1e-9)
                    self.assertAlmostEqual(p[1], q[1], delta=1e-9)


class SettingOut(Base):
    def table(self, *args):
        self.ok(*args, "--csv", self.path("t.csv"))
        data = read(self.path("t.csv"), "rb")
        self.assertTrue(data.startswith(b"\xef\xbb\xbf"))
        return list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline="")))

    def test_rows_stations_radius(self):
        rows = self.table("centre", *CURVE, "--pitch", "0.5")
        self.assertEqual(rows[0][:4], ["点名", "追加距離(m)", "X(東)", "Y(北)"])
        body = rows[1:]
        self.assertEqual(len(body), 101)
        self.assertEqual((body[0][0], body[-1][0]), ("KA", "KE"))
        stations = [float(r[1]) for r in body]
        self.assertTrue(all(a < b for a, b in zip(stations, stations[1:])))
        self.assertEqual(body[0][6], "∞")
        for r, s in zip(body[1:], stations[1:]):
            self.assertAlmostEqual(float(r[6]), 100 * 100 / s, delta=1e-5 * 100 * 100 / s)
        self.assertAlmostEqual(float(body[-1][2]), 59.921931, delta=1e-6)
        self.assertEqual(body[-1][4], "7°09'43.10\"")

    def test_survey_axes_english_and_offsets(self):
        rows = self.table("parallel", *CURVE, "--pitch", "25", "--w", "3", "--dw", "0.5",
                          "--lang", "en", "--axes", "survey")
        self.assertEqual(rows[0][2:4], ["X (north)", "Y (east)"])
        self.assertEqual(rows[0][-1], "offset (m, right of travel +)")
        self.assertEqual([r[-1] for r in rows[1:]], ["3.000000", "3.250000", "3.500000"])
        # (25.099105, -2.988015) from KA (10, 20): north first.
        self.assertAlmostEqual(float(rows[2][2]), 17.011985, delta=1e-6)
        self.assertAlmostEqual(float(rows[2][3]), 35.099105, delta=1e-6)
        # Azimuth clockwise from north: 90 degrees minus the drawing direction.
        self.assertAlmostEqual(float(rows[1][5]), 90.0, delta=1e-9)

    def test_offset_is_the_side_drawn(self):
        # The README's curve turned 180 degrees sets off westward: W = 3 lies
        # left of travel, 3 m below KA.
        rows = self.table("parallel", "--ka", "10,20", "--ke", "-39.9219,17.919", "--side", "-15,25",
                          "--a", "100", "--pitch", "25", "--w", "3", "--dw", "0.5")
        self.assertEqual(rows[0][-1], "オフセット(m, 進行方向右が+)")
        self.assertEqual([r[-1] for r in rows[1:]], ["-3.000000", "-3.250000", "-3.500000"])
        self.assertEqual(rows[1][2:4], ["10.000000", "17.000000"])

    def test_a_vertex_repeating_its_neighbour_is_listed_once(self):
        # The curve's length lands 1e-11 m past 200 m: the station and KE coincide.
        curve = ["centre", "--ka", "0,0", "--ke", "133.51936962943367,99.76237113254213",
                 "--side", "66.76,-5", "--a", "100", "--pitch", "10"]
        rows = self.table(*curve)
        self.assertEqual([r[0] for r in rows[-2:]], ["KA+190.000", "KE"])
        self.ok(*curve, "--dxf", self.path("d.dxf"), "--script", self.path("s.txt"))
        (polyline,) = ezdxf.readfile(self.path("d.dxf")).modelspace()
        self.assertEqual(len(list(polyline.vertices)), 21)
        self.assertEqual(len(script_points(read(self.path("s.txt")))[1]), 22)  # as the library has them


class LandXml(Base):
    def spiral(self, *args):
        self.ok(*args, "--landxml", self.path("a.xml"))
        root = ET.parse(self.path("a.xml")).getroot()
        self.assertEqual(root.tag, LX + "LandXML")
        self.assertEqual(root.find(LX + "Units/" + LX + "Metric").get("linearUnit"), "meter")
        geometry = root.find(LX + "Alignments/" + LX + "Alignment/" + LX + "CoordGeom")
        return list(geometry)

    @staticmethod
    def point(element):
        northing, easting = (float(v) for v in element.text.split())
        return easting, northing

    def check_recomputed(self, spiral):
        self.assertEqual(spiral.get("spiType"), "clothoid")
        self.assertEqual(spiral.get("radiusStart"), "INF")
        length = float(spiral.get("length"))
        a = math.sqrt(length * float(spiral.get("radiusEnd")))
        turn = 1 if spiral.get("rot") == "ccw" else -1
        # Directions count counter-clockwise from north.
        direction = float(spiral.get("dirStart")) + math.pi / 2
        start = self.point(spiral.find(LX + "Start"))
        end = clothoid_end(start, direction, length, a, turn)
        got = self.point(spiral.find(LX + "End"))
        self.assertAlmostEqual(got[0], end[0], delta=1e-6)
        self.assertAlmostEqual(got[1], end[1], delta=1e-6)
        dir_end = float(spiral.get("dirStart")) + turn * length * length / (2 * a * a)
        self.assertAlmostEqual(math.remainder(float(spiral.get("dirEnd")) - dir_end, 2 * math.pi),
                               0, delta=1e-12)
        # PI: where the tangents at start and end meet.
        pi = self.point(spiral.find(LX + "PI"))
        for p, d in ((start, direction), (got, float(spiral.get("dirEnd")) + math.pi / 2)):
            cross = math.cos(d) * (pi[1] - p[1]) - math.sin(d) * (pi[0] - p[0])
            self.assertAlmostEqual(cross, 0, delta=1e-6)
        return start

    def test_spiral_with_lead_in(self):
        line, spiral = self.spiral("centre", *CURVE, "--lead-in", "10")
        self.assertEqual((line.tag, spiral.tag), (LX + "Line", LX + "Spiral"))
        self.assertEqual(spiral.get("rot"), "ccw")
        start = self.check_recomputed(spiral)
        self.assertEqual(self.point(line.find(LX + "End")), start)
        self.assertEqual(self.point(line.find(LX + "Start")), (0.0, 20.0))
        self.assertAlmostEqual(start[0], 10, delta=1e-12)

    def test_clockwise_in_millimetres(self):
        (spiral,) = self.spiral("centre-of-length", "--ka", "5000,-3000", "--ke", "5000,0",
                                "--side", "0,1000", "--a", "150", "--length", "80",
                                "--unit", "mm")
        self.assertEqual(spiral.get("rot"), "cw")
        self.assertEqual(self.check_recomputed(spiral), (5.0, -3.0))


class Svg(Base):
    def test_preview(self):
        self.ok("normal", *CURVE, "--svg", self.path("p.svg"))
        root = ET.parse(self.path("p.svg")).getroot()
        ns = "{http://www.w3.org/2000/svg}"
        labels = [t.text for t in root.iter(ns + "text")]
        for name in ("KA", "KE", "側点", "5 m"):
            self.assertIn(name, labels)
        self.assertEqual(len(list(root.iter(ns + "polyline"))), 3)  # chord, curve, normal


class Elements(Base):
    def test_table(self):
        out = self.ok("elements", "--a", "100", "--radius", "200").stdout
        values = {line.split()[0]: float(line.split()[1]) for line in out.splitlines()}
        self.assertEqual(values["L"], 50.0)
        self.assertAlmostEqual(values["X"], 49.921931, delta=1e-6)
        self.assertAlmostEqual(values["T_K"], 16.691508, delta=1e-6)
        self.assertAlmostEqual(values["tau"], 0.125, delta=1e-9)


class Errors(Base):
    def test_refusals_and_warnings(self):
        parallel = ["parallel", *CURVE, "--pitch", "5"]
        cases = [  # arguments, exit status, the one line on stderr
            (["normal-at", *CURVE, "--at", "-5"], 1, "tarn: refused: --at -5: a station before KA"),
            (["normal-at", *CURVE, "--at", "60"], 0, "tarn: warning: --at 60: beyond KE"),
            (["centre-of-length", *CURVE, "--length", "0"], 1, "tarn: refused: --length 0: "),
            (["centre-of-length", *CURVE, "--length", "-50"], 1, "tarn: refused: --length -50: "),
            (["perpendicular", *CURVE, "--from", "0,25"], 1, "tarn: refused: --from 0,25: lies behind"),
            (["perpendicular", *CURVE, "--from", "80,20"], 0, "tarn: warning: --from 80,20: the foot lies beyond KE"),
            ([*parallel, "--w", "-150", "--dw", "60"], 1, "tarn: refused: --w -150 with --dw 60: "),
            (["centre", *CURVE[:4], "--side", "34.96096574683013,21.04050467008868", *CURVE[6:]], 1,
             "tarn: refused: --side 34.96096574683013,21.04050467008868: lies on the line"),
            (["centre", *CURVE[:4], "--side", "10,20", *CURVE[6:]], 1, "tarn: refused: --side 10,20: "),
            (["centre", *CURVE[:4], "--side", KE, *CURVE[6:]], 1, "tarn: refused: --side 59.9"),
            (["centre-of-length", *CURVE[:-1], "1000", "--length", "2793", "--pitch", "10"], 0,
             "tarn: warning: the curve turns by 3.900 rad; beyond 3.380 rad"),
            (["elements", "--a", "1000", "--angle", "3.8"], 0, "tarn: warning: the curve turns by 3.800"),
            (["elements", "--a", "100", "--radius", "-5"], 1, "tarn: refused (1): --radius -5: "),
            (["centre", *CURVE[:-1], "nan"], 1, "tarn: refused (1): --a nan: not a finite number"),
        ]
        for args, code, line in cases:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertEqual(len(result.stderr.splitlines()), 1, result.stderr)
                self.assertTrue(result.stderr.startswith(line), result.stderr)

    def test_standard_output_that_cannot_be_written(self):
        for args in (["centre", *CURVE], ["--help"], ["--version"]):
            with self.subTest(args=args), open("/dev/full", "w") as full:
                result = subprocess.run([TARN, *args], stdout=full, stderr=subprocess.PIPE, text=True)
                self.assertEqual(result.returncode, 1)
                self.assertEqual(result.stderr, "tarn: standard output could not be written\n")

    def test_exit_codes_and_messages(self):
        cases = [
            ([], 2, "A subcommand is required"),
            (["bend", *CURVE], 2, "bend"),
            (["centre", "--ke", KE, "--side", "35,15", "--a", "100"], 2, "--ka"),
            (["centre", "--ka", "10", "--ke", KE, "--side", "35,15", "--a", "100"], 2, "--ka"),
            (["centre", *CURVE, "--unit", "km"], 2, "--unit"),
            (["centre", *CURVE, "--pitch", "abc"], 2, "--pitch"),
            (["elements", "--a", "100", "--length", "50", "--radius", "200"], 2, "exactly one"),
            (["centre", *CURVE, "--dxf", "x", "--svg", "x"], 2, "two outputs"),
            (["centre", *CURVE[:-1], "0"], 1, "refused (1)"),
            (["centre", "--ka", "0,0", "--ke", "0,0", "--side", "1,1", "--a", "100"], 1, "refused (1)"),
            (["normal", "--ka", "0,0", "--ke", "400,0", "--side", "1,1", "--a", "100"], 1, "refused (2)"),
            (["centre", *CURVE, "--pitch", "0.00004"], 1, "refused (3)"),
            (["length", "--ka", "0,0", "--ke", "400,0", "--side", "1,1", "--a", "100"], 1, "refused (2)"),
            (["elements", "--a", "100", "--length", "290"], 1, "refused (2)"),
        ]
        for args, code, text in cases:
            with self.subTest(args=args):
                result = run(*args)
                self.assertEqual(result.returncode, code, result.stderr)
                self.assertEqual(len(result.stderr.strip().splitlines()), 1, result.stderr)
                self.assertIn(text, result.stderr)

    def test_refused_input_writes_nothing(self):
        result = run("centre", *CURVE, "--pitch", "-1", "--csv", self.path("t.csv"),
                     "--script", self.path("s.txt"))
        self.assertEqual(result.returncode, 1)
        self.assertEqual(os.listdir(self.dir.name), [])

    def test_replaced_file_keeps_its_mode_and_links_are_written_through(self):
        os.mkdir(self.path("real"))
        target = self.path("real/t.csv")
        with open(target, "w") as f:
            f.write("old")
        os.chmod(target, 0o640)
        os.symlink("real/t.csv", self.path("link.csv"))
        self.ok("centre", *CURVE, "--csv", self.path("link.csv"))
        self.assertTrue(os.path.islink(self.path("link.csv")))
        self.assertTrue(read(target, "rb").startswith(b"\xef\xbb\xbf"))
        self.assertEqual(os.stat(target).st_mode & 0o777, 0o640)
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["link.csv", "real"])
        self.assertEqual(os.listdir(self.path("real")), ["t.csv"])

    def test_unwritable_output_leaves_nothing(self):
        result = run("centre", *CURVE, "--dxf", self.path("d.dxf"),
                     "--csv", self.path("missing/t.csv"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("missing/t.csv", result.stderr)
        self.assertEqual(os.listdir(self.dir.name), [])


class Help(Base):
    def test_version_examples_and_exit_codes(self):
        self.assertEqual(self.ok("--version").stdout, "tarn 1.0.0\n")
        self.assertIn("Exit status:", self.ok("--help").stdout)
        for sub in ("centre", "parallel", "normal", "normal-at", "perpendicular",
                    "centre-of-length", "length", "elements"):
            with self.subTest(sub):
                self.assertIn("  $ tarn " + sub + " ", self.ok(sub, "--help").stdout)
        # Examples whose output is printed show what tarn prints.
        for sub in ("centre", "length", "elements"):
            with self.subTest(sub):
                help_text = self.ok(sub, "--help").stdout
                command = help_text[help_text.index("  $ tarn ") + 9:].split("\n")[0].split()
                for line in self.ok(*command).stdout.splitlines()[:4]:
                    self.assertIn("  " + line + "\n", help_text)


if __name__ == "__main__":
    unittest.main()
