#!/usr/bin/python3
"""The statistics of a fit, worked out apart from the program, as the statistics window copies them.

Cells are read as exact decimals and rounded to 32 bits as fit_oracle.py reads them; the design
matrix, its inverse (Gauss-Jordan), the coefficients, residuals, leverages and every other
figure follow the textbook definitions in Python's exact fractions; square roots are taken in
the decimal module at 80 digits; Student's t comes from mpmath's regularized incomplete beta
function at 40 digits (python3-mpmath, Debian's package, installed by hand for recording).
Each figure is rounded to 6 significant digits, ties to even, and written as C's "%.6g".

The expected texts of tests/core/test_statistics.cpp and tests/core/statistics_cases.txt come
from here, recorded once:
  /usr/bin/python3 tests/core/stats_oracle.py KIND X,Y[,Omit] ...   the copied text
  /usr/bin/python3 tests/core/stats_oracle.py --cases SEED COUNT     random cases for the file
  /usr/bin/python3 tests/core/stats_oracle.py --bands KIND X0 X,Y[,Omit] ...
                                    the 95 % bands' leverage and half widths at X0, 20 digits
Lines end in "\\n" here; the program's copy ends them with CR LF.
"""

import decimal
import random
import sys
from fractions import Fraction

import mpmath

sys.path.insert(0, __file__.rsplit("/", 1)[0])
from fit_oracle import FORMULAS, f32, parse_cell  # noqa: E402

decimal.getcontext().prec = 80
mpmath.mp.dps = 40

# The powers of x of each kind's columns, and the coefficients' names.
POWERS = [[1, 0], [1], [2, 1, 0], [2, 1]]
NAMES = ["ab", "a", "abc", "ab"]
NONE = "-"


def round6(q):
    """The decimal of 6 significant digits nearest to the rational q (ties to even), as a
    Fraction."""
    q = Fraction(q)
    if q == 0:
        return Fraction(0)
    a = abs(q)
    e = 0
    while a >= 10 ** (e + 1):
        e += 1
    while a < Fraction(10) ** e:
        e -= 1
    scale = Fraction(10) ** (5 - e)
    n = round(a * scale)  # Python rounds a Fraction half to even
    r = n / scale
    return r if q > 0 else -r


def g6(q):
    """C's "%.6g" of the 6-digit decimal nearest to q."""
    r = round6(q)
    return "%.6g" % float(r) if r != 0 else "0"


def g6_root(q, negative=False):
    """"%.6g" of the square root of q >= 0, the root taken at 80 digits."""
    q = Fraction(q)
    root = (decimal.Decimal(q.numerator) / decimal.Decimal(q.denominator)).sqrt()
    r = round6(Fraction(root))
    text = "%.6g" % float(r) if r != 0 else "0"
    return "-" + text if negative and r != 0 else text


def g6_mp(v):
    """"%.6g" of an mpmath value, by way of its 35 leading digits."""
    return g6(Fraction(mpmath.nstr(v, 35)))


def inverse(matrix):
    """Exact Gauss-Jordan inverse; None for a singular matrix."""
    n = len(matrix)
    m = [list(row) + [Fraction(int(i == j)) for j in range(n)] for i, row in enumerate(matrix)]
    for col in range(n):
        pivot = next((r for r in range(col, n) if m[r][col] != 0), None)
        if pivot is None:
            return None
        m[col], m[pivot] = m[pivot], m[col]
        p = m[col][col]
        m[col] = [v / p for v in m[col]]
        for r in range(n):
            if r != col and m[r][col] != 0:
                f = m[r][col]
                m[r] = [a - f * b for a, b in zip(m[r], m[col])]
    return [row[n:] for row in m]


def columns(kind, n):
    return POWERS[0] if kind == 2 and n == 2 else POWERS[kind]


def t_upper(df, t):
    """P(T > t) for t >= 0, Student's t with df degrees of freedom."""
    x = mpmath.mpf(df) / (df + mpmath.mpf(t) ** 2)
    return mpmath.betainc(mpmath.mpf(df) / 2, mpmath.mpf(1) / 2, 0, x, regularized=True) / 2


def t_quantile_975(df):
    x = mpmath.findroot(
        lambda x: mpmath.betainc(mpmath.mpf(df) / 2, 0.5, 0, x, regularized=True) - 0.05,
        (mpmath.mpf(1e-30), mpmath.mpf(1)), solver="illinois")
    return mpmath.sqrt(df * (1 - x) / x)


