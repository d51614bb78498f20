#!/usr/bin/python3
"""Takes the README's picture of both windows: the program in a private X server, sample
pairs typed in, a parabola fitted with the ±1s band and series 2 plotted.

    /usr/bin/python3 scripts/screenshot.py build/orvelt docs/screenshot.png
"""

import os
import subprocess
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Session, wait_for  # noqa: E402

SERIES1 = [(1, 2.1), (2, 3.9), (3, 7.2), (4, 10.8), (5, 16.5), (6, 21.9), (7, 30.2), (8, 37.5)]
SERIES2 = [(1.5, 4.2), (3.5, 8.1), (5.5, 18.0), (7.5, 35.1)]
GAP = 8


def main(program, out):
    with Session() as s:
        app = s.start([os.path.abspath(program)])
        main_window = app.wait_window("^オルヴェルト Ver. 1.11$")
        graph = app.wait_window("^Orvelt Ver. 1.10$")
        tree = app.accessible(prune=("menu bar",))
        # No window manager here: put the graph window beside the main one, as a desktop would.
        width = s.geometry(main_window).width
        s.move(graph, width + GAP, 0)

        s.focus(main_window)
        s.type("".join(f"{x}\n{y}\n" for x, y in SERIES1))
        s.key(*["Up"] * len(SERIES1))  # back to the first rows
        grid2 = sorted((n for n in tree.walk() if n.role == "text"
                        and n.extents.y < 200), key=lambda n: n.extents.x)[-1]
        s.click_screen(*grid2.extents.center)
        s.type("".join(f"{x}\n{y}\n" for x, y in SERIES2))
        for role, name in (("radio button", "y = ax^2 + bx + c"), ("radio button", "±1s (68%)"),
                           ("check box", "系列２もプロットする"),
                           ("push button", "回帰式計算")):
            s.click_screen(*tree.find(role=role, name=name).extents.center)
        wait_for(lambda: s.focused_window() == graph, what="the graph drawn")

        full = os.path.join(s.tmpdir, "screen.png")
        s.screenshot(full)
        mh, gh = s.geometry(main_window).height, s.geometry(graph).height
        right, bottom = width + GAP + s.geometry(graph).width, max(mh, gh)
        # The bare screen between and below the windows is black; paint it white.
        bare = [(width, 0, width + GAP - 1, bottom - 1),
                (width + GAP, gh, right - 1, bottom - 1), (0, mh, width - 1, bottom - 1)]
        draw = [a for x0, y0, x1, y1 in bare if x0 <= x1 and y0 <= y1
                for a in ("-draw", f"rectangle {x0},{y0} {x1},{y1}")]
        subprocess.run(["convert", full, "-crop", f"{right}x{bottom}+0+0", "+repage",
                        "-fill", "white", *draw, "-strip", out], check=True)
        s.focus(main_window)
        s.key("alt+f", "x")
        app.wait_exit()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
