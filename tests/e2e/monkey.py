#!/usr/bin/python3
"""Monkey test: random keys, clicks and menu picks into the real program.

The program runs in its own X server with a private accessibility bus. After
every event the monkey asks the program, over that bus, for its window's
extents: a program whose event loop is stuck cannot answer, so an answer slower
than the limit is a hang. Message boxes and file dialogs are answered as they
come, always inside a scratch folder. The program may be ended by a random menu
pick; it must then end with code 0 and is started again. At the end the monkey
ends it through its menu and expects code 0.

    monkey.py --program build/orvelt [--seed N] [--events N]

Any failure prints the seed and the last events, so a run can be repeated.
"""

import argparse
import collections
import os
import random
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402

from Xlib import X, XK, display as xdisplay  # noqa: E402
from Xlib.ext import xtest  # noqa: E402

Atspi = None  # bound to the session's bus once it runs

# Keys a user of a grid of numbers, buttons and menus might press.
PLAIN_KEYS = list("0123456789") * 3 + list("abcdexyz") + [
    "period", "minus", "plus", "comma", "space", "Return", "Return", "Tab",
    "Left", "Right", "Up", "Down", "Home", "End", "Prior", "Next", "BackSpace",
    "Delete", "Escape", "Insert", "F1", "F10", "Menu",
]
# Typed through a spare key code: full-width digits and signs, kana, and characters that
# Shift-JIS files cannot hold.
UNICODE_CHARS = "１２．－ｅア〜¥α"
MODIFIERS = [None] * 8 + ["Shift_L", "Control_L", "Alt_L"]
# Access keys of the menu bar and of the items below it; "x" (exit) is left to chance keys.
MENU_KEYS = list("fevh")
ITEM_KEYS = list("os12ecgah") + ["Return", "Down", "Right", "Escape"]
SAFE_NAMES = ["m1.ovt", "m2", "m1", "missing/none.ovt", "", "two words.ovt"]


MAIN_TITLE = "オルヴェルト Ver. 1.11"
GRAPH_TITLE = "Orvelt Ver. 1.10"
HELP_TITLE = "オルヴェルト ヘルプ"
STATISTICS_TITLE = "回帰の統計"
# Qt's file dialog is far wider than any of the program's message boxes.
FILE_DIALOG_MIN_WIDTH = 500

CONTROL_ROLES = {"push button", "radio button", "check box", "text"}

Window = collections.namedtuple("Window", "id title x y width height is_file_dialog")


class Failure(Exception):
    pass


