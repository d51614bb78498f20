#!/usr/bin/python3
"""The exact least-squares figures of a fit, worked out apart from the program.

Cell texts are read as exact decimals and rounded to 32 bits; the normal equations are solved in
Python's exact fractions; each figure is then rounded to the nearest 32-bit value (ties to even)
and written as the results box writes it. The expected texts of tests/core/test_fit.cpp come from
here:  /usr/bin/python3 tests/core/fit_oracle.py KIND X,Y [X,Y ...]   (KIND 0 to 3)
prints the five result labels and the 32-bit figures in hexadecimal.
"""

import math
import re
import struct
import sys
from fractions import Fraction

FORMULAS = ["y = ax + b", "y = ax", "y = ax^2 + bx + c", "y = ax^2 + bx"]
# The functions of x that a, b and c multiply, and their names.
BASES = [
    (lambda x: [x, 1], "ab"),
    (lambda x: [x], "a"),
    (lambda x: [x * x, x, 1], "abc"),
    (lambda x: [x * x, x], "ab"),
]
FLT_MAX = (2 - Fraction(1, 2 ** 23)) * 2 ** 127


class Overflow(Exception):
    pass


class NotUnique(Exception):
    pass


def round_bits(q, bits, least_exponent=None):
    """q rounded to the nearest binary value with `bits` significant bits, ties to even; below
    2^least_exponent with the spacing there (subnormals), when that is given."""
    q = Fraction(q)
    if q == 0:
        return Fraction(0)
    a = abs(q)
    e = a.numerator.bit_length() - a.denominator.bit_length()
    while Fraction(2) ** e > a:
        e -= 1
    while Fraction(2) ** (e + 1) <= a:
        e += 1
    if least_exponent is not None:
        e = max(e, least_exponent)
    step = Fraction(2) ** (e - bits + 1)  # the spacing of the values at a
    n, rest = divmod(a / step, 1)
    n = int(n)
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and n % 2):
        n += 1
    r = n * step
    return r if q > 0 else -r


def f32(q):
    """q rounded to the nearest 32-bit value, ties to even, subnormals included."""
    r = round_bits(q, 24, -126)
    if abs(r) > FLT_MAX:
        raise Overflow()
    return r


def f32_of_root(q):
    """The 32-bit value nearest to the square root of q >= 0: a root close enough from the
    integer square root, then the choice checked against the squares of the halfway points."""
    q = Fraction(q)
    scale = 2 ** 200
    r = f32(Fraction(math.isqrt(q.numerator * scale * scale // q.denominator), scale))
    while True:
        # Above the largest float the next value would be 2^128: halfway is 2^128 - 2^103.
        up = next_up(r) if r < FLT_MAX else Fraction(2) ** 128
        hi = (r + up) / 2
        lo = (r + next_down(r)) / 2 if r > 0 else Fraction(0)
        if r == FLT_MAX and q >= hi * hi:
            raise Overflow()
        if q > hi * hi or (q == hi * hi and odd(r)):
            r = up
        elif r > 0 and (q < lo * lo or (q == lo * lo and odd(r))):
            r = next_down(r)
        else:
            return r


def bits(v):
    return struct.unpack("<I", struct.pack("<f", float(v)))[0]


def odd(v):
    return bits(v) & 1


def next_up(v):
    return Fraction(struct.unpack("<f", struct.pack("<I", bits(v) + 1))[0]) if v > 0 else \
        Fraction(2) ** -149


def next_down(v):
    return Fraction(struct.unpack("<f", struct.pack("<I", bits(v) - 1))[0])


def parse_cell(text):
    """A number text (blanks, sign, digits, '.', exponent) as an exact value."""
    m = re.fullmatch(r" *([+-]?)(\d*)(?:\.(\d*))?(?:[eE]([+-]?\d+))?", text)
    assert m and (m.group(2) or m.group(3) is not None), text
    digits = (m.group(2) or "") + (m.group(3) or "")
    exponent = int(m.group(4) or 0) - len(m.group(3) or "")
    value = Fraction(int(digits or "0")) * Fraction(10) ** exponent
    return -value if m.group(1) == "-" else value


def solve(matrix, vector):
    """Exact Gauss-Jordan elimination; NotUnique for a singular matrix."""
    n = len(vector)
    m = [list(row) + [vector[i]] for i, row in enumerate(matrix)]
    for col in range(n):
        pivot = next((r for r in range(col, n) if m[r][col] != 0), None)
        if pivot is None:
            raise NotUnique()
        m[col], m[pivot] = m[pivot], m[col]
        for r in range(n):
            if r != col and m[r][col] != 0:
                f = m[r][col] / m[col][col]
                m[r] = [a - f * b for a, b in zip(m[r], m[col])]
    return [m[i][n] / m[i][i] for i in range(n)]


def exact_fit(kind, pairs):
    """Least-squares coefficients {a, b, c} and the residual sum of squares of exact pairs."""
    if kind == 2 and len(pairs) == 2:  # two pairs: no square, the line through them
        coef, sse = exact_fit(0, pairs)
        return {"a": Fraction(0), "b": coef["a"], "c": coef["b"]}, sse
    basis, names = BASES[kind]
    rows = [basis(Fraction(x)) for x, _ in pairs]
    k = len(names)
    normal = [[sum(r[i] * r[j] for r in rows) for j in range(k)] for i in range(k)]
    rhs = [sum(r[i] * Fraction(y) for r, (_, y) in zip(rows, pairs)) for i in range(k)]
    coef = dict(zip(names, solve(normal, rhs)))
    sse = sum((Fraction(y) - sum(c * v for c, v in zip(coef.values(), r))) ** 2
              for r, (_, y) in zip(rows, pairs))
    return coef, sse


def number_text(v, width, decimals):
    """The fixed-point text of a plain value: half away from zero, "-" for a negative value."""
    v = Fraction(v)
    scaled = abs(v) * 10 ** decimals
    n, rest = divmod(scaled.numerator, scaled.denominator)
    if 2 * rest >= scaled.denominator:
        n += 1
    digits = str(n).rjust(decimals + 1, "0")
    text = digits[:-decimals] + "." + digits[-decimals:] if decimals else digits
    return (("-" if v < 0 else "") + text).rjust(width)


def figures(kind, texts):
    """The 32-bit figures {a, b, c, s} of a fit to (x, y) texts of the used pairs; s only for
    more than two pairs."""
    pairs = [(f32(parse_cell(x)), f32(parse_cell(y))) for x, y in texts]
    coef, sse = exact_fit(kind, pairs)
    result = {name: f32(value) for name, value in coef.items()}
    if len(pairs) > 2:
        result["s"] = f32_of_root(sse / (len(pairs) - 1))
    return result


def labels(kind, texts):
    """The five result labels after the fit."""
    fig = figures(kind, texts)
    return ["a =" + number_text(fig["a"], 10, 5),
            "b =" + number_text(fig["b"], 10, 5) if "b" in fig else "",
            "c =" + number_text(fig["c"], 10, 5) if "c" in fig else "",
            f"data : {len(texts)} 組",
            "標準偏差 =" + (number_text(fig["s"], 10, 5) if "s" in fig else "")]


if __name__ == "__main__":
    kind = int(sys.argv[1])
    texts = [tuple(arg.split(",")) for arg in sys.argv[2:]]
    try:
        print("\n".join(labels(kind, texts)))
        for name, value in figures(kind, texts).items():
            print(f"{name} = {float(value)!r} = 0x{bits(value):08x}")
    except NotUnique:
        print("not unique")
    except Overflow:
        print("overflow")
