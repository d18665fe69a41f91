/* auto_tarn5: clothoid constructions written as AutoCAD drawing scripts.
 *
 * Every argument is a double passed by value. Coordinates are in drawing
 * units (metres when mormm == 0.0, millimetres otherwise); a, pitch, LLL, LC,
 * w and dw are always metres. The drawing exports write "auto_temp.txt" in the
 * current directory; tarn5 first writes the parameter record "auto_temp2.txt".
 *
 * Result codes of tarn1..tarn7 (tarn4 returns NaN instead of a length for any
 * of them). Nothing is written when the input is refused.
 */
#ifndef CURVELIB_H
#define CURVELIB_H

#include <stdint.h>

#define TARN_OK 0
/* a coordinate, a, pitch, LLL, LC, w or dw is not finite; a <= 0; p1 == p0;
 * pitch <= 0 for the polyline exports */
#define TARN_ERROR_INVALID_ARGUMENT 1
/* the curve would turn by more than 4 rad (at p1, at LLL, at LC or at the foot
 * point); the series is no longer accurate there and no road curve needs it */
#define TARN_ERROR_ANGLE_TOO_LARGE 2
/* the polyline would have more than 1,000,000 vertices */
#define TARN_ERROR_TOO_MANY_VERTICES 3
/* "auto_temp.txt" or "auto_temp2.txt" could not be created or written */
#define TARN_ERROR_FILE 4
/* a length search made no progress (lengths beyond double resolution) */
#define TARN_ERROR_SEARCH_FAILED 5
/* the library failed inside (out of memory); nothing was drawn */
#define TARN_ERROR_INTERNAL 6

#if defined(_WIN32) && !defined(_WIN64)
#define TARN_CALL __stdcall
#else
#define TARN_CALL
#endif

#if defined(_WIN32)
#define TARN_EXPORT
#else
#define TARN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Normal to the clothoid at p1, 10 m long: "line" record. */
TARN_EXPORT int32_t TARN_CALL tarn1(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double a, double mormm);
/* Perpendicular from p3 to the clothoid: "line" record. */
TARN_EXPORT int32_t TARN_CALL tarn2(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double p3x, double p3y, double a, double mormm);
/* Normal at arc length LLL (metres) from p0: "line" record. */
TARN_EXPORT int32_t TARN_CALL tarn3(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double a, double LLL, double mormm);
/* Arc length from p0 to p1 in metres; writes nothing. */
TARN_EXPORT double TARN_CALL tarn4(double p0x, double p0y, double p1x, double p1y, double p2x,
                                   double p2y, double a, double mormm);
/* Centre line from p0 to p1: "auto_temp2.txt", then a "pline" record. */
TARN_EXPORT int32_t TARN_CALL tarn5(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double a, double pitch, double mormm);
/* Parallel line at offset w widening by dw; transition 1.0 linear, else 4th degree. */
TARN_EXPORT int32_t TARN_CALL tarn6(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double a, double pitch, double mormm, double w,
                                    double dw, double transition);
/* Clothoid of length LC from p0 along p0->p1: "pline" record. */
TARN_EXPORT int32_t TARN_CALL tarn7(double p0x, double p0y, double p1x, double p1y, double p2x,
                                    double p2y, double a, double pitch, double mormm, double LC);
/* Returns its argument (exported on x86 as _Test@8). */
TARN_EXPORT double TARN_CALL Test(double value);

#ifdef __cplusplus
}
#endif

#endif