class Fit:
    """One kind fitted to the used pairs; None of its figures when it cannot be fitted."""

    def __init__(self, kind, used):
        self.kind, self.n = kind, len(used)
        self.powers = columns(kind, self.n)
        self.p = len(self.powers)
        self.df = self.n - self.p
        self.intercept = 0 in self.powers
        self.ok = self.n >= (1 if kind == 1 else 2)
        if not self.ok:
            return
        X = [[x ** k for k in self.powers] for x, _ in used]
        y = [v for _, v in used]
        G = [[sum(r[i] * r[j] for r in X) for j in range(self.p)] for i in range(self.p)]
        self.inv = inverse(G)
        if self.inv is None:
            self.ok = False
            return
        Xty = [sum(r[i] * v for r, v in zip(X, y)) for i in range(self.p)]
        self.beta = [sum(self.inv[i][j] * Xty[j] for j in range(self.p)) for i in range(self.p)]
        self.sse = sum((v - self.value(x)) ** 2 for x, v in used)
        mean = sum(y) / self.n
        self.sst = sum((v - mean) ** 2 for v in y) if self.intercept else sum(v * v for v in y)
        self.s2 = self.sse / self.df if self.df > 0 else None

    def value(self, x):
        return sum(b * x ** k for b, k in zip(self.beta, self.powers))

    def leverage(self, x):
        v = [x ** k for k in self.powers]
        return sum(v[i] * self.inv[i][j] * v[j] for i in range(self.p) for j in range(self.p))

    def quality(self):
        """p, df, SSE, s, R², adjusted R², basis."""
        if not self.ok:
            return [NONE] * 7
        r2 = 1 - self.sse / self.sst if self.sst != 0 else None
        lost = self.n - (1 if self.intercept else 0)
        adj = 1 - (1 - r2) * lost / self.df if r2 is not None and self.df > 0 else None
        return [str(self.p), str(self.df), g6(self.sse),
                g6_root(self.s2) if self.s2 is not None else NONE,
                g6(r2) if r2 is not None else NONE, g6(adj) if adj is not None else NONE,
                "平均" if self.intercept else "原点"]


def statistics(kind, rows):
    """The copied text of a fit of `kind` to rows (grid row, x text, y text, omitted)."""
    data = [(r, f32(parse_cell(x)), f32(parse_cell(y)), omit) for r, x, y, omit in rows]
    used = [(x, y) for _, x, y, omit in data if not omit]
    fit = Fit(kind, used)
    assert fit.ok, "the program refuses or fails this compute"
    q = fit.quality()
    n = fit.n
    lines = [["式", FORMULAS[kind]], ["データ数 n", str(n)], ["係数の数 p", q[0]],
             ["自由度 n-p", q[1]], ["残差平方和", q[2]], ["回帰の標準誤差 s", q[3]],
             ["標準偏差 (n-1)", g6_root(fit.sse / (n - 1)) if n > 1 else NONE],
             ["決定係数 R^2", q[4]], ["自由度調整済み R^2", q[5]], ["R^2 の基準", q[6]], []]
    lines.append(["係数", "値", "標準誤差", "t 値", "p 値", "95% 下限", "95% 上限"])
    t975 = t_quantile_975(fit.df) if fit.df > 0 else None
    for name, power in zip(NAMES[kind], POWERS[kind]):
        if power not in fit.powers:
            lines.append([name, "0"] + [NONE] * 5)
            continue
        i = fit.powers.index(power)
        b = fit.beta[i]
        if fit.df == 0:
            lines.append([name, g6(b)] + [NONE] * 5)
        elif fit.sse == 0:
            lines.append([name, g6(b), "0", NONE, NONE, g6(b), g6(b)])
        else:
            se2 = fit.s2 * fit.inv[i][i]
            t = b * b / se2
            t_mp = mpmath.sqrt(mpmath.mpf(t.numerator) / t.denominator)
            se_mp = mpmath.sqrt(mpmath.mpf(se2.numerator) / se2.denominator)
            b_mp = mpmath.mpf(b.numerator) / b.denominator
            lines.append([name, g6(b), g6_root(se2), g6_root(t, b < 0),
                          g6_mp(2 * t_upper(fit.df, t_mp)), g6_mp(b_mp - t975 * se_mp),
                          g6_mp(b_mp + t975 * se_mp)])
    lines.append([])
    lines.append(["No.", "x", "y", "予測値", "残差", "標準化残差", "てこ比", ""])
    for r, x, y, omit in data:
        e = y - fit.value(x)
        line = [str(r), "%.6g" % float(x), "%.6g" % float(y), g6(fit.value(x)), g6(e)]
        if omit:
            line += ["", "", "Omit"]
        else:
            h = fit.leverage(x)
            if fit.df == 0 or fit.sse == 0 or h == 1:
                std = NONE
            else:
                std = g6_root(e * e / (fit.s2 * (1 - h)), e < 0)
            line += [std, g6(h), ""]
        lines.append(line)
    lines.append([])
    lines.append(["式", "係数の数 p", "自由度", "残差平方和", "回帰の標準誤差 s", "決定係数 R^2",
                  "自由度調整済み R^2", "R^2 の基準"])
    for other in range(4):
        lines.append([FORMULAS[other]] + Fit(other, used).quality())
    return "".join("\t".join(line) + "\n" for line in lines)