class Watched:
    """The running program as seen from outside: its X windows and its answers."""

    def __init__(self, program, display, start_timeout=10.0):
        self.program = program
        self.display = display
        self.root = display.screen().root
        self.pid_atom = display.intern_atom("_NET_WM_PID")
        self.name_atom = display.intern_atom("_NET_WM_NAME")
        self.frame = None
        self._controls = None
        deadline = time.monotonic() + start_timeout
        while True:
            titles = {w.title: w.id for w in self.toplevels()}
            if MAIN_TITLE in titles and GRAPH_TITLE in titles:
                self.main_ids = (titles[MAIN_TITLE], titles[GRAPH_TITLE])
                break
            if self.poll() is not None or time.monotonic() > deadline:
                raise Failure("the program did not show its two windows")
            time.sleep(0.05)
        while True:
            try:
                self.frame = self._find_frame()
                break
            except LookupError:
                if self.poll() is not None or time.monotonic() > deadline:
                    raise Failure("the program did not appear on the accessibility bus")
                time.sleep(0.05)

    def poll(self):
        return self.program.proc.poll()

    def wait(self, timeout):
        """The exit code, or None if the program still runs after ``timeout`` seconds."""
        try:
            return self.program.wait_exit(timeout)
        except TimeoutError:
            return None

    def _ours(self, override_redirect):
        for w in self.root.query_tree().children:
            try:
                attributes = w.get_attributes()
                if attributes.map_state != X.IsViewable:
                    continue
                if bool(attributes.override_redirect) != override_redirect:
                    continue
                pid = w.get_full_property(self.pid_atom, X.AnyPropertyType)
                if not pid or pid.value[0] != self.program.pid:
                    continue
                g = w.get_geometry()
                name = w.get_full_property(self.name_atom, X.AnyPropertyType)
                title = name.value.decode("utf-8", "replace") if name else ""
                yield Window(w.id, title, g.x, g.y, g.width, g.height,
                             g.width >= FILE_DIALOG_MIN_WIDTH)
            except Exception:  # a window that went away while we looked
                continue

    def toplevels(self):
        return list(self._ours(False))

    def windows(self):
        """The main and graph windows."""
        return [w for w in self.toplevels() if w.id in self.main_ids]

    def top_dialog(self):
        """The topmost box or dialog, or None."""
        others = [w for w in self.toplevels() if w.id not in self.main_ids]
        return others[-1] if others else None

    def popup_open(self):
        return any(True for _ in self._ours(True))

    def response_time(self, limit):
        """Seconds the program took to answer an accessibility call, None if it did not."""
        Atspi.set_timeout(int(limit * 1000), int(limit * 1000))
        for _ in range(2):
            try:
                if self.frame is None:
                    self.frame = self._find_frame()
                started = time.monotonic()
                self.frame.get_extents(Atspi.CoordType.SCREEN)
                return time.monotonic() - started
            except Exception:  # a timeout, or the window's object was replaced
                self.frame = None
        return None

    def controls(self):
        """Screen rectangles of the main window's buttons, choices and text fields."""
        if self._controls is None:
            found = []

            def walk(node, depth):
                if node.get_role_name() in CONTROL_ROLES:
                    e = node.get_extents(Atspi.CoordType.SCREEN)
                    if e.width > 0 and e.height > 0:
                        found.append((node.get_role_name(), e.x, e.y, e.width, e.height))
                    return
                if depth < 5:
                    for i in range(node.get_child_count()):
                        walk(node.get_child_at_index(i), depth + 1)

            Atspi.set_timeout(5000, 5000)
            walk(self._find_frame(), 0)
            self._controls = found
        return self._controls

    def _find_frame(self):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.program.pid:
                for j in range(app.get_child_count()):
                    child = app.get_child_at_index(j)
                    if child.get_name() == MAIN_TITLE:
                        return child
        raise LookupError("the program is not on the accessibility bus")


