#!/usr/bin/python3
"""Start-up time, peak memory and the compute command, against a window with one Japanese label.

Run by bench/run.sh, which builds the programs first:

    /usr/bin/python3 bench/measure.py --build build [--pairs 20] [--computes 10]

Start-up is the wall time from just before the program is launched to the X server's MapNotify
of its main window, seen by a client that selects SubstructureNotify on the root window. The
program, the window with one Japanese label (the reference for the targets) and, for
information, the empty window run in alternating order in one private Xvfb, with the same
environment (fonts, locale, xcb platform, a private session bus that starts no accessibility
service). Peak memory is VmHWM from /proc/<pid>/status once the window has settled, and for the
program also after ten computes typed and clicked in from outside with xdotool.

The script's cost is the wall time of a whole `orvelt --report` of a 20-pair file, against
`orvelt --version`, both in alternating order with no display.

Needs Debian's /usr/bin/python3 with python3-xlib and python3-pil, and xvfb, dbus, xdotool,
xclip.
"""

import argparse
import io
import json
import os
import re
import select
import statistics
import subprocess
import sys
import time

from Xlib import X, display as xdisplay

sys.dont_write_bytecode = True  # nothing of a run lands in the source tree
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import Session, vm_hwm_kib, wait_for  # noqa: E402

MAIN_TITLE = re.compile(r"^オルヴェルト Ver\. ")
GRAPH_TITLE = re.compile(r"^Orvelt Ver\. ")
TIMEOUT = 20.0
SETTLE = 1.0  # after mapping, before the peak is read: first paints and deferred work

class Desk(Session):
    """The harness's private Xvfb without accessibility, watching the root for mapped windows."""

    def __init__(self):
        super().__init__(accessibility=False)

    def _start(self):
        super()._start()
        self.x = xdisplay.Display(self.display)
        self.root = self.x.screen().root
        self.root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.x.sync()
        self.atoms = {n: self.x.intern_atom(n) for n in ("_NET_WM_PID", "_NET_WM_NAME",
                                                          "UTF8_STRING")}

    def close(self):
        if getattr(self, "x", None) is not None:
            try:
                self.x.close()
            except Exception:
                pass
            self.x = None
        super().close()

    # -- windows

    def _pid(self, win):
        prop = win.get_full_property(self.atoms["_NET_WM_PID"], X.AnyPropertyType)
        return prop.value[0] if prop and len(prop.value) else None

    def title(self, wid):
        win = self.x.create_resource_object("window", wid)
        prop = win.get_full_property(self.atoms["_NET_WM_NAME"], self.atoms["UTF8_STRING"])
        if prop is None:
            return ""
        value = prop.value
        return value.decode("utf-8", "replace") if isinstance(value, bytes) else str(value)

    def drain(self):
        while self.x.pending_events():
            self.x.next_event()

    def launch_and_wait_map(self, argv, title, want=1):
        """Launches the program; returns (process, launch time, {window id: map time}) once
        `want` top-level windows of it have mapped, the first of them titled `title`."""
        self.drain()
        start = time.monotonic()
        proc = self._spawn(argv, env=self.env, stdout=subprocess.DEVNULL)
        mapped, main = {}, None
        deadline = start + TIMEOUT
        while main is None or len(mapped) < want:
            left = deadline - time.monotonic()
            if left <= 0 or proc.poll() is not None:
                self.end_process(proc)
                raise RuntimeError(f"{argv[0]}: no main window mapped")
            # Events read while waiting for a reply are already queued: the socket stays quiet.
            if not self.x.pending_events():
                select.select([self.x.display.socket], [], [], min(left, 0.5))
            now = time.monotonic()  # before any reply is asked for
            events = []
            while self.x.pending_events():
                events.append(self.x.next_event())
            for ev in events:
                if ev.type == X.MapNotify and ev.event == self.root:
                    mapped.setdefault(ev.window.id, now)
            for wid in list(mapped):
                if main is None and self._pid(self.x.create_resource_object(
                        "window", wid)) == proc.pid and title.search(self.title(wid)):
                    main = wid
        return proc, start, main, mapped


def start_up(desk, argv, title, want):
    """One launch: (milliseconds to the main window's MapNotify, VmHWM KiB once settled)."""
    proc, start, main, mapped = desk.launch_and_wait_map(argv, title, want)
    try:
        millis = (mapped[main] - start) * 1000
        time.sleep(SETTLE)
        return millis, vm_hwm_kib(proc.pid)
    finally:
        desk.end_process(proc)


