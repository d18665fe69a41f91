#include "help_text.h"

namespace tarn_cli {
namespace {

// The curve of every example: A = 100 m from KA (10, 20), KE near its 50 m
// point, the side point below the chord.
#define TARN_CURVE "--ka 10,20 --ke 59.9219,22.0810 --side 35,15 --a 100"

struct Example {
    const char* subcommand;
    const char* text;
};

const Example kExamples[] = {
    {"centre", "Example:\n"
               "  $ tarn centre " TARN_CURVE " --pitch 1\n"
               "  centre line: 51 vertices (polyline)\n"
               "  curve length:  49.999968 m\n"
               "  end tangent:   7.1619571 deg counter-clockwise from +X (7°09'43.05\")\n"
               "  radius at end: 200.000128 m\n"},
    {"parallel",
     "Which side a positive --w takes: the side the offset normal points to at KA,\n"
     "kept relative to the direction of travel along the whole curve. A curve that\n"
     "sets off eastward (its tangent at KA towards +X) has it on the side point's\n"
     "side; one that sets off westward on the other side. The table's offset column\n"
     "gives the side drawn, right of the direction of travel positive.\n\n"
     "Example (the curve sets off eastward: W = 3 lies right of travel, with the side point):\n"
     "  $ tarn parallel " TARN_CURVE " --pitch 25 --w 3 --dw 0.5 --csv p.csv\n"
     "  (p.csv's point, X, Y and offset columns)\n"
     "  KA         X 10.000000  Y 17.000000  offset  3.000000\n"
     "  KA+25.000  X 35.099104  Y 17.011982  offset  3.250000\n"
     "  KE         X 60.358261  Y 18.608308  offset  3.500000\n"
     "The same curve turned 180° (it sets off westward: W = 3 lies left of travel,\n"
     "away from the side point):\n"
     "  $ tarn parallel --ka 10,20 --ke -39.9219,17.919 --side -15,25 --a 100 \\\n"
     "      --pitch 25 --w 3 --dw 0.5 --csv p.csv\n"
     "  (p.csv's point, X, Y and offset columns)\n"
     "  KA         X  10.000000  Y 17.000000  offset -3.000000\n"
     "  KA+25.000  X -14.896013  Y 16.491191  offset -3.250000\n"
     "  KE         X -39.485539  Y 14.446308  offset -3.500000\n"},
    {"normal", "Example:\n"
               "  $ tarn normal " TARN_CURVE " --script normal.txt\n"
               "  $ cat normal.txt\n"
               "  line\n"
               "  5.992190000000000e+01,2.208100000000000e+01\n"
               "  5.867515531625570e+01,3.200297700529261e+01\n"},
    {"normal-at", "Example (the normal 30 m from KA):\n"
                  "  $ tarn normal-at " TARN_CURVE " --at 30 --script n.txt\n"
                  "  $ cat n.txt\n"
                  "  line\n"
                  "  3.999392561776600e+01,2.044993169765819e+01\n"
                  "  3.954407854893725e+01,3.043980845438878e+01\n"},
    {"perpendicular", "Example (from the point 40,30 to its foot on the curve):\n"
                      "  $ tarn perpendicular " TARN_CURVE " --from 40,30 --script p.txt\n"
                      "  $ cat p.txt\n"
                      "  line\n"
                      "  4.000000000000000e+01,3.000000000000000e+01\n"
                      "  4.044206810699917e+01,2.047041537393306e+01\n"},
    {"centre-of-length",
     "Example (45 m from KA along the direction to 20,20, bending away from 15,15):\n"
     "  $ tarn centre-of-length --ka 10,20 --ke 20,20 --side 15,15 --a 100 \\\n"
     "      --length 45 --pitch 15 --csv l.csv\n"
     "  (l.csv's point, X and Y columns)\n"
     "  KA         X 10.000000  Y 20.000000\n"
     "  KA+15.000  X 24.999810  Y 20.056249\n"
     "  KA+30.000  X 39.993926  Y 20.449935\n"
     "  KE         X 54.953890  Y 21.517638\n"},
    {"length", "Example:\n"
               "  $ tarn length " TARN_CURVE "\n"
               "  curve length: 49.999968034 m\n"},
    {"elements", "Example (also --radius 200 or --angle 0.125):\n"
                 "  $ tarn elements --a 100 --length 50\n"
                 "  A          100.000000 m    clothoid parameter\n"
                 "  L           50.000000 m    curve length\n"
                 "  R          200.000000 m    radius at the end\n"
                 "  tau       0.125000000 rad  7°09'43.10\"  tangent angle at the end\n"
                 "  ...\n"},
};

} // namespace

std::string program_footer() {
    return "Points are x,y in drawing units (--unit m or mm); A, pitch, widths and lengths\n"
           "are metres. The curve bends away from the side point. Without an output file\n"
           "a summary is printed. 'tarn SUBCOMMAND --help' shows a worked example.\n\n"
           "Exit status:\n"
           "  0  done (warnings, if any, on stderr)\n"
           "  1  refused: the input cannot give the drawing meant, or a file or standard\n"
           "     output could not be written (no file is left behind)\n"
           "  2  usage: a missing or unknown option, a value that is no number\n";
}

std::string subcommand_footer(const std::string& subcommand) {
    for (const Example& example : kExamples) {
        if (subcommand == example.subcommand) {
            return example.text;
        }
    }
    return {};
}

} // namespace tarn_cli