class Monkey:
    def __init__(self, session, program, seed, hang_limit):
        self.session = session
        self.program_path = program
        self.rng = random.Random(seed)
        self.hang_limit = hang_limit
        self.log = collections.deque(maxlen=40)
        self.display = xdisplay.Display(session.display)
        self.stats = collections.Counter()
        self.program = None
        self.slowest = 0.0
        self.dialog_rounds = collections.Counter()
        self.screenshot = None
        self.spare = None

    # -- the program ----------------------------------------------------------

    def start(self):
        self.program = Watched(self.session.start([self.program_path]), self.display)
        # With no window manager both windows open at the screen's corner; set the graph
        # window beside the main one, as a user would, so that clicks reach both.
        main, graph = self.program.main_ids
        right = max(w.x + w.width for w in self.program.windows() if w.id == main)
        self.display.create_resource_object("window", graph).configure(x=right + 10, y=0)
        self.display.sync()
        self.stats["starts"] += 1

    def check_alive(self):
        code = self.program.poll()
        if code is None:
            return True
        if code != 0:
            raise Failure(f"the program ended with code {code}")
        self.stats["ended by the monkey"] += 1
        self.start()
        return False

    def probe(self):
        seconds = self.program.response_time(self.hang_limit)
        if seconds is None:
            # A program on its way out no longer answers; that is not a hang.
            if self.program.wait(self.hang_limit) is not None:
                return
            raise Failure(f"no answer within {self.hang_limit} s: the program hangs")
        self.slowest = max(self.slowest, seconds)

    # -- input ----------------------------------------------------------------

    def keycode(self, name):
        sym = XK.string_to_keysym(name)
        code = self.display.keysym_to_keycode(sym)
        if not code:
            return None, False
        shifted = self.display.keycode_to_keysym(code, 0) != sym
        return code, shifted

    def key(self, name, modifier=None):
        code, shifted = self.keycode(name)
        if code is None:
            return
        held = [m for m in (modifier, "Shift_L" if shifted else None) if m]
        for m in held:
            xtest.fake_input(self.display, X.KeyPress, self.keycode(m)[0])
        xtest.fake_input(self.display, X.KeyPress, code)
        xtest.fake_input(self.display, X.KeyRelease, code)
        for m in reversed(held):
            xtest.fake_input(self.display, X.KeyRelease, self.keycode(m)[0])
        self.display.sync()

    def unicode_key(self, ch):
        if self.spare is None:
            codes = range(self.display.display.info.min_keycode,
                          self.display.display.info.max_keycode + 1)
            self.spare = next(c for c in reversed(codes)
                              if self.display.keycode_to_keysym(c, 0) == 0)
        sym = 0x1000000 + ord(ch)
        self.display.change_keyboard_mapping(self.spare, [(sym, sym)])
        self.display.sync()
        xtest.fake_input(self.display, X.KeyPress, self.spare)
        xtest.fake_input(self.display, X.KeyRelease, self.spare)
        self.display.sync()

    def type_text(self, text):
        for ch in text:
            self.key({" ": "space", "/": "slash", ".": "period", "-": "minus"}.get(ch, ch))

    def click(self, x, y, button=1, times=1):
        xtest.fake_input(self.display, X.MotionNotify, x=x, y=y)
        for _ in range(times):
            xtest.fake_input(self.display, X.ButtonPress, button)
            xtest.fake_input(self.display, X.ButtonRelease, button)
        self.display.sync()

    # -- one random event -----------------------------------------------------

    def random_event(self):
        r = self.rng.random()
        if r < 0.05:
            ch = self.rng.choice(UNICODE_CHARS)
            self.log.append(f"char {ch}")
            self.unicode_key(ch)
        elif r < 0.15:
            # Valid numbers, so that computes also succeed and draw.
            text = self.rng.choice(["", "-"]) + str(self.rng.choice(
                [self.rng.randrange(100), round(self.rng.uniform(-50, 50), 2),
                 f"{self.rng.randrange(1, 9)}e{self.rng.randrange(-40, 40)}"]))
            self.log.append(f"number {text} Return")
            self.key("a", "Control_L")
            self.type_text(text)
            self.key("Return")
        elif r < 0.55:
            name, mod = self.rng.choice(PLAIN_KEYS), self.rng.choice(MODIFIERS)
            self.log.append(f"key {mod + '+' if mod else ''}{name}")
            self.key(name, mod)
        elif r < 0.70:
            first, second = self.rng.choice(MENU_KEYS), self.rng.choice(ITEM_KEYS)
            self.log.append(f"menu alt+{first} {second}")
            self.key(first, "Alt_L")
            self.key(second)
            self.stats["menu picks"] += 1
        elif r < 0.80:
            role, x, y, width, height = self.rng.choice(self.program.controls())
            x, y = x + self.rng.randrange(width), y + self.rng.randrange(height)
            times = self.rng.choice([1, 1, 1, 2])
            self.log.append(f"click {role} x{times} at {x},{y}")
            self.click(x, y, 1, times)
            self.stats["control clicks"] += 1
        else:
            windows = self.program.windows()
            if not windows:
                return
            w = self.rng.choice(windows)
            x = w.x + self.rng.randrange(max(1, w.width))
            y = w.y + self.rng.randrange(max(1, w.height))
            button = self.rng.choice([1, 1, 1, 1, 3])
            times = self.rng.choice([1, 1, 2])
            self.log.append(f"click {button}x{times} at {x},{y}")
            self.click(x, y, button, times)
            self.stats["clicks"] += 1
        self.stats["events"] += 1

    # -- boxes and dialogs ----------------------------------------------------

    def answer_dialogs(self):
        for _ in range(10):
            dialog = self.program.top_dialog()
            if dialog is None:
                return
            rounds = self.dialog_rounds[dialog.id]
            self.dialog_rounds[dialog.id] += 1
            if rounds > 0:
                # Keys that did not answer may have gone to another window: a user clicks the
                # dialog first (Qt's print dialog does not always take the focus by itself).
                self.display.set_input_focus(dialog.id, X.RevertToParent, X.CurrentTime)
            if dialog.title in (HELP_TITLE, STATISTICS_TITLE):
                # The help and statistics windows are no dialogs; a user reads a little, follows
                # links or copies, closes it.
                answer = self.rng.choice(["Tab", "Return", "Next", "Escape"])
                if rounds > 3:
                    answer = "Escape"
                self.log.append(f"{dialog.title} window: {answer}")
                # Not modal: the keys may have gone on to the main window; a user clicks it first.
                self.display.set_input_focus(dialog.id, X.RevertToParent, X.CurrentTime)
                self.key(answer)
                self.stats["help and statistics window keys"] += 1
            elif dialog.is_file_dialog:
                if rounds > 2 or self.rng.random() < 0.3:
                    self.log.append(f"file dialog {dialog.title!r}: Escape")
                    self.key("Escape")
                else:
                    name = self.rng.choice(SAFE_NAMES)
                    self.log.append(f"file dialog {dialog.title!r}: {name!r} Return")
                    self.key("a", "Control_L")
                    self.type_text(name)
                    self.key("Return")
                self.stats["file dialogs answered"] += 1
            else:
                answer = self.rng.choice(["Return", "Escape", "Tab", "y", "n", "space"])
                if rounds > 3:
                    answer = "Escape"
                self.log.append(f"box {dialog.title!r}: {answer}")
                self.key(answer)
                self.stats["boxes answered"] += 1
            self.probe()
            if not self.check_alive():
                return
        raise Failure("a dialog would not close")

    # -- the run --------------------------------------------------------------

    def run(self, events):
        self.start()
        while self.stats["events"] < events:
            self.random_event()
            self.probe()
            if self.check_alive():
                self.answer_dialogs()
        self.finish()

    def finish(self):
        """Ends the program through its menu, as a user would, from whatever state it is in."""
        if self.screenshot:
            self.session.screenshot(self.screenshot)
        for _ in range(3):
            for _ in range(5):
                if self.program.top_dialog() is None and not self.program.popup_open():
                    break
                self.key("Escape")
                self.probe()
            # Focus may sit in the graph window, which has no menu: give it to the main window.
            self.display.set_input_focus(self.program.main_ids[0], X.RevertToParent, X.CurrentTime)
            self.display.sync()
            self.probe()
            self.log.append("exit: alt+f x")
            self.key("f", "Alt_L")
            self.key("x")
            code = self.program.wait(3)
            if code is not None:
                if code != 0:
                    raise Failure(f"exit through the menu gave code {code}")
                return
        raise Failure("the program did not end through its menu")


