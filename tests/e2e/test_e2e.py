#!/usr/bin/python3
"""End-to-end tests: the built program in a real X server, driven only from outside.

Run: /usr/bin/python3 tests/e2e/test_e2e.py --program build/orvelt [unittest options, e.g. -v
TextReport]. Each test gets its own Session (see harness.py) and a freshly started program.
Expected texts, bytes and pixels are worked out from the typed data and the rules the program is
to follow (number text, report and file layout, plot scaling and rasters), never taken from it.
"""

import argparse
import io
import math
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
from fractions import Fraction

sys.dont_write_bytecode = True  # nothing of a test run lands in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Session, vm_hwm_kib, wait_for  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "core"))
import fit_oracle  # noqa: E402
from fit_oracle import (BASES, FORMULAS, f32, number_text, parse_cell,  # noqa: E402
                        round_bits)

PROGRAM = os.environ.get("ORVELT_PROGRAM", "")
MAIN_TITLE = "^オルヴェルト Ver. 1.11$"
GRAPH_TITLE = "^Orvelt Ver. 1.10$"
HELP_CAPTION = "オルヴェルト ヘルプ"
WHITE, BLACK, GREY = (255, 255, 255), (0, 0, 0), (128, 128, 128)
RED, BLUE = (255, 0, 0), (0, 0, 255)


# ---- numbers as the program's arithmetic is to form them -----------------------------------

def ext(q):
    """One operation of the 64-bit-mantissa extended precision."""
    return round_bits(q, 64)


def round_even(q):
    n = math.floor(q)
    rest = q - n
    return n + 1 if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and n % 2) else n


def padded(v):
    return number_text(v, 10, 5)


def result_labels(kind, pairs):
    """The five result captions after a fit of `kind` to the used (x, y) texts, and the fitted
    32-bit coefficients, from the exact least-squares solution."""
    labels = dict(zip("abcns", fit_oracle.labels(kind, pairs)))
    coef = {name: value for name, value in fit_oracle.figures(kind, pairs).items() if name != "s"}
    return labels, coef


def report_bytes(kind, labels, rows):
    """The text report: formula, result lines, header and the rows holding both x and y."""
    lines = [FORMULAS[kind]]
    lines += ["  " + labels[name] for name in BASES[kind][1]]
    lines += ["  " + labels["n"], "  " + labels["s"], "No.\tx\ty"]
    for r, (x, y, omit) in sorted(rows.items()):
        if x and y:
            lines.append(f"{r}\t{x}\t{y}\t{omit}")
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def file_bytes(rows):
    """A data file of the given rows {row: (x, y, omit)}, the others empty."""
    lines = ["ovt110"] + [t for r in range(1, 21) for t in rows.get(r, ("", "", ""))]
    return "".join(line + "\r\n" for line in lines).encode("cp932")


def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


BARE_LABELS = {"a": "a =", "b": "b =", "c": "c =", "n": "data :", "s": "標準偏差 ="}

# Annual mean CO2 at Mauna Loa, 2001 to 2020: data far from 0, as people type them.
CO2_PPM = ["371.32", "373.45", "375.98", "377.70", "379.98", "382.09", "384.02", "385.83",
           "387.64", "390.10", "391.85", "394.06", "396.74", "398.81", "401.01", "404.41",
           "406.76", "408.72", "411.65", "414.21"]
CO2_ROWS = {r: (str(2000 + r), y, "") for r, y in enumerate(CO2_PPM, 1)}


# ---- the common part of every test ---------------------------------------------------------