def full_grids():
    """20 + 20 pairs near a parabola, as typed text (the same shape as bench/full_grid.h)."""
    g1 = [(f"{0.37 * r - 2.1:.3f}", f"{1.5 * r * r - 3.25 * r + 2.5 * (r % 3):.2f}")
          for r in range(1, 21)]
    g2 = [(f"{0.37 * r - 2.1:.3f}", f"{1.4 * r * r - 2.5 * r - 4.0 * (r % 2):.2f}")
          for r in range(1, 21)]
    return g1, g2


def after_computes(desk, program, computes):
    """VmHWM KiB of the program after `computes` compute commands on full grids with series 2
    plotted and a ±1s band, each waited for; the last result is checked from outside."""
    proc, _, main, mapped = desk.launch_and_wait_map([program], MAIN_TITLE, want=2)
    try:
        graph = next(w for w in mapped if w != main and GRAPH_TITLE.search(desk.title(w)))
        wait_for(lambda: desk.focused_window() == main, TIMEOUT, "the main window's focus")
        g1, g2 = full_grids()
        type_keys = ["xdotool", "type", "--delay", "4", "--"]
        # The Enter walk goes x, y, next row's x; the grid's editor holds the focus at start.
        for grid in (g1, g2):
            for x, y in grid:
                desk.tool([*type_keys, x])
                desk.key("Return")
                desk.tool([*type_keys, y])
                desk.key("Return")
            desk.key("Tab")  # to the second grid, then to the check box
        # Tick series 2, the third formula, then the first band.
        desk.key("space", "Tab", "Down", "Down", "Tab", "Down")
        window = desk.geometry(main)
        # The button sits at 336,320 (75 x 25) of the 377 rows high client area below the menus.
        bx = window.x + 336 + 37
        by = window.y + window.height - 377 + 320 + 12
        for _ in range(computes):
            desk.focus(main)
            wait_for(lambda: desk.focused_window() == main, TIMEOUT, "the main window's focus")
            desk.click_screen(bx, by)
            # The command ends by activating the graph window; a refusal shows a box instead.
            wait_for(lambda: desk.focused_window() == graph, TIMEOUT, "the compute command to finish")
        time.sleep(SETTLE)
        peak = vm_hwm_kib(proc.pid)
        check_result(desk, main)
        return peak
    finally:
        desk.end_process(proc)


def copied(desk, main, key, target):
    """What the program puts on the clipboard for the Edit menu item `key`, as bytes."""
    desk.clear_clipboard()
    desk.focus(main)
    desk.key("alt+e", key)
    return desk.clipboard(target, TIMEOUT)


def check_result(desk, main):
    """The report names the parabola and 20 used pairs; the picture has series-2 points (green)
    and a band (blue)."""
    from PIL import Image
    report = copied(desk, main, "c", "UTF8_STRING").decode("utf-8")
    if not report.startswith("y = ax^2 + bx + c") or "data : 20 組" not in report:
        raise RuntimeError("unexpected report after the computes:\n" + report)
    png = copied(desk, main, "g", "image/png")
    colours = Image.open(io.BytesIO(png)).convert("RGB").getcolors(1 << 20) or []
    present = {c for _, c in colours}
    if (0, 128, 0) not in present or (0, 0, 255) not in present:
        raise RuntimeError("the graph lacks series-2 points or the band")


median = statistics.median


def load():
    with open("/proc/loadavg", encoding="ascii") as f:
        return " ".join(f.read().split()[:3])


def compute_command(build):
    out = subprocess.run([os.path.join(build, "bench", "bench_command"),
                          "--benchmark_format=json"],
                         env=dict(os.environ, QT_QPA_PLATFORM="offscreen"),
                         capture_output=True, check=True, timeout=600).stdout
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            if b.get("error_occurred"):
                raise RuntimeError(b.get("error_message"))
            return b["real_time"] / 1000.0  # microseconds to milliseconds
    raise RuntimeError("bench_command gave no median")