def bands(kind, x0, rows):
    """h(x0), t·s·√h and t·s·√(1 + h) of a fit of `kind` to rows, as 20 significant digits."""
    used = [(f32(parse_cell(x)), f32(parse_cell(y))) for _, x, y, omit in rows if not omit]
    fit = Fit(kind, used)
    assert fit.ok and fit.df > 0, "no bands"
    h = fit.leverage(Fraction(x0))
    ts = t_quantile_975(fit.df) * mpmath.sqrt(mpmath.mpf(fit.s2.numerator) / fit.s2.denominator)
    h_mp = mpmath.mpf(h.numerator) / h.denominator
    return " ".join(mpmath.nstr(v, 20) for v in (h_mp, ts * mpmath.sqrt(h_mp),
                                                  ts * mpmath.sqrt(1 + h_mp))) + "\n"


def random_case(rng):
    """A data set the program fits: 1 to 20 rows, some omitted, of one of several scales."""
    scale = rng.choice(["small", "years", "kelvin", "tiny", "huge", "integers"])
    n = rng.choice([1, 2, 3, 4, 5, 7, 10, 13, 17, 20])
    rows = []
    for r in range(1, n + 1):
        if scale == "small":
            x, y = rng.uniform(-5, 5), rng.uniform(-20, 20)
            texts = ("%.3g" % x, "%.4g" % y)
        elif scale == "years":
            texts = (str(1990 + r), "%.2f" % (370 + 2.1 * r + rng.gauss(0, 0.5)))
        elif scale == "kelvin":
            texts = ("%.2f" % (273.15 + 5 * r), "%.5g" % (1e-3 * (273.15 + 5 * r) ** 2
                                                         + rng.gauss(0, 3)))
        elif scale == "tiny":
            texts = ("%.3ge-20" % rng.uniform(1, 9), "%.3ge-15" % rng.uniform(-9, 9))
        elif scale == "huge":
            texts = ("%.3ge18" % rng.uniform(-9, 9), "%.3ge25" % rng.uniform(-9, 9))
        else:
            texts = (str(rng.randint(-9, 9)), str(rng.randint(-30, 30)))
        omit = n > 3 and rng.random() < 0.15
        rows.append((r, texts[0], texts[1], omit))
    return scale, rows


def cases(seed, count):
    """Random data sets with every kind that fits them: a block of the case file each."""
    rng = random.Random(seed)
    out = []
    while len(out) < count:
        scale, rows = random_case(rng)
        kind = len(out) % 4
        try:
            text = statistics(kind, rows)
        except (AssertionError, ZeroDivisionError):
            continue
        cells = " ".join(f"{x},{y}" + (",Omit" if omit else "") for _, x, y, omit in rows)
        out.append(f"case {kind} {cells}\n{text}end\n")
    return "".join(out)


if __name__ == "__main__":
    if sys.argv[1] == "--cases":
        sys.stdout.write(cases(int(sys.argv[2]), int(sys.argv[3])))
    elif sys.argv[1] == "--bands":
        rows = [(r, *(a.split(",") + [""])[:2], a.endswith(",Omit"))
                for r, a in enumerate(sys.argv[4:], 1)]
        sys.stdout.write(bands(int(sys.argv[2]), sys.argv[3], rows))
    else:
        kind = int(sys.argv[1])
        rows = []
        for r, arg in enumerate(sys.argv[2:], 1):
            parts = arg.split(",")
            rows.append((r, parts[0], parts[1], len(parts) > 2 and parts[2] == "Omit"))
        sys.stdout.write(statistics(kind, rows))