class ProgramTestCase(unittest.TestCase):
    """Starts the program in a fresh session; the main window has the focus."""

    # The program gets nothing but DISPLAY, HOME and PATH: no locale, no session bus, so no
    # accessibility tree either; such a test reads the program through X and the clipboard only.
    BARE = False

    def setUp(self):
        self.assertTrue(PROGRAM and os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")
        self.s = Session(bare=self.BARE)
        self.s.__enter__()
        self.addCleanup(self.s.close)
        self.addCleanup(self.keep_evidence)
        self.app = self.s.start([self.program()])
        self.main = self.app.wait_window(MAIN_TITLE)
        self.graph = self.app.wait_window(GRAPH_TITLE)
        # The program activates its main window itself; keys typed before the grid's editor
        # holds the focus would be lost.
        wait_for(lambda: self.s.focused_window() == self.main, what="the main window active")
        if not self.BARE:
            wait_for(lambda: self.focused_node(), what="the keyboard focus in the main window")

    def program(self):
        """The program file to start; a test may start it from elsewhere."""
        return PROGRAM

    def keep_evidence(self):
        result = getattr(getattr(self, "_outcome", None), "result", None)
        failed = result is not None and any(
            test is self for test, _ in result.failures + result.errors)
        if not failed:
            return
        folder = os.path.abspath("e2e-failures")
        os.makedirs(folder, exist_ok=True)
        base = os.path.join(folder, self.id().split(".", 1)[-1])
        try:
            self.s.screenshot(base + ".png")
        except Exception as e:  # the evidence must not hide the failure
            print(f"no screenshot: {e}", file=sys.stderr)
        with open(base + ".log", "w", encoding="utf-8") as f:
            f.write(self.app.output())
        print(f"\nscreen and program output kept in {base}.*", file=sys.stderr)

    # -- reading the program

    def tree(self):
        return self.app.accessible(prune=("menu bar",))

    def focused_node(self):
        nodes = [n for n in self.tree().walk()
                 if "focused" in n.states and not n.children and n.role != "application"]
        return nodes[-1] if nodes else None

    def checked_kind(self, group="式の種類"):
        items = self.tree().find(role="panel", name=group).find_all(role="radio button")
        return [i for i, n in enumerate(items) if "checked" in n.states]

    # -- acting as the user

    def type_pairs(self, rows):
        """Types grid rows 1..n with the Enter walk, x then y; rows not given stay empty."""
        for r in range(1, max(rows) + 1):
            x, y, _ = rows.get(r, ("", "", ""))
            self.s.type(f"{x}\n{y}\n")

    def tab_to(self, name, key="Tab", limit=8):
        """Presses `key` until the focus is on the control named `name`, one move at a time."""
        for _ in range(limit):
            now = self.focused_node()
            if now and now.name == name:
                return
            self.s.key(key)
            wait_for(lambda: self.focused_node() != now, what=f"the focus to move on by {key}")
        self.fail(f"no {name!r} within {limit} presses of {key}")

    def choose_kind_from_grid(self, kind):
        """From the grid's x cell: Tab to the formula group, arrow keys to the item."""
        self.s.key("Tab", "Tab", "Tab")
        wait_for(lambda: (n := self.focused_node()) and n.name == FORMULAS[0],
                 what="the focus on the first formula")
        if kind:
            self.s.key(*["Down"] * kind)
        wait_for(lambda: self.checked_kind() == [kind], what=f"formula {kind} chosen")

    def wait_computed(self):
        """The compute command ends by activating the graph window."""
        wait_for(lambda: self.s.focused_window() == self.graph, what="the graph window activated")

    def click_compute(self):
        button = self.tree().find(role="push button", name="回帰式計算")
        self.s.click_screen(*button.extents.center)

    def menu(self, *keys):
        """Keys into the main window, e.g. menu("alt+e", "c")."""
        self.s.focus(self.main)
        self.s.key(*keys)

    def copy_report(self):
        self.s.clear_clipboard()
        self.menu("alt+e", "c")
        return self.s.clipboard_text()

    def copy_graph(self):
        from PIL import Image
        self.s.clear_clipboard()
        self.menu("alt+e", "g")
        return Image.open(io.BytesIO(self.s.clipboard_png())).convert("RGB")

    def screen(self):
        from PIL import Image
        return Image.open(io.BytesIO(self.s.tool(["import", "-window", "root", "png:-"],
                                                 timeout=20))).convert("RGB")

    def new_window(self, known):
        def find():
            fresh = [w for w in self.s.windows(None, self.app.pid) if w not in known]
            return fresh[0] if fresh else None
        return wait_for(find, what="a new window")

    def focused_new_window(self, caption=None):
        """Waits for a window beside the main and graph windows to take the focus; checks its
        title when one is given."""
        wid = self.new_window([self.main, self.graph])
        if caption is not None:
            self.assertEqual(self.s.window_title(wid), caption)
        wait_for(lambda: self.s.focused_window() == wid, what="the new window's focus")
        return wid

    def in_graph_window(self, key):
        """The key in the active graph window; the dialog it opens, once it has the focus."""
        self.s.focus(self.graph)
        wait_for(lambda: self.s.focused_window() == self.graph, what="the graph window active")
        self.s.key(key)
        return self.focused_new_window()

    def choose_file(self, menu_keys, name, caption=None):
        """Opens a file dialog from the menu, types the name over the field and waits for the
        dialog to go."""
        self.menu(*menu_keys)
        dialog = self.focused_new_window(caption)
        self.s.key("ctrl+a")
        self.s.type(name + "\n")
        self.s.wait_gone(dialog)

    def assert_box(self, box, caption, text, buttons, at):
        self.assertEqual(box.caption, caption)
        self.assertEqual(box.text, text)
        self.assertEqual(box.buttons, buttons)
        self.assertEqual((box.geometry.x, box.geometry.y), at)

    def icon_colour(self, box):
        """The icon's colour: "red" (error), "yellow" (warning), "blue" (question) or None."""
        self.assertIsNotNone(box.icon, "the box has no icon")
        g = box.icon
        pixels = list(self.screen().crop((g.x, g.y, g.x + g.width, g.y + g.height)).getdata())
        counts = {
            "red": sum(r > 180 and gr < 90 and b < 90 for r, gr, b in pixels),
            "yellow": sum(r > 180 and gr > 150 and b < 100 for r, gr, b in pixels),
            "blue": sum(b > 150 and r < 100 and gr < 100 for r, gr, b in pixels),
        }
        colour, count = max(counts.items(), key=lambda kv: kv[1])
        others = max(n for c, n in counts.items() if c != colour)
        return colour if count >= 30 and others * 4 < count else None


class Startup(ProgramTestCase):
    def test_main_window_in_front_with_the_first_x_cell(self):
        stack = self.s.stacking()
        self.assertGreater(stack.index(self.main), stack.index(self.graph))
        tree = self.tree()
        editor = [n for n in tree.walk() if "focused" in n.states and not n.children][-1]
        self.assertEqual(editor.role, "text")
        # The grids' insides, left to right; the editor sits in the first one, right of the
        # label column and below the header row: one column of 46 and one row of 18, each with
        # its grid line.
        insides = sorted((n for n in tree.walk()
                          if n.role == "filler" and any(c.role == "text" for c in n.children)),
                         key=lambda n: n.extents.x)
        self.assertEqual(len(insides), 2)
        self.assertIn(editor, insides[0].children)
        self.assertEqual((editor.extents.x - insides[0].extents.x,
                          editor.extents.y - insides[0].extents.y), (46 + 1, 18 + 1))

    def test_start_maps_no_image_plugin_nor_svg_or_print_support(self):
        # What nothing needs before a picture is saved or printed: Qt's image format plugins,
        # which a reader guessing a format loads all at once, its SVG and its print support.
        with open(f"/proc/{self.app.pid}/maps", encoding="utf-8") as f:
            files = {line.split()[-1] for line in f if "/" in line}
        self.assertTrue(any("/libQt6Widgets.so" in f for f in files))
        self.assertEqual(sorted(f for f in files if "/imageformats/" in f or "/libQt6Svg" in f
                                or "/libQt6PrintSupport" in f), [])

    def test_client_area_below_the_menu_bar(self):
        # On a real X server the menu bar is taller than its size hint says.
        frame = self.tree().find(role="frame")
        bar = frame.find(role="menu bar").extents
        client = next(c for c in frame.children if c.role == "filler").extents
        self.assertEqual((client.x, client.y, client.width, client.height),
                         (0, bar.y + bar.height, 449, 377))
        window = self.s.geometry(self.main)
        self.assertEqual((window.width, window.height), (449, bar.height + 377))


# ---- 1. typing, the four formula kinds, computing, the text report -------------------------

class TextReport(ProgramTestCase):
    """Pairs typed with the Enter walk, the formula chosen by keyboard, the report copied."""

    def check(self, kind, rows, by_click=False):
        self.type_pairs(rows)
        self.choose_kind_from_grid(kind)
        if by_click:
            self.click_compute()
        else:
            # From the formula group: the band group, then the compute button (the y
            # calculation is disabled before the first result).
            self.s.key("Tab", "Tab")
            wait_for(lambda: (n := self.focused_node()) and n.name == "回帰式計算",
                     what="the focus on the compute button")
            self.s.key("space")
        self.wait_computed()
        used = [(x, y) for x, y, omit in rows.values() if x and y and not omit]
        labels, _ = result_labels(kind, used)
        self.assertEqual(self.copy_report(), report_bytes(kind, labels, rows))
        return labels

    def test_straight_line(self):
        # Row 2 has only x and row 4 nothing: both are left out, and the numbering keeps gaps.
        rows = {1: ("-1", "-1", ""), 2: ("7", "", ""), 3: ("0.5", "2", ""), 5: ("4", "9", "")}
        labels = self.check(0, rows)
        self.assertEqual(labels["a"], "a =   2.00000")  # the data lie on y = 2x + 1

    def test_proportional_with_deviation(self):
        rows = {1: ("1", "2", ""), 2: ("-1", "-2", ""), 3: ("1", "4", ""), 4: ("-1", "-4", "")}
        labels = self.check(1, rows)
        self.assertEqual(labels["s"], "標準偏差 =   1.15470")  # sqrt(4 / 3)

        # The report follows the selector at once; the b label that this fit emptied gives a
        # line of two blanks. Back from the compute button to the formula group by Shift+Tab.
        self.s.focus(self.main)
        self.tab_to(FORMULAS[1], "shift+Tab")
        self.s.key("Up")
        wait_for(lambda: self.checked_kind() == [0], what="formula 0 chosen")
        self.assertEqual(labels["b"], "")
        self.assertEqual(self.copy_report(), report_bytes(0, labels, rows))

    def test_parabola(self):
        # y = 0.5x^2 - x + 2, with number texts in several valid spellings.
        rows = {1: ("-2", "6", ""), 2: ("0", "2", ""), 3: ("1", "1.5", ""), 4: ("2.0", "2", ""),
                5: ("4", "6e0", "")}
        self.check(2, rows)

    def test_parabola_over_x_symmetric_about_zero(self):
        # y = x^2 + x + 1 on x = -2..2, as designed experiments lay x out.
        rows = {r: (str(x), str(x * x + x + 1), "") for r, x in enumerate(range(-2, 3), 1)}
        self.check(2, rows, by_click=True)

    def test_carbon_dioxide_by_year(self):
        labels = self.check(2, CO2_ROWS, by_click=True)
        self.assertEqual([labels[n] for n in "abcs"],
                         ["a =   0.02068", "b = -80.92440", "c =79509.71875",
                          "標準偏差 =   0.35654"])

    def test_parabola_through_origin_by_click(self):
        # y = 2x^2 - 3x; a leading blank is part of the number text and of the report.
        rows = {1: ("-1", "5", ""), 2: (" 1", "-1", ""), 3: ("2", "+2", ""), 4: ("3", "9", "")}
        self.check(3, rows, by_click=True)


class YCalculation(ProgramTestCase):
    """After a fit, a typed x gives y in the read-only box; an invalid x gives a placed box."""

    def y_box(self):
        texts = self.tree().find(role="panel", name=" y の計算").find_all(role="text")
        self.assertEqual(len(texts), 2)
        self.assertIn("read-only", texts[1].states)
        return texts

    def calculate(self, x):
        edit1, _ = self.y_box()
        self.s.click_screen(*edit1.extents.center)
        self.s.key("ctrl+a", "BackSpace")
        self.s.type(x)
        wait_for(lambda: self.y_box()[0].text == x, what=f"x {x!r} typed")
        self.s.click_screen(*self.tree().find(role="push button", name=">>").extents.center)

    def test_y_for_typed_x(self):
        self.s.move(self.main, 60, 40)
        rows = {1: ("-1", "-1", ""), 2: ("2", "5", ""), 3: ("4", "9", "")}  # y = 2x + 1
        self.type_pairs(rows)
        _, edit2 = self.y_box()
        self.assertNotIn("enabled", edit2.states)  # nothing to calculate before a fit
        self.click_compute()
        self.wait_computed()
        self.s.focus(self.main)
        self.calculate("3")
        wait_for(lambda: self.y_box()[1].text == padded(7), what="y = 7 shown")

        self.calculate("3 ")  # a trailing blank is not part of the number syntax
        box = self.app.wait_message_box("エラー")
        self.assert_box(box, "エラー", "正しい数字ではありません", ["OK"], (60 + 130, 40 + 150))
        self.s.key("Return")
        self.s.wait_gone(box.window)
        self.assertEqual(self.y_box()[1].text, "")


# ---- 2. an invalid cell ----------------------------------------------------------------------

class InvalidCell(ProgramTestCase):
    """The first cell that is not a number stops the computation with a placed error box."""

    ROWS = {1: ("1", "2", ""), 2: ("2", "4", ""), 3: ("3", "1,5", ""), 4: ("x", "", "")}
    TEXT = "正しい数字ではありません\n\n  Data No. 3 の y"

    def compute_and_get_box(self):
        self.click_compute()
        return self.app.wait_message_box("エラー")

    def test_message_box_placed_beside_main_window(self):
        self.s.move(self.main, 100, 50)
        self.type_pairs(self.ROWS)
        box = self.compute_and_get_box()
        self.assert_box(box, "エラー", self.TEXT, ["OK"], (100 + 130, 50 + 150))
        self.assertEqual(self.icon_colour(box), "red")
        self.assertEqual(self.s.focused_window(), box.window)
        self.s.key("Return")
        self.s.wait_gone(box.window)
        # The command stopped after the reset: bare captions and a blank picture.
        self.assertEqual(self.copy_report(), report_bytes(0, BARE_LABELS, self.ROWS))
        picture = self.copy_graph()
        self.assertEqual(picture.size, (321, 450))
        expected = Expected.blank()
        self.assertEqual(expected.mismatches(picture), [])

    def test_negative_left_edge_centres_the_box_horizontally(self):
        self.s.move(self.main, -200, 30)
        self.type_pairs(self.ROWS)
        box = self.compute_and_get_box()
        self.assertEqual(box.text, self.TEXT)
        screen_width = self.s.screen[0]
        self.assertLessEqual(abs(box.geometry.x - (screen_width - box.geometry.width) // 2), 1)
        self.assertEqual(box.geometry.y, 30 + 150)
        self.s.key("Escape")
        self.s.wait_gone(box.window)


class FailedArithmetic(ProgramTestCase):
    """A fit whose arithmetic fails ends in the general error box; the program goes on."""

    def test_parabola_over_two_distinct_x(self):
        rows = {1: ("-1", "1", ""), 2: ("1", "2", ""), 3: ("1", "3", "")}
        self.type_pairs(rows)
        self.choose_kind_from_grid(2)
        self.click_compute()
        box = self.app.wait_message_box("オルヴェルト")
        # a's denominator is 0 and so is its numerator; the box adds a full stop.
        self.assertEqual(box.text, "不正な浮動小数点数演算命令.")
        self.assertEqual(box.buttons, ["OK"])
        self.assertEqual(self.icon_colour(box), "red")
        self.s.key("Return")
        self.s.wait_gone(box.window)
        self.assertEqual(self.copy_report(), report_bytes(2, BARE_LABELS, rows))
        self.assertEqual(Expected.blank().mismatches(self.copy_graph()), [])


# ---- 3. the graph picture --------------------------------------------------------------------

class Expected:
    """The expected graph picture: per pixel the set of allowed colours (text glyphs are not
    predicted; inside a text cell black and white are allowed as well)."""

    W, H = 321, 450

    def __init__(self):
        self.allowed = [[{WHITE} for _ in range(self.W)] for _ in range(self.H)]
        self.texts = []

    @classmethod
    def blank(cls):
        e = cls()
        e.rectangle(0, 0, cls.W, cls.W, BLACK)
        return e

    def put(self, x, y, colour):
        if 0 <= x < self.W and 0 <= y < self.H:
            self.allowed[y][x] = {colour}

    def rectangle(self, x1, y1, x2, y2, pen):
        for x in range(x1, x2):
            self.put(x, y1, pen)
            self.put(x, y2 - 1, pen)
        for y in range(y1, y2):
            self.put(x1, y, pen)
            self.put(x2 - 1, y, pen)

    def line(self, x1, y1, x2, y2, colour):
        """A segment that draws its start and leaves out its end; along the longer axis each
        pixel takes the nearest pixel of the true line, an exact half the smaller one."""
        dx, dy = x2 - x1, y2 - y1
        if abs(dx) > abs(dy):
            step = 1 if dx > 0 else -1
            for x in range(x1, x2, step):
                self.put(x, math.ceil(y1 + Fraction(x - x1, dx) * dy - Fraction(1, 2)), colour)
        elif dy:
            step = 1 if dy > 0 else -1
            for y in range(y1, y2, step):
                self.put(math.ceil(x1 + Fraction(y - y1, dy) * dx - Fraction(1, 2)), y, colour)

    def marker(self, c, r, pen, brush):
        for x, y in ((c - 1, r - 2), (c, r - 2), (c - 2, r - 1), (c + 1, r - 1),
                     (c - 2, r), (c + 1, r), (c - 1, r + 1), (c, r + 1)):
            self.put(x, y, pen)
        for x, y in ((c - 1, r - 1), (c, r - 1), (c - 1, r), (c, r)):
            self.put(x, y, brush)

    def text(self, x, y, text, pixels, slack=0):
        """A text cell whose glyphs are not predicted: a generous box of black or white, reaching
        `slack` more columns to the left where the start is known only roughly."""
        width = sum(pixels if ord(ch) > 0x2000 else (pixels * 2) // 3 + 1 for ch in text) + 2
        box = (x - 1 - slack, y, x + width, y + pixels + 3)
        for yy in range(box[1], min(box[3], self.H)):
            for xx in range(max(box[0], 0), min(box[2], self.W)):
                self.allowed[yy][xx] = self.allowed[yy][xx] | {WHITE, BLACK}
        self.texts.append((text, x, y, pixels, box))

    def mismatches(self, picture, limit=20):
        bad = []
        px = picture.load()
        for y in range(self.H):
            for x in range(self.W):
                if px[x, y] not in self.allowed[y][x]:
                    bad.append(((x, y), px[x, y], sorted(self.allowed[y][x])))
                    if len(bad) >= limit:
                        return bad
        return bad


class PlotRange:
    """The plot range and the value-to-pixel mapping, by the widening rules of the axes."""

    W = 321

    def __init__(self, xmax, xmin, ymax, ymin):
        self.R, self.L = self.widen(f32(xmax), f32(xmin), equal_rule="x")
        self.T, self.B = self.widen(f32(ymax), f32(ymin), equal_rule="y")
        self.sx = f32(ext(ext(self.R - self.L) / self.W))
        self.sy = f32(ext(ext(self.T - self.B) / self.W))

    @staticmethod
    def widen(hi, lo, equal_rule):
        if hi == lo:
            if equal_rule == "x":
                hi, lo = (hi, Fraction(0)) if hi >= 0 else (Fraction(0), lo)
            elif hi == 0:
                hi, lo = Fraction(1, 2), Fraction(-1, 2)
            elif hi > 0:
                lo = Fraction(0)
            else:
                hi = Fraction(0)
        if lo > 0:
            hi = f32(ext(hi + ext(hi / 10)))
            lo = f32(ext(-hi / 10))
        elif hi < 0:
            hi = f32(ext(-lo / 10))
            lo = f32(ext(lo + ext(lo / 10)))
        else:
            hi = f32(ext(hi + ext(ext(hi - lo) / 10)))
            lo = f32(ext(lo - ext(ext(hi - lo) / 10)))
        return hi, lo

    def column(self, x):
        return round_even(ext(ext(Fraction(x) - self.L) / self.sx))

    def row(self, y):
        return self.W - round_even(ext(ext(Fraction(y) - self.B) / self.sy))


class DataRange(PlotRange):
    """The frame on the data alone: a tenth of the span beyond both ends of each range."""

    @staticmethod
    def widen(hi, lo, equal_rule):
        if hi == lo:
            if hi == 0:
                return Fraction(1, 2), Fraction(-1, 2)
            margin = ext(abs(hi) / 10)
        else:
            margin = ext(ext(hi - lo) / 10)
        return f32(ext(hi + margin)), f32(ext(lo - margin))


def end_decimals(lo, hi):
    """2, or as many more decimals (up to 5) as it takes for the two ends to read apart."""
    d = 2
    while d < 5 and parse_cell(number_text(lo, 4, d)) == parse_cell(number_text(hi, 4, d)):
        d += 1
    return d


def end_texts(rng):
    """The data frame's numbers: top, bottom, left and right ends."""
    dy, dx = end_decimals(rng.B, rng.T), end_decimals(rng.L, rng.R)
    return [number_text(rng.T, 4, dy), number_text(rng.B, 4, dy), number_text(rng.L, 4, dx),
            number_text(rng.R, 4, dx)]


def curve_pass(expected, rng, qa, qb, qc, offset, colour):
    """One pass of the curve: a sample per pixel column, runs broken where it leaves [B, T]."""
    pen_up, pos = True, None
    for i in range(rng.W + 1):
        x = f32(ext(rng.L + ext(i * rng.sx)))
        y = ext(ext(ext(ext(qa * x) * x) + ext(qb * x)) + qc)
        y = f32(ext(y + offset) if offset else y)
        if y > rng.T or y < rng.B:
            pen_up = True
            continue
        point = (i, rng.row(y))
        if not pen_up:
            expected.line(*pos, *point, colour)
        pos, pen_up = point, False


FORMULA_BLOCK = [
    [("y = ax + b", 110, 340, 15), ("a", 120, 355), ("b", 120, 370), ("n", 120, 385),
     ("s", 118, 402)],
    [("y = ax", 110, 340, 15), ("a", 120, 355), ("n", 120, 370), ("s", 118, 387)],
    [("y = ax  + bx + c", 110, 340, 15), ("2", 150, 340, 11), ("a", 120, 355), ("b", 120, 370),
     ("c", 120, 385), ("n", 120, 400), ("s", 118, 417)],
    [("y = ax  + bx", 110, 340, 15), ("2", 150, 340, 11), ("a", 120, 355), ("b", 120, 370),
     ("n", 120, 385), ("s", 118, 402)],
]
GREEN = (0, 128, 0)


def expected_graph(kind, rows1, rows2, plot2, band, labels, coef, on_data=False):
    """The picture after a fit: frame, axes, labels, points, curve, bands, formula block; framed
    through the origin, or on the data with its numbers over everything in the square."""
    complete1 = [(parse_cell(x), parse_cell(y), omit) for x, y, omit in rows1.values() if x and y]
    complete2 = {r: (parse_cell(x), parse_cell(y)) for r, (x, y) in rows2.items() if x and y}
    xs = [x for x, _, _ in complete1]
    ys = [y for _, y, _ in complete1]
    if plot2:
        # All twenty series-2 slots count, the never-filled ones with their 0.
        slots = [complete2.get(r, (0, 0)) for r in range(1, 21)]
        xs += [x for x, _ in slots]
        ys += [y for _, y in slots]
    rng = (DataRange if on_data else PlotRange)(max(xs), min(xs), max(ys), min(ys))
    e = Expected.blank()
    c0, r0 = rng.column(0), rng.row(0)
    if not on_data:
        e.line(0, r0, rng.W, r0, GREY)
        e.line(c0, 0, c0, rng.W, GREY)
        right, top = number_text(rng.R, 4, 2), number_text(rng.T, 4, 2)
        e.text(c0 - 8, r0 + 1, "0", 12)
        e.text(rng.W - 7 * len(right) + 5, r0 + 1, right, 12)
        e.text(c0 + 5, 1, top, 12)
    else:
        # Axes only where 0 lies inside the square, off its outline.
        if 1 <= r0 <= rng.W - 2:
            e.line(1, r0, rng.W - 1, r0, GREY)
        if 1 <= c0 <= rng.W - 2:
            e.line(c0, 1, c0, rng.W - 1, GREY)
    for x, y, omit in complete1:
        e.marker(rng.column(f32(x)), rng.row(f32(y)), RED, WHITE if omit else RED)
    if plot2:
        for r in sorted(complete2):
            x, y = complete2[r]
            e.marker(rng.column(f32(x)), rng.row(f32(y)), GREEN, GREEN)
    a, b, c = (f32(coef.get(name, 0)) for name in "abc")
    qa, qb, qc = (Fraction(0), a, b) if kind < 2 else (a, b, c)
    curve_pass(e, rng, qa, qb, qc, 0, BLACK)
    # s as the results box shows it (five decimals); none below three used rows.
    shown = labels["s"].split("=")[1]
    d = f32(band * parse_cell(shown)) if shown else 0
    if d:
        curve_pass(e, rng, qa, qb, qc, -d, BLUE)
        curve_pass(e, rng, qa, qb, qc, d, BLUE)
    if on_data:
        # The outline again over the ends of the curve and bands, then the four numbers: the y
        # ends down the left edge, the x ends along the bottom edge, the left one after the
        # bottom y end. Their widths are known only roughly here (digits at most 7 pixels).
        e.rectangle(0, 0, rng.W, rng.W, BLACK)
        top, bottom, left, right = end_texts(rng)
        last = rng.W - 2 - 15
        e.text(2, 2, top, 12)
        e.text(2, last, bottom, 12)
        e.text(2 + 7 * len(bottom) + 12, last, left, 12, slack=3 * len(bottom))
        e.text(rng.W - 2 - 7 * len(right), last, right, 12)
    for item in FORMULA_BLOCK[kind]:
        if len(item) == 4:
            text, x, y, pixels = item
        else:
            (name, x, y), pixels = item, 15
            text = labels[name]
        e.text(x, y, text, pixels)
    return e, rng


class GraphPicture(ProgramTestCase):
    """The copied picture of a fit, pixel by pixel where the rules fix the pixels."""

    def check_picture(self, expected, rng):
        picture = self.copy_graph()
        self.assertEqual(picture.size, (321, 450))
        self.assertEqual(expected.mismatches(picture), [])
        px = picture.load()
        # The x axis's end number ends left of the frame: its background leaves the frame's
        # right column as it was in the rows of the text.
        r0 = rng.row(0)
        erased = [yy for yy in range(r0 + 1, r0 + 13) if px[320, yy] == WHITE]
        self.assertEqual(erased, [], "the end number erases the frame's right column")
        for text, x, y, pixels, box in expected.texts:
            # Each text is there, starting at its place: black glyphs in its own rows.
            core = range(y + 2, y + pixels - 2)
            black = [xx for yy in core for xx in range(box[0], min(box[2], 321))
                     if px[xx, yy] == BLACK]
            self.assertTrue(black, f"no glyph of {text!r} at {x},{y}")
            self.assertLessEqual(min(black) - x, 3, f"{text!r} starts at {min(black)}, not {x}")
            self.assertGreaterEqual(min(black), x - 1, text)
        return picture

    def test_line_with_omitted_row_and_band(self):
        # y = 2x + 1 with residuals +1, -1, -1, +1 (s = sqrt(4/3)); row 5 omitted.
        rows = {1: ("1", "4", ""), 2: ("2", "4", ""), 3: ("3", "6", ""), 4: ("4", "10", ""),
                5: ("6", "2", "Omit")}
        for r in range(1, 5):
            x, y, _ = rows[r]
            self.s.type(f"{x}\n{y}\n")
        self.s.type("6\n2")  # the cursor stays on row 5
        editor = wait_for(lambda: (n := self.focused_node()) and n.text == "2" and n,
                          what="the y cell of row 5 holding 2")
        self.s.click_screen(*editor.extents.center, repeat=2)  # marks the row
        # Four Tabs from the grid: second grid, check box, formula group, band group.
        self.s.key("Tab", "Tab", "Tab", "Tab")
        wait_for(lambda: (n := self.focused_node()) and n.name == "なし",
                 what="the focus on the band group")
        self.s.key("Down")
        wait_for(lambda: self.checked_kind("偏差のグラフ") == [1], what="band ±1s chosen")
        self.s.key("Tab", "space")  # the compute button follows the band group
        self.wait_computed()

        used = [(x, y) for x, y, omit in rows.values() if not omit]
        labels, coef = result_labels(0, used)
        expected, rng = expected_graph(0, rows, {}, False, 1, labels, coef)
        # The data's own numbers, as a reader of the rules works them out.
        self.assertEqual((rng.column(0), rng.row(0)), (29, 292))
        self.assertEqual((number_text(rng.R, 4, 2), number_text(rng.T, 4, 2)), ("6.60", "11.00"))
        picture = self.check_picture(expected, rng)

        # The window shows the plot square of the same picture, at the image's place.
        g = self.s.geometry(self.graph)
        shown = self.screen().crop((g.x + 16, g.y + 16, g.x + 16 + 321, g.y + 16 + 321))
        self.assertEqual(list(shown.getdata()), list(picture.crop((0, 0, 321, 321)).getdata()))

    def test_parabola_with_series_2(self):
        # y = 0.5x^2 - x + 2; series 2 in rows 1 and 3, its other slots 0.
        rows1 = {1: ("-2", "6", ""), 2: ("0", "2", ""), 3: ("1", "1.5", ""), 4: ("2", "2", ""),
                 5: ("4", "6", "")}
        rows2 = {1: ("3", "1"), 3: ("-1", "5")}
        self.type_pairs(rows1)
        self.s.key("Tab")  # to the second grid, at its first x cell
        wait_for(lambda: (n := self.focused_node()) and n.role == "text"
                 and n.extents.x > self.s.geometry(self.main).x + 272, what="the second grid")
        self.type_pairs({r: (x, y, "") for r, (x, y) in rows2.items()})
        self.s.key("Tab", "space")  # tick the check box
        wait_for(lambda: "checked" in self.tree().find(role="check box").states,
                 what="series 2 to be plotted")
        self.s.key("Tab")
        self.tab_to(FORMULAS[0])
        self.s.key("Down", "Down")
        wait_for(lambda: self.checked_kind() == [2], what="formula 2 chosen")
        self.click_compute()
        self.wait_computed()

        labels, coef = result_labels(2, [(x, y) for x, y, _ in rows1.values()])
        expected, rng = expected_graph(2, rows1, rows2, True, 0, labels, coef)
        # The empty series-2 slots bring y = 0 into the range: without them it would start at 1.
        self.assertEqual(number_text(rng.T, 4, 2), "6.60")
        self.assertAlmostEqual(float(rng.B), -0.66, places=6)
        self.check_picture(expected, rng)


class GraphFrames(ProgramTestCase):
    """The graph framed on the data, chosen with a right click in the graph window and copied
    through the menu; F, R and the Menu key in the window."""

    def glyphs_in_boxes(self, picture, texts):
        px = picture.load()
        for text, x, y, pixels, box in texts:
            black = [xx for yy in range(y + 2, y + pixels - 2)
                     for xx in range(max(box[0], 0), min(box[2], 321)) if px[xx, yy] == BLACK]
            self.assertTrue(black, f"no glyph of {text!r} near {x},{y}")

    def test_carbon_dioxide_framed_on_the_data_and_back(self):
        block = "".join(f"{x}\t{y}\r\n" for x, y, _ in CO2_ROWS.values())
        self.s.set_clipboard_text(block.encode("utf-8"))
        self.s.key("ctrl+v")
        self.choose_kind_from_grid(2)
        self.s.key("Tab")
        wait_for(lambda: (n := self.focused_node()) and n.name == "なし",
                 what="the focus on the band group")
        self.s.key("Down")
        wait_for(lambda: self.checked_kind("偏差のグラフ") == [1], what="band ±1s chosen")
        self.click_compute()
        self.wait_computed()

        labels, coef = result_labels(2, [(x, y) for x, y, _ in CO2_ROWS.values()])
        self.assertEqual(labels["s"], "標準偏差 =   0.35654")
        origin, _ = expected_graph(2, CO2_ROWS, {}, False, 1, labels, coef)
        data, rng = expected_graph(2, CO2_ROWS, {}, False, 1, labels, coef, on_data=True)
        self.assertEqual(end_texts(rng), ["418.50", "367.03", "1999.10", "2021.90"])

        # The menu opens where the picture is clicked; its second item frames the data. Of its
        # eight items of one height, the three frames come first, then the two bands and the
        # three commands, a thin separator after the frames and after the bands.
        g = self.s.geometry(self.graph)
        at = (g.x + 16 + 200, g.y + 16 + 200)
        self.s.click_screen(*at, button=3)
        menu = wait_for(lambda: self.s.popups(self.app.pid), what="the context menu")[-1]
        self.assertEqual((menu.x, menu.y), at)
        self.s.click_screen(menu.x + menu.width // 2, menu.y + menu.height * 18 // 100)
        wait_for(lambda: not self.s.popups(self.app.pid), what="the menu to close")

        picture = self.copy_graph()
        self.assertEqual(picture.size, (321, 450))
        self.assertEqual(data.mismatches(picture), [])
        px = picture.load()
        outline = [(i, 0) for i in range(321)] + [(i, 320) for i in range(321)] + \
            [(0, i) for i in range(321)] + [(320, i) for i in range(321)]
        self.assertEqual([p for p in outline if px[p] != BLACK], [])
        red = [(x, y) for y in range(321) for x in range(321) if px[x, y] == RED]
        spread = (max(x for x, _ in red) - min(x for x, _ in red),
                  max(y for _, y in red) - min(y for _, y in red))
        self.assertTrue(spread[0] >= 250 and spread[1] >= 150, spread)
        self.glyphs_in_boxes(picture, data.texts)
        # The window shows the plot square of that picture.
        shown = self.screen().crop((g.x + 16, g.y + 16, g.x + 16 + 321, g.y + 16 + 321))
        self.assertEqual(list(shown.getdata()), list(picture.crop((0, 0, 321, 321)).getdata()))

        # F in the graph window: back through the origin.
        self.s.focus(self.graph)
        self.s.key("f")
        picture = self.copy_graph()
        self.assertEqual(origin.mismatches(picture), [])
        self.glyphs_in_boxes(picture, origin.texts)

        # R: the residuals, the formula block as it was; R again: the same picture through the
        # origin.
        self.s.focus(self.graph)
        self.s.key("r")
        residuals = self.copy_graph()
        self.assertNotEqual(list(residuals.crop((0, 0, 321, 321)).getdata()),
                            list(picture.crop((0, 0, 321, 321)).getdata()))
        self.assertEqual(list(residuals.crop((0, 321, 321, 450)).getdata()),
                         list(picture.crop((0, 321, 321, 450)).getdata()))
        self.s.focus(self.graph)
        self.s.key("r")
        self.assertEqual(list(self.copy_graph().getdata()), list(picture.getdata()))

        # The Menu key opens the menu in the middle of the window; Escape closes it.
        self.s.focus(self.graph)
        self.s.key("Menu")
        menu = wait_for(lambda: self.s.popups(self.app.pid), what="the menu by key")[-1]
        self.assertLessEqual(abs(menu.x - (g.x + g.width // 2)), 1)
        self.assertLessEqual(abs(menu.y - (g.y + g.height // 2)), 1)
        self.s.key("Escape")
        wait_for(lambda: not self.s.popups(self.app.pid), what="the menu to close")


class PictureFiles(ProgramTestCase):
    """Ctrl+S in the graph window saves the picture through the real file dialog: a PNG equal to
    the copied picture (that the SVG and the PDF render back to it is test_export's) and to the
    one `orvelt --picture` writes with no display; Ctrl+P
    prints it to a PDF file through the real print dialog, which offers one in the folder saved
    into."""

    def file(self, name):
        path = os.path.join(self.s.workdir, name)
        wait_for(lambda: os.path.exists(path), what=path)
        return path

    def test_save_and_print(self):
        from PIL import Image
        self.type_pairs({1: ("-2", "4.4", ""), 2: ("-1", "1.2", ""), 3: ("0", "0.3", ""),
                         4: ("1", "1.1", ""), 5: ("3", "9.6", "")})
        self.choose_kind_from_grid(2)
        self.click_compute()
        self.wait_computed()
        copied = self.copy_graph()
        dialog = self.in_graph_window("ctrl+s")
        self.assertEqual(self.s.window_title(dialog), "名前を付けて保存")
        self.s.key("ctrl+a")
        self.s.type("graph.png\n")
        self.s.wait_gone(dialog)
        picture = Image.open(self.file("graph.png")).convert("RGB")
        self.assertEqual(picture.size, (321, 450))
        self.assertEqual(list(picture.getdata()), list(copied.getdata()))
        # A script with no display writes the same file, byte for byte.
        columns = os.path.join(self.s.workdir, "pairs.tsv")
        with open(columns, "w") as f:
            f.write("-2\t4.4\n-1\t1.2\n0\t0.3\n1\t1.1\n3\t9.6\n")
        script = os.path.join(self.s.workdir, "script.png")
        done = subprocess.run([PROGRAM, "--picture", script, "--formula", "2", columns],
                              env={"PATH": os.environ.get("PATH", "/usr/bin:/bin"),
                                   "HOME": "/nonexistent"},
                              capture_output=True, timeout=30, stdin=subprocess.DEVNULL)
        self.assertEqual((done.returncode, done.stdout, done.stderr), (0, b"", b""))
        self.assertEqual(read_bytes(script), read_bytes(self.file("graph.png")))

        # Without a printer the dialog prints to the file it offers; Return prints.
        dialog = self.in_graph_window("ctrl+p")
        self.s.key("Return")
        self.s.wait_gone(dialog)
        info = self.s.tool(["pdfinfo", self.file("orvelt.pdf")]).decode()
        self.assertIn("Title:           y = ax^2 + bx + c", info)
        self.assertEqual(self.s.focused_window(), self.graph)


# ---- 4. saving and opening through the file dialogs ------------------------------------------

class DataFiles(ProgramTestCase):
    """Save series 1 through the save dialog, erase, open it again, and refuse an overwrite."""

    ROWS = {1: ("1", "3", ""), 2: ("2", "5", ""), 3: ("9", "0", "Omit"), 4: ("4", "9", "")}

    def run_dialog(self, menu_keys, name, caption):
        self.menu(*menu_keys)
        dialog = self.focused_new_window(caption)
        field = wait_for(lambda: (n := self.focused_node()) and n.role == "text" and n,
                         what="the focus in the file name field")
        # The file types: data files first and chosen, then all files.
        node = next(n for n in self.tree().children if n.name == caption)
        types = [c for c in node.find_all(role="combo box") if c.name.startswith("ﾃﾞｰﾀ")]
        self.assertEqual([c.name for c in types], ["ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)"])
        self.assertEqual([i.name for i in types[0].find_all(role="list item")],
                         ["ﾃﾞｰﾀﾌｧｲﾙ(*.ovt)", "すべてのﾌｧｲﾙ(*.*)"])
        self.s.key("ctrl+a")
        self.s.type(name + "\n")
        return dialog, field.text

    def erase_all(self, main):
        self.menu("alt+e", "e", "a")
        box = self.app.wait_message_box("確認")
        self.assert_box(box, "確認", "データをすべて消去します\n\n消去しますか？",
                        ["はい(Y)", "いいえ(N)"], (main.x + 130, main.y + 150))
        self.assertEqual(self.icon_colour(box), "blue")
        self.s.key("Return")  # Yes is the default button
        self.s.wait_gone(box.window)

    def test_save_erase_open_and_refused_overwrite(self):
        self.s.move(self.main, 40, 20)
        main = self.s.geometry(self.main)
        self.type_pairs(self.ROWS)
        # Back to row 3 with the arrow keys, and a double-click on its cell marks it.
        self.s.key("Up", "Up")
        wait_for(lambda: (n := self.focused_node()) and n.text == "9", what="the cursor on row 3")
        self.s.click_screen(*self.focused_node().extents.center, repeat=2)
        self.click_compute()
        self.wait_computed()
        used = [(x, y) for x, y, omit in self.ROWS.values() if not omit]
        labels, _ = result_labels(0, used)
        report = self.copy_report()
        self.assertEqual(report, report_bytes(0, labels, self.ROWS))

        # Escape answers No: erasing series 1 is called off and nothing changes.
        self.menu("alt+e", "e", "1")
        box = self.app.wait_message_box("確認")
        self.assert_box(box, "確認", "系列１のデータを消去します\n\n消去しますか？",
                        ["はい(Y)", "いいえ(N)"], (main.x + 125, main.y + 150))
        self.s.key("Escape")
        self.s.wait_gone(box.window)
        self.assertEqual(self.copy_report(), report)

        # A name typed without extension gets ".ovt".
        dialog, _ = self.run_dialog(("alt+f", "s", "1"), "data1", "名前を付けて保存")
        self.s.wait_gone(dialog)
        path = os.path.join(self.s.workdir, "data1.ovt")
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what=path)
        saved = file_bytes(self.ROWS)
        self.assertEqual(read_bytes(path), saved)

        self.erase_all(main)
        self.assertEqual(self.copy_report(), report_bytes(0, BARE_LABELS, {}))

        dialog, _ = self.run_dialog(("alt+f", "o", "1"), "data1", "開く")
        self.s.wait_gone(dialog)
        self.click_compute()
        self.wait_computed()
        self.assertEqual(self.copy_report(), report)

        # The save dialog remembers the name; an existing file brings the overwrite question.
        self.erase_all(main)
        dialog, shown_name = self.run_dialog(("alt+f", "s", "1"), "data1.ovt", "名前を付けて保存")
        self.assertEqual(shown_name, "data1.ovt")
        box = self.app.wait_message_box("警告")
        self.assert_box(box, "警告", "既存のファイルを選択しました。\n\nファイルを更新しますか？",
                        ["はい(Y)", "いいえ(N)"], (main.x + 120, main.y + 150))
        self.assertEqual(self.icon_colour(box), "yellow")
        before = os.stat(path)
        self.s.key("n")
        self.s.wait_gone(box.window)
        self.assertEqual(read_bytes(path), saved)
        self.assertEqual(os.stat(path).st_mtime_ns, before.st_mtime_ns)

        # Yes replaces the whole file with the (now empty) series, so the answer was what mattered.
        dialog, _ = self.run_dialog(("alt+f", "s", "1"), "data1.ovt", "名前を付けて保存")
        box = self.app.wait_message_box("警告")
        self.s.key("Return")
        self.s.wait_gone(box.window)
        empty = file_bytes({})
        wait_for(lambda: read_bytes(path) == empty, what="the file overwritten")
        self.assertEqual(len(empty), 128)


class LargeFiles(ProgramTestCase):
    """Files of gigabytes chosen in the open dialog: answered at once, without the memory."""

    ROWS = {1: ("1", "3", ""), 2: ("2", "5", ""), 3: ("4", "9", "")}
    SIZE = 3 << 30  # sparse: no room taken on the disk
    LIMIT = 100 << 20  # peak resident size allowed, bytes

    def sparse(self, name, head):
        path = os.path.join(self.s.workdir, name)
        with open(path, "wb") as f:
            f.write(head)
            f.truncate(self.SIZE)
        return path

    def peak_resident(self):
        return vm_hwm_kib(self.app.pid) * 1024

    def open_refused(self, name, main):
        self.menu("alt+f", "o", "1")
        self.focused_new_window("開く")
        self.s.key("ctrl+a")
        self.s.type(name)
        self.s.key("Return")
        chosen = time.monotonic()
        wait_for(lambda: self.s.windows("^エラー$", self.app.pid), timeout=30,
                 what="the refusal", interval=0.01)
        answered = time.monotonic() - chosen
        self.assertLess(answered, 1.0, f"{name} answered after {answered:.2f} s")
        box = self.app.wait_message_box("エラー")
        self.assert_box(box, "エラー", "指定されたファイルは読めません", ["OK"],
                        (main.x + 110, main.y + 150))
        self.s.key("Return")
        self.s.wait_gone(box.window)

    def test_three_gigabytes_refused_at_once_and_the_program_works_on(self):
        self.s.move(self.main, 40, 20)
        main = self.s.geometry(self.main)
        self.type_pairs(self.ROWS)
        typed = report_bytes(0, BARE_LABELS, self.ROWS)
        self.assertEqual(self.copy_report(), typed)

        # A disk image: refused by its first line. A file that begins like a data file but holds
        # no line end for gigabytes: refused at the bound. Neither changes a cell.
        self.open_refused(os.path.basename(self.sparse("disk.img", b"")), main)
        self.open_refused(os.path.basename(self.sparse("video.ovt", b"ovt110")), main)
        self.assertLess(self.peak_resident(), self.LIMIT)
        self.assertEqual(self.copy_report(), typed)

        # A real data file opens after them, and computing works on it.
        good = {1: ("1", "4", ""), 2: ("2", "7", ""), 3: ("3", "10", "")}
        with open(os.path.join(self.s.workdir, "good.ovt"), "wb") as f:
            f.write(file_bytes(good))
        self.choose_file(("alt+f", "o", "1"), "good")
        self.click_compute()
        self.wait_computed()
        labels, _ = result_labels(0, [(x, y) for x, y, _ in good.values()])
        self.assertEqual(self.copy_report(), report_bytes(0, labels, good))
        self.assertLess(self.peak_resident(), self.LIMIT)


class SpecialNames(ProgramTestCase):
    """"/proc/", whose files may never answer a read, typed into every real dialog by a hostile
    but fair user: each dialog answers (as root too)."""

    def answers_after_proc(self, dialog, what):
        self.s.key("ctrl+a")
        self.s.type("/proc/")
        time.sleep(1.0)  # the name completion lists the folder meanwhile
        answered = self.s.ping(dialog, timeout=10)
        self.assertLess(answered, 1.0, f"{what} answered after {answered:.2f} s")
        for _ in range(3):  # the first Escape may close the completion's list
            self.s.key("Escape")
            try:
                self.s.wait_gone(dialog, timeout=2)
                return
            except TimeoutError:
                pass
        self.fail(f"{what} stayed open")

    def test_proc_in_every_dialog(self):
        for keys, what in ((("alt+f", "s", "1"), "the save dialog"),
                           (("alt+f", "o", "1"), "the open dialog")):
            self.menu(*keys)
            self.answers_after_proc(self.focused_new_window(), what)
        self.answers_after_proc(self.in_graph_window("ctrl+s"), "the picture's dialog")
        dialog = self.in_graph_window("ctrl+p")
        field = wait_for(lambda: next((n for n in self.tree().walk() if n.role == "text"
                                       and (n.text or "").endswith("orvelt.pdf")), None),
                         what="the print dialog's file name")
        self.s.click_screen(*field.extents.center)
        self.answers_after_proc(dialog, "the print dialog")


# ---- 5. no locale at all ------------------------------------------------------------------------

class BareEnvironment(ProgramTestCase):
    """Started as from `env -i`, the program still shows, copies, saves and opens Japanese text."""

    BARE = True
    ROWS = {1: ("1", "3", ""), 2: ("2", "5", ""), 3: ("4", "9", "")}
    NOTE = {4: ("メモ", "測定", "")}
    NAME = "測定データ１"

    def click_compute_at(self):
        # 回帰式計算 lies at (336, 320) of the client area, 75 x 25, below the menu bar.
        g = self.s.geometry(self.main)
        self.s.click(self.main, 336 + 37, g.height - 377 + 320 + 12)

    def box(self, caption):
        """Waits for a message box by its caption (an X title) and closes it with Return."""
        box = self.focused_new_window(caption)
        self.s.key("Return")
        self.s.wait_gone(box)

    def test_japanese_texts_files_and_report_without_locale(self):
        env = read_bytes(f"/proc/{self.app.pid}/environ").split(b"\0")
        self.assertEqual(sorted(v.split(b"=")[0] for v in env if v),
                         [b"DISPLAY", b"HOME", b"PATH"])
        self.assertEqual(self.s.window_title(self.main), "オルヴェルト Ver. 1.11")
        self.type_pairs(self.ROWS)
        self.click_compute_at()
        self.wait_computed()
        labels, _ = result_labels(0, [(x, y) for x, y, _ in self.ROWS.values()])
        self.assertEqual(self.copy_report(), report_bytes(0, labels, self.ROWS))

        # Japanese typed into a cell comes back in the report, in the file and from the file.
        self.s.focus(self.main)
        self.s.key("Tab")  # from the clicked button back to the grid's cell in row 4
        self.s.type("メモ\n測定\n")
        rows = {**self.ROWS, **self.NOTE}
        self.assertEqual(self.copy_report(), report_bytes(0, labels, rows))
        self.choose_file(("alt+f", "s", "1"), self.NAME, "名前を付けて保存")
        path = os.path.join(self.s.workdir, self.NAME + ".ovt")
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, what=path)
        self.assertEqual(read_bytes(path), file_bytes(rows))

        self.menu("alt+e", "e", "a")
        self.box("確認")
        self.assertEqual(self.copy_report(), report_bytes(0, BARE_LABELS, {}))
        self.choose_file(("alt+f", "o", "1"), self.NAME, "開く")
        self.assertEqual(self.copy_report(), report_bytes(0, BARE_LABELS, rows))

        # The note in row 4 is no number: the compute stops with its box.
        self.click_compute_at()
        self.box("エラー")
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(timeout=10), 0)


# ---- 6. help -----------------------------------------------------------------------------------

class HelpShown(ProgramTestCase):
    """The help command shows the manual beside the program in the program's own window."""

    FIRST_LINE = "オルヴェルトの使い方"

    def ask_for_help(self):
        self.menu("alt+h", "h")

    def help_node(self):
        tree = self.app.accessible(prune=("menu bar",))
        found = [n for n in tree.children if n.name == HELP_CAPTION and "showing" in n.states]
        return found[0] if found else None

    def manual_text(self):
        node = self.help_node()
        texts = [n.text for n in node.walk() if n.text] if node else []
        return max(texts, key=len) if texts else ""

    def scroll_value(self):
        """Where the manual stands: the vertical scroll bar's value (0 at the top)."""
        node = self.help_node()
        bars = [n for n in node.walk() if n.role == "scroll bar" and n.value is not None
                and n.extents.height > n.extents.width and "showing" in n.states]
        return bars[0].value if bars else None

    def open_manual(self):
        started = time.monotonic()
        self.ask_for_help()
        wid = self.app.wait_window("^" + HELP_CAPTION + "$")
        elapsed = time.monotonic() - started
        text = wait_for(self.manual_text, what="the manual's text")
        self.assertTrue(text.startswith(self.FIRST_LINE), text[:80])
        self.assertIn("目次", text[:100])
        return wid, elapsed

    def test_opens_at_contents_reused_links_work_closes_with_the_program(self):
        wid, elapsed = self.open_manual()
        # From the menu key to the window on screen, the file read and laid out (about 0.2 s here).
        self.assertLess(elapsed, 1.0)
        self.assertEqual(wait_for(lambda: self.scroll_value() is not None,
                                  what="the manual's scroll bar") and self.scroll_value(), 0)
        self.assertEqual(self.s.focused_window(), wid)
        # The first link of the contents, by keyboard, leads down into the manual.
        self.s.key("Tab", "Return")
        wait_for(lambda: (self.scroll_value() or 0) > 0, what="the link followed")
        # Asked again: the same window, in front, at the contents again; the program goes on.
        self.ask_for_help()
        wait_for(lambda: self.scroll_value() == 0, what="the manual back at its contents")
        self.assertEqual(self.s.windows("^" + HELP_CAPTION + "$", self.app.pid), [wid])
        self.assertEqual(self.s.stacking()[-1], wid)
        self.assertEqual(self.s.focused_window(), wid)
        # Not modal: the main window still works while the manual is open.
        self.menu("alt+h", "a")
        box = self.app.wait_message_box("オルヴェルト")
        self.s.key("Return")
        self.s.wait_gone(box.window)
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(timeout=10), 0)


class Help(HelpShown):
    def test_escape_closes_it_and_the_command_opens_it_again(self):
        wid, _ = self.open_manual()
        self.s.focus(wid)
        self.s.key("Escape")
        self.s.wait_gone(wid)
        self.assertTrue(self.app.running())
        again, _ = self.open_manual()
        self.assertEqual(self.s.windows("^" + HELP_CAPTION + "$", self.app.pid), [again])
        self.assertEqual(self.scroll_value(), 0)


class HelpThroughLink(HelpShown):
    """Started through a symbolic link in another folder, the program finds the manual beside its
    real file, as the installed link /usr/bin/orvelt does."""

    def program(self):
        folder = os.path.join(self.s.tmpdir, "bin")
        os.makedirs(folder)
        link = os.path.join(folder, "orvelt")
        os.symlink(PROGRAM, link)
        return link


class HelpFileMissing(ProgramTestCase):
    """A copy of the program in a folder without the manual: the viewer's box names the path."""

    def program(self):
        self.folder = os.path.join(self.s.tmpdir, "bare")
        os.makedirs(self.folder)
        copy = os.path.join(self.folder, "orvelt")
        shutil.copy2(PROGRAM, copy)
        return copy

    def test_box_names_the_file_and_the_program_goes_on(self):
        expected = "ヘルプ ファイルが見つかりません\n\n" + os.path.join(os.path.realpath(self.folder), "orvelta.hlp")
        for _ in range(2):
            self.menu("alt+h", "h")
            box = self.app.wait_message_box(HELP_CAPTION)
            self.assertEqual(box.text, expected)
            self.assertEqual(box.buttons, ["OK"])
            self.assertEqual(self.icon_colour(box), "yellow")
            self.s.key("Return")
            self.s.wait_gone(box.window)
        self.assertEqual(self.s.windows("^" + HELP_CAPTION + "$", self.app.pid), [])
        # The program goes on: a fit, then the exit with code 0.
        self.s.focus(self.main)
        self.type_pairs({1: ("1", "2", ""), 2: ("2", "4", "")})
        self.click_compute()
        self.wait_computed()
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(timeout=10), 0)


# ---- 7. blocks of cells in and out, and the grids as a screen reader reads them -------------

def spreadsheet_pairs():
    """Twenty rows of y = 2x + 1 with a scatter of +-0.5 that leaves the fit exact (+ - - + in
    every four rows), in several number spellings."""
    rows = {}
    for r in range(1, 21):
        y = Fraction(2 * r + 1) + (Fraction(1, 2) if r % 4 in (0, 1) else Fraction(-1, 2))
        x = {3: "3.0", 7: "7e0", 12: "+12", 16: " 16"}.get(r, str(r))
        rows[r] = (x, str(float(y)), "")
    return rows


class GridBlocks(ProgramTestCase):
    """Blocks from another program's clipboard pasted with one key, blocks copied out."""

    def paste(self, rows, key, columns=2):
        block = "".join("\t".join((x, y, omit)[:columns]) + "\r\n" for x, y, omit in rows.values())
        self.s.set_clipboard_text(block.encode("utf-8"))
        self.s.key(key)

    def compute_and_report(self, rows):
        self.click_compute()
        self.wait_computed()
        used = [(x, y) for x, y, omit in rows.values() if not omit]
        labels, _ = result_labels(0, used)
        self.assertEqual(self.copy_report(), report_bytes(0, labels, rows))
        return labels

    def test_twenty_pairs_from_a_spreadsheet_in_one_key_press(self):
        rows = spreadsheet_pairs()
        self.paste(rows, "ctrl+v")
        labels = self.compute_and_report(rows)
        self.assertEqual((labels["a"], labels["b"], labels["n"]),
                         ("a =   2.00000", "b =   1.00000", "data : 20 組"))

    def test_third_column_marks_rows_by_shift_insert(self):
        rows = spreadsheet_pairs()
        for r in (5, 6, 7, 8):  # one whole scatter period: the rest still fits exactly
            rows[r] = rows[r][:2] + ("Omit" if r != 7 else "x",)
        self.paste(rows, "shift+Insert", columns=3)
        labels = self.compute_and_report(rows)
        self.assertEqual(labels["n"], "data : 16 組")

    def test_block_copied_out_and_pasted_cell_for_cell(self):
        rows = {1: ("1.5", "-2", ""), 2: (" 3", "x", ""), 3: ("", "4e1", ""), 4: ("5", "6", "")}
        self.type_pairs(rows)  # the cursor ends in row 5
        self.s.key("Up", "Up", "Up", "Up", "shift+Down", "shift+Down", "shift+Right")
        self.s.clear_clipboard()
        self.s.key("ctrl+c")
        self.assertEqual(self.s.clipboard_text(), b"1.5\t-2\r\n 3\tx\r\n\t4e1\r\n")
        # Into the other grid, from its first cell.
        self.s.key("Tab", "ctrl+v")
        wait_for(lambda: self.s.table(self.app.pid, " 系列２")["cells"][:4] ==
                 [["1.5", "-2"], [" 3", "x"], ["", "4e1"], ["", ""]], what="the block in series 2")
        self.assertEqual(self.s.table(self.app.pid, " 系列１")["cells"][3], ["5", "6", ""])


class HungClipboard(ProgramTestCase):
    """A clipboard owner that never answers: the paste asks it once, the window works on while it
    waits, and after the toolkit's timeout of 5 s the paste has done nothing."""

    def cells(self, timeout=10):
        return self.s.table(self.app.pid, " 系列１", timeout=timeout)["cells"]

    def test_one_question_no_freeze_grid_unchanged(self):
        self.type_pairs({1: ("1", "2", "")})  # the cursor ends on row 2's x
        start = time.monotonic()
        before = self.cells()
        idle = time.monotonic() - start
        hang = self.s.hang_clipboard()
        self.s.key("ctrl+v")
        pressed = time.monotonic()
        # The table is read in the program's event loop: it answers only when that runs. (A
        # program whose loop stands still fails a read after D-Bus's timeout; then read again.)
        while True:
            try:
                cells = self.cells(timeout=60)
                break
            except (RuntimeError, TimeoutError):
                if time.monotonic() - pressed > 60:
                    raise
        answered = time.monotonic() - pressed
        self.assertEqual(cells, before)
        print(f"\n  Ctrl+V with a silent clipboard owner: the window answered after {answered:.2f} s "
              f"(a read of the table takes {idle:.2f} s)", file=sys.stderr)
        # A loop that waited for the owner would answer after the timeout, 5 s, at the earliest.
        self.assertLess(answered, 4.0)
        time.sleep(5.5)
        self.assertEqual(hang.requests(), ["UTF8_STRING"])
        self.assertEqual(self.cells(), before)
        # Keys work as ever, and a clipboard that answers pastes again.
        self.s.type("7")
        wait_for(lambda: self.cells()[1][0] == "7", what="the typed 7 in row 2")
        self.s.set_clipboard_text(b"3\t4\r\n")
        self.s.key("ctrl+v")
        wait_for(lambda: self.cells()[:2] == [["1", "2", ""], ["3", "4", ""]],
                 what="the block pasted into row 2")


class SilentOwner(ProgramTestCase):
    """The program copies the results, so owning the clipboard; another program sets the owner to
    none, as one that ends without a clipboard manager does; then one that never answers takes
    it. The toolkit went on thinking the program the owner and asked that one its own blocking
    way, three times, 15 s with the window frozen. Now every paste path asks the owner once, the
    window answers within 2 s while the paste waits, and after 5 s the paste is given up with
    nothing changed. PRIMARY the same, owned by the program through a selection first."""

    WAIT = 5.4  # the reader's timeout of 5 s, and the moment its end takes to show

    def prepare(self):
        """Types what the case needs, leaves the keyboard focus in the edit the paths paste into,
        with text selected there so that the program owns PRIMARY."""
        raise NotImplementedError

    def edit_node(self):
        """The edit the paths paste into, as the accessibility tree shows it."""
        return self.focused_node()

    def state(self):
        """What a paste would change."""
        raise NotImplementedError

    def menu_by_click(self):
        self.s.click_screen(*self.edit_node().extents.center, button=3)
        self.s.key("p")

    def paths(self):
        key = self.s.key
        return [("Ctrl+V", lambda: key("ctrl+v"), "CLIPBOARD"),
                ("Shift+Insert", lambda: key("shift+Insert"), "CLIPBOARD"),
                ("the context menu by the right button", self.menu_by_click, "CLIPBOARD"),
                ("the context menu by the Menu key", lambda: key("Menu", "p"), "CLIPBOARD"),
                ("Ctrl+Shift+Insert", lambda: key("ctrl+shift+Insert"), "PRIMARY"),
                ("the middle button",
                 lambda: self.s.click_screen(*self.edit_node().extents.center, button=2),
                 "PRIMARY")]

    def test_every_paste_path_asks_once_and_the_window_answers(self):
        from Xlib import X
        self.prepare()
        wait_for(lambda: self.s._clipboard_owner("PRIMARY") != X.NONE, what="PRIMARY owned")
        self.s.clear_clipboard()
        self.menu("alt+e", "c")
        self.s.clipboard_text()  # the copy is there: the program owns the clipboard
        wait_for(lambda: "focused" in self.edit_node().states, what="the focus back in the edit")
        before = self.state()
        idle = self.s.ping(self.main)
        hangs = {"CLIPBOARD": self.s.hang_clipboard("CLIPBOARD")}
        for name, act, selection in self.paths():
            with self.subTest(name):
                if selection not in hangs:  # after the paths that could take PRIMARY back
                    hangs[selection] = self.s.hang_clipboard(selection)
                act()
                pressed = time.monotonic()
                answered = self.s.ping(self.main, timeout=30)
                print(f"\n  {type(self).__name__}, {name}: the window answered after "
                      f"{answered:.3f} s (idle {idle:.3f} s)", file=sys.stderr)
                self.assertLess(answered, 2.0)
                time.sleep(max(0.0, pressed + self.WAIT - time.monotonic()))
                self.assertEqual(hangs[selection].requests(), ["UTF8_STRING"])
                for other, hang in hangs.items():
                    if other != selection:
                        self.assertEqual(hang.requests(), [])
                self.assertEqual(self.state(), before)


class SilentOwnerGrid(SilentOwner):
    """Into the grid: a cell's whole text selected, where a block would land."""

    def prepare(self):
        self.type_pairs({1: ("5", "6", "")})  # the cursor ends on row 2's x
        self.s.key("Up", "End", "shift+Home")
        wait_for(lambda: (n := self.focused_node()) and n.text == "5", what="the cursor on row 1")

    def state(self):
        return self.s.table(self.app.pid, " 系列１", timeout=30)["cells"]


class SilentOwnerCellEditor(SilentOwner):
    """Into a cell being typed in: the caret after the typing, nothing selected."""

    def prepare(self):
        self.s.type("12")
        self.s.key("shift+Home", "End")
        wait_for(lambda: (n := self.focused_node()) and n.text == "12", what="12 typed")

    def state(self):
        return self.s.table(self.app.pid, " 系列１", timeout=30)["cells"], self.focused_node().text


class SilentOwnerYField(SilentOwner):
    """Into the x field of the y calculation, after a fit."""

    def edit_node(self):
        return self.tree().find(role="panel", name=" y の計算").find_all(role="text")[0]

    def prepare(self):
        self.type_pairs({1: ("1", "3", ""), 2: ("2", "5", "")})
        self.click_compute()
        self.wait_computed()
        self.s.focus(self.main)
        self.s.click_screen(*self.edit_node().extents.center)
        self.s.type("3")
        self.s.key("shift+Home", "End")
        wait_for(lambda: self.edit_node().text == "3", what="3 typed")

    def state(self):
        return self.edit_node().text


class UndoRedo(ProgramTestCase):
    """In the real window Ctrl+Z takes each change of the data back and Ctrl+Y (or
    Ctrl+Shift+Z) makes it again: a file opened over typed data, a pasted block, an erase, the
    three exchanges and an Omit mark."""

    def both(self):
        return [self.s.table(self.app.pid, name)["cells"] for name in (" 系列１", " 系列２")]

    def changed(self, before, what):
        return wait_for(lambda: (now := self.both()) != before and now, what=what)

    def back_and_again(self, before, after, again="ctrl+y"):
        self.s.key("ctrl+z")
        wait_for(lambda: self.both() == before, what="the change taken back")
        self.s.key(again)
        wait_for(lambda: self.both() == after, what="the change made again")

    def test_file_paste_erase_exchanges_and_omit(self):
        self.s.key("Tab")
        self.type_pairs({1: ("20", "30", "")})  # into series 2
        self.s.key("shift+Tab")
        self.type_pairs({1: ("1", "2", ""), 2: ("3", "5", ""), 3: ("4", "9", "")})
        with open(os.path.join(self.s.workdir, "other.ovt"), "wb") as f:
            f.write(file_bytes({1: ("7", "8", ""), 2: ("9", "10", "Omit")}))
        typed = self.both()
        self.choose_file(("alt+f", "o", "1"), "other")
        opened = self.changed(typed, "the file opened")
        self.assertEqual(opened[0][:3], [["7", "8", ""], ["9", "10", "Omit"], ["", "", ""]])
        self.s.focus(self.main)
        self.back_and_again(typed, opened)

        # The cursor is on the file's first cell, where the block lands.
        self.s.set_clipboard_text(b"11\t12\r\n")
        self.s.key("ctrl+v")
        pasted = self.changed(opened, "the block pasted")
        self.assertEqual(pasted[0][0], ["11", "12", ""])
        self.back_and_again(opened, pasted, again="ctrl+shift+z")

        self.menu("alt+e", "e", "1")
        box = self.app.wait_message_box("確認")
        self.s.key("Return")
        self.s.wait_gone(box.window)
        erased = self.changed(pasted, "series 1 erased")
        self.assertEqual(erased[0], [["", "", ""]] * 20)
        self.back_and_again(pasted, erased)
        self.s.key("ctrl+z")
        wait_for(lambda: self.both() == pasted, what="series 1 back")

        before = pasted
        for keys in (("Return",), ("Down", "Return"), ("Down", "Down", "Return")):
            self.menu("alt+e", "x", *keys)
            after = self.changed(before, "the exchange")
            self.back_and_again(before, after)
            before = after

        # A double-click on the current cell, where the last exchange put it, marks its row.
        self.s.click_screen(*self.focused_node().extents.center, repeat=2)
        marked = self.changed(before, "the Omit mark")
        self.back_and_again(before, marked)


class LongCells(ProgramTestCase):
    """Cells as long as a data file may hold them, never cut short: pasted, edited, saved and
    opened whole; a text too long for a cell refused with a message, the cell as it was."""

    def cell(self, series, row, column):
        name = " 系列１" if series == 1 else " 系列２"
        return self.s.table(self.app.pid, name, timeout=30)["cells"][row - 1][column - 1]

    def saved(self, keys, name):
        self.choose_file(keys, name)
        path = os.path.join(self.s.workdir, name + ".ovt")
        wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 128, what=path)
        return read_bytes(path)

    def test_hundred_thousand_characters_pasted_edited_saved_and_opened(self):
        text = ("0123456789.e+-ｱｲｳ測定値" * 5000)[:100000]
        self.s.set_clipboard_text(text.encode("utf-8"))
        self.s.key("ctrl+v")
        wait_for(lambda: self.cell(1, 1, 1) == text, timeout=30, what="the pasted text")
        self.s.key("End")
        self.s.type("9")
        self.s.key("Home")
        self.s.type("-")
        edited = "-" + text + "9"
        wait_for(lambda: self.cell(1, 1, 1) == edited, timeout=30, what="the edited text")
        expected = file_bytes({1: (edited, "", "")})
        self.assertEqual(self.saved(("alt+f", "s", "1"), "long"), expected)
        # Opened into series 2 and saved from there: the same bytes again.
        self.choose_file(("alt+f", "o", "2"), "long")
        wait_for(lambda: self.cell(2, 1, 1) == edited, timeout=30, what="the opened text")
        self.assertEqual(self.saved(("alt+f", "s", "2"), "again"), expected)

    def test_block_of_three_megabytes_arrives_whole(self):
        # Half-width katakana: 3 bytes each in UTF-8, so the owner hands the text over in pieces,
        # but 1 byte in Shift-JIS, so that the series still fits a file.
        rows = {r: ("ｱｲｳｴｵ" * 52000 + str(r), "ｶｷｸｹｺ" * 52000 + str(r), "") for r in (1, 2)}
        block = "".join(f"{x}\t{y}\r\n" for x, y, _ in rows.values())
        self.assertGreater(len(block.encode("utf-8")), 3_000_000)
        self.s.set_clipboard_text(block.encode("utf-8"))
        self.s.key("ctrl+v")
        wait_for(lambda: self.cell(1, 2, 2) == rows[2][1], timeout=30, what="the block pasted")
        self.assertEqual(self.saved(("alt+f", "s", "1"), "block"), file_bytes(rows))

    def test_five_megabyte_line_refused_cell_kept(self):
        self.s.move(self.main, 40, 20)
        main = self.s.geometry(self.main)
        self.s.focus(self.main)
        self.s.type("12")
        wait_for(lambda: self.cell(1, 1, 1) == "12", what="the typed 12")
        self.s.set_clipboard_text(b"5" * (5 << 20))
        self.s.key("ctrl+v")
        box = self.app.wait_message_box("エラー", timeout=30)
        self.assert_box(box, "エラー", "セルの文字が長すぎます\n\nセルは 1048576 文字までです", ["OK"],
                        (main.x + 130, main.y + 150))
        self.s.key("Return")
        self.s.wait_gone(box.window)
        self.assertEqual(self.cell(1, 1, 1), "12")


class AccessibleGrids(ProgramTestCase):
    """Both grids read as tables on the accessibility bus; the labels by their texts."""

    HEADERS = {" 系列１": [" x の値", " y の値", " Omit"], " 系列２": [" x の値", " y の値"]}

    def test_tables_with_headers_cells_and_the_focused_cell(self):
        for name, headers in self.HEADERS.items():
            table = self.s.table(self.app.pid, name)
            self.assertEqual((table["rows"], table["columns"]), (20, len(headers)))
            self.assertEqual(table["column_headers"], headers)
            self.assertEqual(table["row_headers"], [f" No. {r}" for r in range(1, 21)])
            self.assertEqual(table["cells"], [[""] * len(headers)] * 20)
            self.assertEqual(table["focused"], [[0, 0]] if name == " 系列１" else [])

        # The focus follows the cursor: cells are children of their table, row by row from
        # the header row, so cell (column c, row r) of series 1 is child 4r + c.
        watch = self.s.watch_focus(self.app.pid)
        self.s.type("12\n")
        event = watch.wait(lambda e: e["role"] == "table cell")
        self.assertEqual((event["parent"], event["index"], event["name"]), (" 系列１", 4 + 2, ""))
        self.s.type("3.5\n")
        event = watch.wait(lambda e: e["role"] == "table cell")
        self.assertEqual((event["parent"], event["index"]), (" 系列１", 8 + 1))
        table = self.s.table(self.app.pid, " 系列１")
        self.assertEqual(table["cells"][0], ["12", "3.5", ""])
        self.assertEqual(table["focused"], [[1, 0]])
        self.s.key("Up")
        event = watch.wait(lambda e: e["role"] == "table cell")
        self.assertEqual((event["index"], event["name"]), (4 + 1, "12"))

        self.s.key("Tab")
        event = watch.wait(lambda e: e["role"] == "table cell")
        self.assertEqual((event["parent"], event["index"]), (" 系列２", 3 + 1))
        self.assertEqual(self.s.table(self.app.pid, " 系列２")["focused"], [[0, 0]])
        self.assertEqual(self.s.table(self.app.pid, " 系列１")["focused"], [])

    def result_names(self):
        return [n.name for n in self.tree().find(role="panel", name="結果").find_all(role="label")]

    def test_result_labels_named_by_their_texts_also_when_empty(self):
        self.assertEqual(self.result_names(), list(BARE_LABELS.values()))
        rows = {1: ("1", "2", ""), 2: ("-1", "-2", ""), 3: ("1", "4", ""), 4: ("-1", "-4", "")}
        self.type_pairs(rows)
        self.choose_kind_from_grid(1)  # y = ax: no b, no c
        self.click_compute()
        self.wait_computed()
        labels, _ = result_labels(1, [(x, y) for x, y, _ in rows.values()])
        wait_for(lambda: self.result_names() == [labels[k] for k in "abcns"],
                 what="the result labels named by their texts")
        self.assertEqual(self.result_names()[1:3], ["", ""])


# ---- 8. the exit ------------------------------------------------------------------------------

class Exit(ProgramTestCase):
    def test_exit_menu_item_ends_with_code_zero(self):
        self.s.type("1\n2\n")  # unsaved data: nothing is asked
        self.assertTrue(self.app.running())
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(timeout=10), 0)


# ---- 9. the desktop: data files on the command line, terminal answers, identity -----------------

class CommandLineFiles(ProgramTestCase):
    """Files named when the program starts open once both windows are shown, the first into
    series 1 and the second into series 2, as the open command opens them."""

    def setUp(self):
        self.assertTrue(PROGRAM and os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")
        self.s = Session()
        self.s.__enter__()
        self.addCleanup(self.s.close)
        self.addCleanup(self.keep_evidence)

    def keep_evidence(self):
        if hasattr(self, "app"):
            super().keep_evidence()

    def start(self, *names):
        self.app = self.s.start([PROGRAM, *names])
        self.main = self.app.wait_window(MAIN_TITLE)
        self.graph = self.app.wait_window(GRAPH_TITLE)

    def write(self, name, data):
        with open(os.path.join(self.s.workdir, name), "wb") as f:
            f.write(data)
        return name

    def cells(self, name):
        return self.s.table(self.app.pid, name)["cells"]

    def close_box(self, box):
        self.s.key("Return")
        self.s.wait_gone(box.window)

    def test_two_files_fill_both_series_and_compute(self):
        rows1 = {1: ("1", "3", ""), 2: ("2", "5", "Omit"), 3: ("4", "9", ""), 4: ("5", "11", "")}
        rows2 = {1: ("-1", "0", ""), 5: ("x", "7", "")}
        self.start(self.write("good.ovt", file_bytes(rows1)),
                   self.write("データ 2.ovt", file_bytes(rows2)))
        expected1 = [list(rows1.get(r, ("", "", ""))) for r in range(1, 21)]
        expected2 = [list(rows2.get(r, ("", "", ""))[:2]) for r in range(1, 21)]
        wait_for(lambda: self.cells(" 系列１") == expected1, what="series 1 from good.ovt")
        wait_for(lambda: self.cells(" 系列２") == expected2, what="series 2 from the second file")
        self.assertEqual(sorted(self.s.windows(None, self.app.pid)),
                         sorted([self.main, self.graph]), "a box came")
        self.s.focus(self.main)
        self.click_compute()
        self.wait_computed()
        used = [(x, y) for x, y, omit in rows1.values() if not omit]
        labels, _ = result_labels(0, used)
        self.assertEqual(self.copy_report(), report_bytes(0, labels, rows1))
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(), 0)

    def test_wrong_and_missing_files_bring_the_boxes_and_leave_the_grids_empty(self):
        self.start(self.write("wrong.ovt", b"OVT110\r\n1\r\n2\r\n"), "missing.ovt")
        main = self.s.geometry(self.main)
        box = self.app.wait_message_box("エラー")
        self.assert_box(box, "エラー", "指定されたファイルは読めません", ["OK"],
                        (main.x + 110, main.y + 150))
        self.assertEqual(self.icon_colour(box), "red")
        self.close_box(box)
        box = self.app.wait_message_box("エラー")
        self.assert_box(box, "エラー", "ファイルが見つかりません", ["OK"], (main.x + 135, main.y + 150))
        self.close_box(box)
        self.assertEqual(self.cells(" 系列１"), [["", "", ""]] * 20)
        self.assertEqual(self.cells(" 系列２"), [["", ""]] * 20)
        self.s.focus(self.main)
        self.menu("alt+f", "x")
        self.assertEqual(self.app.wait_exit(), 0)

    def test_more_files_than_series(self):
        one = self.write("one.ovt", file_bytes({1: ("1", "2", "")}))
        two = self.write("two.ovt", file_bytes({1: ("3", "4", "")}))
        self.start(one, two, "three.ovt", "four.ovt")
        main = self.s.geometry(self.main)
        box = self.app.wait_message_box("警告")
        self.assert_box(box, "警告", "ファイルは系列１と系列２の二つまでしか開けません\n\n"
                        "開かなかったファイル:\nthree.ovt\nfour.ovt", ["OK"],
                        (main.x + 120, main.y + 150))
        self.assertEqual(self.icon_colour(box), "yellow")
        self.close_box(box)
        self.assertEqual(self.cells(" 系列１")[0], ["1", "2", ""])
        self.assertEqual(self.cells(" 系列２")[0], ["3", "4"])


class TerminalAnswers(unittest.TestCase):
    """--help and --version answer on standard output without a display; other options are
    refused with the usage on standard error."""

    def run_program(self, *args):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": "/nonexistent"}
        return subprocess.run([PROGRAM, *args], env=env, capture_output=True, timeout=10,
                              stdin=subprocess.DEVNULL)

    def test_answers(self):
        for args, code, out, err in (
                (["--version"], 0, "orvelt 1.11\n", ""),
                (["--help"], 0, "Usage: orvelt [FILE1.ovt [FILE2.ovt]]\n", ""),
                (["a.ovt", "--bogus"], 2, "", "orvelt: unknown option --bogus\n"),
                (["-platform", "xcb"], 2, "", "orvelt: unknown option -platform\n")):
            with self.subTest(args=args):
                done = self.run_program(*args)
                self.assertEqual(done.returncode, code)
                stdout, stderr = done.stdout.decode(), done.stderr.decode()
                self.assertTrue(stdout.startswith(out), stdout)
                self.assertTrue(stderr.startswith(err), stderr)
                if code:
                    self.assertEqual(stdout, "")
                    self.assertIn("Usage: orvelt", stderr)
                else:
                    self.assertEqual(stderr, "")
        self.assertIn("Copyright", self.run_program("--version").stdout.decode())
        # Without an option and without a display: one line, no window.
        done = self.run_program()
        self.assertEqual(done.returncode, 1)
        self.assertIn("no display", done.stderr.decode())


class DesktopIdentity(ProgramTestCase):
    """Both windows carry the program's icon and the window class that the desktop entry names,
    so that a desktop puts them under its entry."""

    def test_window_class_and_icons(self):
        entry = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "packaging",
                             "org.orvelt.orvelt.desktop")
        with open(entry, encoding="utf-8") as f:
            wm_class = re.search(r"^StartupWMClass=(.*)$", f.read(), re.M).group(1)
        for wid in (self.main, self.graph):
            self.assertEqual(self.s.window_class(wid)[1], wm_class)
            sizes = self.s.window_icon_sizes(wid)
            self.assertIn((16, 16), sizes)
            self.assertIn((64, 64), sizes)


# ---- 10. right at 150 % and 200 %: captions whole, the graph on the finer grid --------------

def ink_box(picture, box, threshold=100):
    """The rectangle (left, top, right, bottom; exclusive) of the dark pixels inside ``box`` of
    a screenshot, relative to the box; None when there are none."""
    x0, y0, x1, y1 = box
    px = picture.load()
    xs, ys = [], []
    for y in range(max(y0, 0), min(y1, picture.height)):
        for x in range(max(x0, 0), min(x1, picture.width)):
            if max(px[x, y]) < threshold:
                xs.append(x)
                ys.append(y)
    if not xs:
        return None
    return (min(xs) - x0, min(ys) - y0, max(xs) + 1 - x0, max(ys) + 1 - y0)


class Scaled(unittest.TestCase):
    """The program at 100 % and at a scale: the same layout on the finer grid, every caption of
    the main window whole and in proportion, the graph drawn with one-device-pixel lines, and
    the copied picture the same 321 x 450 bitmap."""

    RATIO = 2
    ENV = {}
    XFT_DPI = None
    ROWS = {1: ("1", "4", ""), 2: ("2", "4", ""), 3: ("3", "6", ""), 4: ("4", "10", "Omit")}

    def setUp(self):
        self.assertTrue(PROGRAM and os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")

    def measure(self, env, xft_dpi, ratio):
        """Starts the program with the data file, computes, and reads what a person sees."""
        with Session(screen=(1660, 800), xft_dpi=xft_dpi) as s:
            with open(os.path.join(s.workdir, "data.ovt"), "wb") as f:
                f.write(file_bytes(self.ROWS))
            app = s.start([PROGRAM, "data.ovt"], env=env)
            try:
                main = app.wait_window(MAIN_TITLE)
                graph = app.wait_window(GRAPH_TITLE)
                wait_for(lambda: s.table(app.pid, " 系列１")["cells"][0] == ["1", "4", ""],
                         what="the data file opened")
                s.move(graph, 940, 0)  # beside the main window, which it would cover
                # The compute button where it is on the screen: its logical place, which the
                # accessibility bus gives, times the ratio.
                tree = app.accessible(prune=("menu bar",))
                frame = tree.find(role="frame", name=MAIN_TITLE.strip("^$"))
                button = frame.find(role="push button", name="回帰式計算").extents
                g = s.geometry(main)
                s.click_screen(g.x + round((button.x - frame.extents.x + button.width / 2) * ratio),
                               g.y + round((button.y - frame.extents.y + button.height / 2) * ratio))
                wait_for(lambda: s.focused_window() == graph, what="the graph window activated")
                s.focus(main)
                from PIL import Image
                # The screen once both windows have painted what the command left: two shots
                # alike in a row.
                shots = [None]

                def settled():
                    shots.append(s.tool(["import", "-window", "root", "png:-"], timeout=20))
                    return shots[-1] == shots[-2]

                wait_for(settled, timeout=20, what="the screen to settle", interval=0.2)
                screen = Image.open(io.BytesIO(shots[-1])).convert("RGB")
                s.clear_clipboard()
                s.key("alt+e", "g")
                copied = Image.open(io.BytesIO(s.clipboard_png())).convert("RGB")
                result = {"main": s.geometry(main), "graph": s.geometry(graph),
                          "tree": app.accessible(), "screen": screen, "copied": copied}
                s.key("alt+f", "x")
                self.assertEqual(app.wait_exit(), 0)
                return result
            except BaseException:
                folder = os.path.abspath("e2e-failures")
                os.makedirs(folder, exist_ok=True)
                s.screenshot(os.path.join(folder, self.id().split(".", 1)[-1] + ".png"))
                raise

    def captioned(self, tree):
        """Every control of the main window that shows a caption: (name, role, logical box)."""
        frame = tree.find(role="frame", name=MAIN_TITLE.strip("^$"))
        found = []
        for n in frame.walk():
            if n.role in ("label", "push button", "radio button", "check box", "panel") \
                    and n.name.strip() and n.extents.width > 0:
                found.append(n)
            elif n.role in ("menu", "menu item") and "showing" in n.states \
                    and n.extents.width > 0 and n.extents.y < frame.extents.y + 30:
                found.append(n)  # the menu bar's titles
        return frame, found

    def test_main_window_and_graph(self):
        r = self.RATIO
        base = self.measure({}, None, 1)
        scaled = self.measure(self.ENV, self.XFT_DPI, r)

        # Both windows take the scaled size of the specified one.
        for name in ("main", "graph"):
            b, g = base[name], scaled[name]
            self.assertLessEqual(abs(g.width - b.width * r), 1, name)
            self.assertLessEqual(abs(g.height - b.height * r), 1, name)

        # The layout is the same: every control at the same logical place.
        frame1, controls1 = self.captioned(base["tree"])
        frame2, controls2 = self.captioned(scaled["tree"])
        self.assertEqual([(c.role, c.name) for c in controls1], [(c.role, c.name) for c in controls2])
        self.assertGreaterEqual(len(controls1), 24)

        # Every caption whole and in proportion: its ink (glyphs, and the indicator of a radio
        # button or check box) as wide and high as at 100 % times the ratio, from the same place.
        inks = []
        for c1, c2 in zip(controls1, controls2):
            e1 = c1.extents
            x1, y1 = e1.x - frame1.extents.x, e1.y - frame1.extents.y
            h = e1.height
            if c1.role == "panel":
                h = 14  # the title, above the frame's contents
            inset = 3 if c1.role == "push button" else 0  # inside the button's edges
            box1 = (base["main"].x + x1 + inset, base["main"].y + y1 + inset,
                    base["main"].x + x1 + e1.width - inset, base["main"].y + y1 + h - inset)
            m = scaled["main"]
            box2 = tuple(round(v * r) for v in (x1 + inset, y1 + inset, x1 + e1.width - inset,
                                                 y1 + h - inset))
            box2 = (m.x + box2[0], m.y + box2[1], m.x + box2[2], m.y + box2[3])
            ink1 = ink_box(base["screen"], box1)
            ink2 = ink_box(scaled["screen"], box2)
            what = f"{c1.role} {c1.name!r}"
            if ink1 is None:  # a disabled caption is grey, not ink
                continue
            self.assertIsNotNone(ink2, what)
            # Glyphs are hinted to each size: a few device pixels of play, more in height.
            for i, side in enumerate(("left", "top", "right", "bottom")):
                slack = 2 + r if side in ("left", "right") else 1 + 3 * r
                self.assertLessEqual(abs(ink2[i] - ink1[i] * r), slack,
                                     f"{what}: {side} {ink2[i]} at the scale, {ink1[i]} at 100 %")
            inks.append((what, (box2[0] + ink2[0], box2[1] + ink2[1], box2[0] + ink2[2],
                                box2[1] + ink2[3])))
        self.assertGreater(len(inks), 20)
        # No caption runs into another.
        for i, (what1, a) in enumerate(inks):
            for what2, b in inks[i + 1:]:
                overlap = a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]
                nested = "panel" in what1 or "panel" in what2
                self.assertFalse(overlap and not nested, f"{what1} overlaps {what2}")

        # The graph on the finer grid: the picture's place in the window at the ratio, the frame
        # and the axes one device pixel wide through the centres of their pixels.
        def centre(v):
            return math.floor((v + 0.5) * r)

        g1, g2 = base["graph"], scaled["graph"]
        shown1 = base["screen"].crop((g1.x + 16, g1.y + 16, g1.x + 16 + 321, g1.y + 16 + 321))
        left, top = g2.x + round(16 * r), g2.y + round(16 * r)
        size = math.floor(321 * r + 0.5)
        shown2 = scaled["screen"].crop((left, top, left + size, top + size))
        self.assertEqual(list(shown1.getdata()), list(base["copied"].crop((0, 0, 321, 321)).getdata()))
        p1, p2 = shown1.load(), shown2.load()
        axis_row = next(y for y in range(1, 320) if sum(p1[x, y] == GREY for x in range(321)) > 200)
        axis_col = next(x for x in range(1, 320) if sum(p1[x, y] == GREY for y in range(321)) > 200)

        def count(colour, xs, ys):
            return sum(p2[x, y] == colour for x in xs for y in ys)

        # Each line runs the picture's length in its one device column or row (crossed by a few
        # pixels of the others and of texts), and its neighbours hold next to none of its colour.
        inner = range(centre(1), centre(319))
        lines = ((centre(0), BLACK), (centre(320), BLACK), (centre(axis_col), GREY))
        for line, colour in lines:
            self.assertGreater(count(colour, [line], inner), len(inner) - 6, f"column {line}")
            for beside in (line - 1, line + 1):
                if 0 <= beside < size:
                    self.assertLess(count(colour, [beside], inner), 12, f"beside column {line}")
        lines = ((centre(0), BLACK), (centre(320), BLACK), (centre(axis_row), GREY))
        for line, colour in lines:
            self.assertGreater(count(colour, inner, [line]), len(inner) * 0.8, f"row {line}")
            for beside in (line - 1, line + 1):
                if 0 <= beside < size:
                    self.assertLess(count(colour, inner, [beside]), 12, f"beside row {line}")
        # The points: as many red markers, each about its centre on the finer grid.
        reds1 = sum(v == RED for v in shown1.getdata())
        reds2 = sum(v == RED for v in shown2.getdata())
        self.assertGreater(reds2, reds1 * r)

        # The copy is the picture of 100 %, pixel for pixel.
        self.assertEqual(scaled["copied"].size, (321, 450))
        differ = [i for i, (a, b) in enumerate(zip(scaled["copied"].getdata(),
                                                   base["copied"].getdata())) if a != b]
        self.assertEqual(differ[:10], [], f"{len(differ)} pixels differ, (x, y) = "
                         f"{[(i % 321, i // 321) for i in differ[:10]]}")


class Scaled200ByScaleFactor(Scaled):
    ENV = {"QT_SCALE_FACTOR": "2"}


class Scaled200ByScreenFactors(Scaled):
    ENV = {"QT_SCREEN_SCALE_FACTORS": "2"}


class Scaled200ByXftDpi(Scaled):
    XFT_DPI = 192


class Scaled150ByXftDpi(Scaled):
    RATIO = 1.5
    XFT_DPI = 144


del Scaled  # the setting-less base runs only through its settings


# ---- 11. Wayland ----------------------------------------------------------------------------

class Wayland(unittest.TestCase):
    """Under a Wayland compositor (headless Weston) with an X display beside it, the program runs
    as a Wayland client: both windows, a box that belongs to the main window, the fixed windows
    fixed, and the end through the menu with code 0."""

    def test_both_windows_and_a_box_of_the_main_window(self):
        self.assertTrue(PROGRAM and os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")
        with Session() as s:
            socket = s.start_weston()
            app = s.start([PROGRAM, "missing.ovt"],
                          env={"WAYLAND_DISPLAY": socket, "QT_QPA_PLATFORM": None,
                               "WAYLAND_DEBUG": "client"})
            try:
                # The client's requests, as libwayland logs them: each toplevel's title, parent,
                # and size limits.
                def toplevels():
                    found, titles = {}, {}
                    for line in app.output().splitlines():
                        m = re.search(r"-> xdg_toplevel@(\d+)\.(set_title|set_parent|set_min_size|"
                                      r"set_max_size)\((.*)\)$", line)
                        if not m:
                            continue
                        obj, request, args = m.groups()
                        entry = found.setdefault(obj, {})
                        if request == "set_title":
                            entry["title"] = args.strip('"')
                            titles[obj] = entry["title"]
                        elif request == "set_parent":
                            parent = re.search(r"@(\d+)", args)
                            entry["parent"] = titles.get(parent.group(1)) if parent else None
                        else:
                            entry[request] = args
                    return {e.get("title"): e for e in found.values()}

                wanted = {"オルヴェルト Ver. 1.11", "Orvelt Ver. 1.10", "エラー"}
                shown = wait_for(lambda: (t := toplevels()) and wanted <= set(t) and t,
                                 timeout=20, what="both windows and the box on Wayland")
                self.assertEqual(shown["エラー"].get("parent"), "オルヴェルト Ver. 1.11")
                main = shown["オルヴェルト Ver. 1.11"]
                self.assertEqual(main["set_min_size"], main["set_max_size"])
                self.assertNotEqual(main["set_max_size"], "0, 0")
                self.assertEqual(shown["エラー"]["set_min_size"], shown["エラー"]["set_max_size"])
                # Nothing went to the X display.
                self.assertEqual(s.windows(None, app.pid), [])

                # The box's text and button as assistive technology reads them; OK pressed.
                tree = app.accessible()
                box = next(n for n in tree.children if n.name == "エラー")
                self.assertIn("ファイルが見つかりません", [n.name for n in box.walk()])
                s.do_action(app.pid, "push button", "OK")
                wait_for(lambda: not [n for n in app.accessible().children
                                      if n.name == "エラー" and "showing" in n.states],
                         what="the box closed")
                s.do_action(app.pid, "menu item", "終了(X)")
                self.assertEqual(app.wait_exit(), 0)
            except BaseException:
                print(app.output()[-3000:], file=sys.stderr)
                raise


def main():
    global PROGRAM
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--program", default=PROGRAM)
    args, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(args.program) if args.program else ""
    unittest.main(argv=[sys.argv[0]] + rest)


if __name__ == "__main__":
    main()
