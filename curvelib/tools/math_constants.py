#!/usr/bin/env python3
"""Prints the constants of curvelib/src/portable_math.cpp.

Everything is computed with Python's decimal module at 80 digits (about 265
bits) from series alone, then cut into doubles: a value v becomes hi = the
double nearest v and lo = the double nearest v - hi, so hi + lo carries about
106 bits.
"""
from decimal import Decimal, getcontext
from fractions import Fraction

getcontext().prec = 80


def atan(x):
    # Halve the argument until it is small, then the Taylor series.
    x = Decimal(x)
    halvings = 0
    while abs(x) > Decimal("0.01"):
        x = x / (1 + (1 + x * x).sqrt())
        halvings += 1
    term, total, k, x2 = x, x, 1, x * x
    while True:
        term = -term * x2
        k += 2
        step = term / k
        if abs(step) < Decimal(10) ** -78:
            break
        total += step
    return total * (2 ** halvings)


def dd(v):
    hi = float(Fraction(v))
    lo = float(Fraction(v) - Fraction(hi))
    return hi, lo


def bits(v, n):
    # v rounded to n significant bits.
    f = Fraction(v)
    e = 0
    while abs(f) >= 2:
        f /= 2
        e += 1
    while abs(f) < 1:
        f *= 2
        e -= 1
    m = round(f * 2 ** (n - 1))
    return float(Fraction(m, 2 ** (n - 1)) * Fraction(2) ** e)


PI = 4 * atan(1)
half_pi = PI / 2

print("// pi/2 in 33 + 33 + 33 + 53 bits")
rest = Fraction(half_pi)
for n in (33, 33, 33, 53):
    piece = bits(rest, n)
    print(repr(piece))
    rest -= Fraction(piece)
print("// 2/pi", repr(float(Fraction(2 / PI))))
print("// pi/2 dd", *map(repr, dd(half_pi)))
print("// pi dd", *map(repr, dd(PI)))

print("// 1/k! for k = 0..29 as hi, lo")
fact = Fraction(1)
for k in range(0, 30):
    if k:
        fact *= k
    h, l = dd(1 / fact)
    print(f"{{{repr(h)}, {repr(l)}}}, // 1/{k}!")

print("// 1/(2k+1), k = 0..9")
for k in range(0, 10):
    h, l = dd(Fraction(1, 2 * k + 1))
    print(f"{{{repr(h)}, {repr(l)}}},")

print("// atan(j/64), j = 0..64")
for j in range(0, 65):
    h, l = dd(atan(Decimal(j) / 64))
    print(f"{{{repr(h)}, {repr(l)}}},")