def use_session_bus(session):
    """Binds this process's accessibility library to the session's bus."""
    global Atspi
    os.environ.update(DISPLAY=session.display,
                      DBUS_SESSION_BUS_ADDRESS=session.env["DBUS_SESSION_BUS_ADDRESS"])
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi as bound
    Atspi = bound


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--events", type=int, default=3000)
    parser.add_argument("--hang-limit", type=float, default=1.0)
    parser.add_argument("--screenshot", help="PNG of the screen before the final exit")
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.SystemRandom().randrange(1 << 31)
    started = time.monotonic()
    with harness.Session() as session:
        use_session_bus(session)
        monkey = Monkey(session, os.path.abspath(args.program), seed, args.hang_limit)
        monkey.screenshot = args.screenshot
        try:
            monkey.run(args.events)
        except Failure as failure:
            print(f"monkey: FAILED with seed {seed}: {failure}", file=sys.stderr)
            print("last events:\n  " + "\n  ".join(monkey.log), file=sys.stderr)
            return 1
    stats = ", ".join(f"{k} {v}" for k, v in sorted(monkey.stats.items()))
    print(f"monkey: seed {seed}: {stats}; slowest answer {monkey.slowest * 1000:.0f} ms;"
          f" {time.monotonic() - started:.0f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
