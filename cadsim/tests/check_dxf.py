"""Reads the DXF files cadsim wrote with ezdxf and checks the drawing the
client tests made: one LINE and one 2D POLYLINE, at full precision."""
import sys

import ezdxf


def check(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    assert not auditor.has_errors, (path, [str(e) for e in auditor.errors])
    msp = doc.modelspace()
    lines = list(msp.query("LINE"))
    polylines = list(msp.query("POLYLINE"))
    assert len(lines) == 1 and len(polylines) == 1, (path, len(lines), len(polylines))
    assert tuple(lines[0].dxf.start) == (10.0, 20.0, 0.0), tuple(lines[0].dxf.start)
    assert tuple(lines[0].dxf.end) == (15.0, 20.0, 0.0), tuple(lines[0].dxf.end)
    points = [tuple(v.dxf.location)[:2] for v in polylines[0].vertices]
    assert points == [(0.0, 0.0), (10.0, 10.0), (20.0, 0.1)], points
    assert not polylines[0].is_closed


for name in sys.argv[1:]:
    check(name)
print("dxf ok:", len(sys.argv) - 1, "files")