def script_report(build, rounds):
    """Milliseconds of a whole `orvelt --report` of a file of 20 pairs beyond a whole
    `orvelt --version`, and of that version answer: medians of alternating rounds."""
    import tempfile
    program = os.path.join(build, "orvelt")
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": "/nonexistent"}
    with tempfile.TemporaryDirectory() as folder:
        pairs = os.path.join(folder, "pairs.tsv")
        with open(pairs, "w", encoding="ascii") as f:
            f.writelines(f"{x}\t{y}\n" for x, y in full_grids()[0])
        runs = {"report": ([program, "--report", "--formula", "2", pairs], []),
                "version": ([program, "--version"], [])}
        for i in range(rounds + 1):
            for key in ("report", "version") if i % 2 == 0 else ("version", "report"):
                argv, times = runs[key]
                start = time.monotonic()
                subprocess.run(argv, env=env, stdout=subprocess.DEVNULL, check=True, timeout=30)
                if i:  # the first round warms the page cache
                    times.append((time.monotonic() - start) * 1000)
    version = median(runs["version"][1])
    return median(runs["report"][1]) - version, version


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--pairs", type=int, default=20)
    parser.add_argument("--computes", type=int, default=10)
    parser.add_argument("--compute-runs", type=int, default=3)
    parser.add_argument("--skip-command", action="store_true")
    parser.add_argument("--script-rounds", type=int, default=40)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    any_title = re.compile("")
    programs = {  # key: (argv, title of the main window, top-level windows it maps)
        "p": ([os.path.join(build, "orvelt")], MAIN_TITLE, 2),
        "m": ([os.path.join(build, "bench", "minimal_window")], any_title, 1),
        "l": ([os.path.join(build, "bench", "label_window")], any_title, 1),
    }

    load_before = load()
    with Desk() as desk:
        # One unmeasured launch each warms the page cache and the font caches.
        for argv, title, want in programs.values():
            start_up(desk, argv, title, want)
        times = {k: [] for k in programs}
        peaks = {k: [] for k in programs}
        for i in range(args.pairs):
            for key in ("p", "m", "l") if i % 2 == 0 else ("l", "m", "p"):
                t, h = start_up(desk, *programs[key])
                times[key].append(t)
                peaks[key].append(h)
        worked = [after_computes(desk, programs["p"][0][0], args.computes)
                  for _ in range(args.compute_runs)]
    command = None if args.skip_command else compute_command(build)
    report, version = script_report(build, args.script_rounds)
    load_after = load()

    tp, tm, tl = (median(times[k]) for k in ("p", "m", "l"))
    hp, hm, hl = (median(peaks[k]) for k in ("p", "m", "l"))
    hw = median(worked)
    mib = lambda kib: f"{kib / 1024:.1f}"  # noqa: E731
    # The one-label window pays what any window showing Japanese text pays (fontconfig, the face,
    # its fallbacks): that is the floor the program is held to. The empty window is for reference.
    rows = [
        ("start-up to main window mapped (ms)", f"{tp:.1f}", f"{tl:.1f}", f"{tp / tl:.2f}",
         "<= 1.00", tp / tl <= 1.00, f"{tm:.1f} ({tp / tm:.2f})"),
        ("peak RSS after start-up (MiB)", mib(hp), mib(hl), f"{hp / hl:.2f}", "<= 1.15",
         hp / hl <= 1.15, f"{mib(hm)} ({hp / hm:.2f})"),
        (f"peak RSS after {args.computes} computes (MiB)", mib(hw), mib(hl), f"{hw / hl:.2f}",
         "<= 1.15", hw / hl <= 1.15, f"{mib(hm)} ({hw / hm:.2f})"),
    ]
    if command is not None:
        rows.append(("compute command, click to graph painted (ms)", f"{command:.3f}", "", "",
                     "< 2", command < 2, ""))
    rows.append(("orvelt --report of 20 pairs beyond --version (ms)", f"{report:.2f}", "", "", "< 5",
                 report < 5, f"--version {version:.1f} ms"))
    head = ("measure", "orvelt", "one-label window", "ratio", "target", "", "empty window")
    table = [head] + [r[:5] + ("met" if r[5] else "MISSED", r[6]) for r in rows]
    widths = [max(len(str(r[i])) for r in table) for i in range(len(head))]
    for r in table:
        print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())
    print(f"Medians of {args.pairs} alternating rounds (start-up, peak after start-up), "
          f"{args.compute_runs} runs (after computes), 9 repetitions (compute command), "
          f"{args.script_rounds} alternating rounds (the script). "
          f"Load average {load_before} before, {load_after} after, on {os.cpu_count()} CPUs.")
    return 0 if all(r[5] for r in rows) else 1


if __name__ == "__main__":
    sys.exit(main())
