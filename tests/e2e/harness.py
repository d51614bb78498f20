"""Drive a desktop program from outside, in a private X server.

A ``Session`` starts Xvfb on a free display, a private D-Bus session bus (the accessibility bus
is started on it on demand), a scratch HOME and working folder, and tears all of it down again on
exit, also when a test fails. Inside it ``Session.start`` runs a program; keys, typing and clicks
go through xdotool, the clipboard is read and filled through xclip (or held by an owner that never
answers), and windows and message boxes are read through X and the AT-SPI accessibility tree, so
the program needs no test code of its own.

    with Session() as s:
        app = s.start(["build/orvelt"])
        main = app.wait_window("^オルヴェルト Ver. 1.11$")
        s.focus(main)
        s.type("1\\n2\\n")
        s.key("alt+e", "c")
        print(s.clipboard_text())
        s.key("alt+f", "x")
        assert app.wait_exit() == 0

Needs Debian's /usr/bin/python3 with python3-gi, gir1.2-atspi-2.0 and python3-xlib, and the
packages xvfb, dbus, at-spi2-core, xdotool, xclip and (for screenshots) imagemagick. Every wait is
bounded: a condition that does not come true raises ``TimeoutError``.
"""

import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass, field

DEFAULT_TIMEOUT = 10.0
_POLL = 0.02
_MARKER = "ORVELT_E2E_SESSION"  # lets the teardown find what the buses started on their own
_BARE_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={runtime}</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""
# The AT-SPI bindings come with Debian's interpreter, whichever one runs the tests.
_DEBIAN_PYTHON = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable


def wait_for(condition, timeout=DEFAULT_TIMEOUT, what="condition", interval=_POLL):
    """Polls ``condition()`` until it returns something true, and returns that.

    Raises TimeoutError naming ``what`` when ``timeout`` seconds pass first.
    """
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() >= deadline:
            raise TimeoutError(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


def vm_hwm_kib(pid):
    """The process's peak resident size so far (VmHWM), in KiB."""
    with open(f"/proc/{pid}/status", encoding="ascii") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                value, unit = line.split()[1:]
                if unit != "kB":
                    raise RuntimeError(f"VmHWM of {pid} in {unit!r}, not kB")
                return int(value)
    raise RuntimeError(f"no VmHWM for {pid}")


@dataclass
class Geometry:
    """A window's or widget's place on the screen, in pixels."""

    x: int
    y: int
    width: int
    height: int

    @property
    def center(self):
        return (self.x + self.width // 2, self.y + self.height // 2)


@dataclass
class Node:
    """One object of the accessibility tree: role, name, states, place on the screen, children."""

    role: str
    name: str
    states: list
    extents: Geometry
    text: str = ""
    keybinding: str = ""
    value: float | None = None  # of a scroll bar, slider, spin box
    children: list = field(default_factory=list)

    def walk(self):
        yield self
        for child in self.children:
            yield from child.walk()

    def find_all(self, role=None, name=None):
        """Descendants (self included) with this role and/or name (a string or a compiled regex)."""
        found = []
        for node in self.walk():
            if role is not None and node.role != role:
                continue
            if name is not None:
                if isinstance(name, re.Pattern):
                    if not name.search(node.name):
                        continue
                elif node.name != name:
                    continue
            found.append(node)
        return found

    def find(self, role=None, name=None):
        """The first descendant with this role and/or name; LookupError when there is none."""
        found = self.find_all(role, name)
        if not found:
            raise LookupError(
                f"no accessible {role or ''} {name!r} under {self.role} {self.name!r}")
        return found[0]


@dataclass
class MessageBox:
    """A modal message box as the user sees it.

    ``text`` is the message (line breaks as "\\n"), ``buttons`` the button captions as the
    accessibility tree gives them (access-key "&" removed, e.g. "はい(Y)"), ``icon`` the screen
    rectangle of its icon or None, ``geometry`` the X window's place on the screen.
    """

    window: int
    caption: str
    text: str
    buttons: list
    icon: Geometry | None
    geometry: Geometry
    node: Node


def _node_from_json(d):
    return Node(
        role=d["role"],
        name=d["name"],
        states=d["states"],
        extents=Geometry(*d["extents"]),
        text=d.get("text", ""),
        keybinding=d.get("keybinding", ""),
        value=d.get("value"),
        children=[_node_from_json(c) for c in d["children"]],
    )


class Program:
    """A program started by ``Session.start``."""

    def __init__(self, session, proc, log_path):
        self.session = session
        self.proc = proc
        self.pid = proc.pid
        self.log_path = log_path

    def wait_window(self, name, timeout=DEFAULT_TIMEOUT):
        """Waits until this program has a mapped top-level window whose title matches the regex
        ``name``, and returns its X window id."""
        return self.session.wait_window(name, pid=self.pid, timeout=timeout)

    def wait_exit(self, timeout=DEFAULT_TIMEOUT):
        """Waits for the program to end and returns its exit code (negative: killed by a signal)."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"program {self.pid} still running after {timeout:g} s") from None

    def running(self):
        """Whether the program has not ended yet."""
        return self.proc.poll() is None

    def output(self):
        """What the program wrote to stdout and stderr so far."""
        try:
            with open(self.log_path, "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def accessible(self, timeout=DEFAULT_TIMEOUT, prune=()):
        """The program's accessibility tree (its application node), once it has registered; see
        Session.accessible."""
        return self.session.accessible(self.pid, timeout=timeout, prune=prune)

    def wait_message_box(self, caption=None, timeout=DEFAULT_TIMEOUT):
        """Waits for a message box of this program (with this caption, if given); see MessageBox."""
        return self.session.wait_message_box(self.pid, caption=caption, timeout=timeout)

    def kill(self):
        """Ends the program if it still runs (TERM, then KILL)."""
        if self.running():
            self.proc.terminate()
            try:
                self.proc.wait(timeout=3)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(timeout=3)


class Session:
    """A private desktop: Xvfb, a D-Bus session bus with AT-SPI, a scratch HOME and folder.

    Use it as a context manager. ``env`` is the environment for programs run inside it;
    ``home`` and ``workdir`` are scratch folders (``workdir`` is the programs' current folder);
    ``display`` is the X display name, e.g. ":3". Everything started here is ended on exit.
    With ``accessibility=False`` the bus offers no services and programs keep Qt's accessibility
    bridge off, as on a desktop without assistive technology (for measuring). With
    ``bare=True`` programs get nothing but DISPLAY, HOME and PATH, as from ``env -i``: no
    locale, no session bus, no accessibility. ``xft_dpi`` sets the X resource Xft.dpi, as a
    desktop does for a screen scaled to xft_dpi / 96.
    """

    def __init__(self, screen=(1024, 768), dpi=96, keep_files=False, accessibility=True,
                 bare=False, xft_dpi=None):
        self.screen = screen
        self.xft_dpi = xft_dpi
        self.accessibility = accessibility and not bare
        self.bare = bare
        self.dpi = dpi
        self.keep_files = keep_files
        self._procs = []  # (Popen, own process group)
        self.programs = []
        self._xdisplay = None
        self._wide_keys = {}  # character -> the spare keycode it is mapped to
        self._pings = 0  # sent so far; each answer is told by its number

    # ---- set-up and tear-down -------------------------------------------------------------

    def __enter__(self):
        try:
            self._start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def _start(self):
        self.tmpdir = tempfile.mkdtemp(prefix="orvelt-e2e-")
        self.home = os.path.join(self.tmpdir, "home")
        self.workdir = os.path.join(self.tmpdir, "work")
        runtime = self.runtime = os.path.join(self.tmpdir, "runtime")
        for d in (self.home, self.workdir, runtime):
            os.makedirs(d, mode=0o700)

        # Xvfb picks a free display itself and writes its number to the pipe when it is ready.
        r, w = os.pipe()
        xvfb = self._spawn(
            ["Xvfb", "-displayfd", str(w), "-screen", "0",
             f"{self.screen[0]}x{self.screen[1]}x24", "-dpi", str(self.dpi),
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(w,), log="xvfb.log")
        os.close(w)
        number = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or xvfb.poll() is not None:
                os.close(r)
                raise RuntimeError("Xvfb did not start: " + self._log("xvfb.log"))
            ready, _, _ = select.select([r], [], [], 0.1)
            if ready:
                chunk = os.read(r, 32)
                if not chunk:
                    break
                number += chunk
        os.close(r)
        self.display = ":" + number.decode().strip()

        env = {k: v for k, v in os.environ.items()
               if not k.startswith(("QT_", "XDG_", "DBUS_", "WAYLAND_", "AT_SPI", "LC_"))
               and k not in ("DISPLAY", "XAUTHORITY", "LANG", "LANGUAGE", "SESSION_MANAGER",
                             "DESKTOP_SESSION", "GTK_MODULES", _MARKER)}
        env.update({
            "DISPLAY": self.display,
            "HOME": self.home,
            "XDG_RUNTIME_DIR": runtime,
            "LANG": "C.UTF-8",
        })
        # The session bus; AT-SPI's bus launcher and registry are activated on it when asked.
        # Without accessibility it has no services at all, so Qt's bridge finds no accessibility
        # bus and stays off, as on a desktop without assistive technology.
        bus_env = dict(env, **{_MARKER: self.tmpdir})
        if self.accessibility:
            config = ["--session", f"--address=unix:dir={runtime}"]
        else:
            path = os.path.join(self.tmpdir, "bus.conf")
            with open(path, "w", encoding="utf-8") as f:
                f.write(_BARE_BUS_CONFIG.format(runtime=runtime))
            config = [f"--config-file={path}"]
        dbus = self._spawn(
            ["dbus-daemon", *config, "--nofork", "--nopidfile", "--print-address=1"],
            env=bus_env, stdout=subprocess.PIPE, log="dbus.log")
        line = self._read_line(dbus.stdout, "the D-Bus address")
        env["DBUS_SESSION_BUS_ADDRESS"] = line

        # Programs: the real X server, and Qt's accessibility bridge on even without a screen
        # reader asking for it.
        self.env = dict(env, QT_QPA_PLATFORM="xcb")
        if self.accessibility:
            self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        if self.bare:
            self.env = {"DISPLAY": self.display, "HOME": self.home,
                        "PATH": os.environ.get("PATH", "/usr/bin:/bin")}
        self.tool_env = dict(env)

        from Xlib import display as xdisplay  # python3-xlib
        self._xdisplay = xdisplay.Display(self.display)
        if self.xft_dpi:
            from Xlib import Xatom
            root = self._xdisplay.screen().root
            root.change_property(self._xdisplay.intern_atom("RESOURCE_MANAGER"), Xatom.STRING, 8,
                                 f"Xft.dpi:\t{self.xft_dpi}\n".encode())
            self._xdisplay.sync()

    def _spawn(self, argv, env=None, log=None, stdout=None, pass_fds=(), cwd=None):
        out = stdout
        logf = None
        if log:
            logf = open(os.path.join(self.tmpdir, log), "wb")
            if out is None:
                out = logf
        proc = subprocess.Popen(argv, env=env if env is not None else os.environ.copy(),
                                stdin=subprocess.DEVNULL, stdout=out,
                                stderr=logf or subprocess.DEVNULL, pass_fds=pass_fds,
                                cwd=cwd or self.tmpdir, start_new_session=True)
        if logf:
            logf.close()
        self._procs.append(proc)
        return proc

    def _read_line(self, pipe, what):
        data = b""
        deadline = time.monotonic() + DEFAULT_TIMEOUT
        while not data.endswith(b"\n"):
            if time.monotonic() > deadline:
                raise TimeoutError(f"timed out waiting for {what}")
            ready, _, _ = select.select([pipe], [], [], 0.1)
            if ready:
                chunk = os.read(pipe.fileno(), 256)
                if not chunk:
                    raise RuntimeError(f"no {what}")
                data += chunk
        return data.decode().strip()

    def _log(self, name):
        try:
            with open(os.path.join(self.tmpdir, name), "rb") as f:
                return f.read().decode("utf-8", "replace")
        except OSError:
            return ""

    def close(self):
        """Ends every program and server of the session and removes its scratch folders."""
        if self._xdisplay is not None:
            try:
                self._xdisplay.close()
            except Exception:
                pass
            self._xdisplay = None
        for prog in self.programs:
            try:
                prog.kill()
            except Exception:
                pass
        # Newest first: programs, then the bus, then the X server.
        for proc in reversed(self._procs):
            self.end_process(proc)
        self._end_marked()
        if getattr(self, "tmpdir", None) and not self.keep_files:
            shutil.rmtree(self.tmpdir, ignore_errors=True)

    @staticmethod
    def end_process(proc):
        """Ends a process started here and its process group: SIGTERM, then SIGKILL."""
        for sig, wait in ((signal.SIGTERM, 3), (signal.SIGKILL, 3)):
            try:
                os.killpg(proc.pid, sig)
            except (ProcessLookupError, PermissionError):
                pass
            try:
                proc.wait(timeout=wait)
                break
            except subprocess.TimeoutExpired:
                continue
        if proc.stdout:
            proc.stdout.close()

    def _end_marked(self):
        # Services the bus started for us (AT-SPI) carry the session's marker in their environment.
        tag = f"{_MARKER}={self.tmpdir}".encode()
        for sig in (signal.SIGTERM, signal.SIGKILL):
            pids = []
            for entry in os.listdir("/proc"):
                if not entry.isdigit() or int(entry) == os.getpid():
                    continue
                try:
                    with open(f"/proc/{entry}/environ", "rb") as f:
                        if tag in f.read().split(b"\0"):
                            pids.append(int(entry))
                except OSError:
                    continue
            if not pids:
                return
            for pid in pids:
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            time.sleep(0.2)

    # ---- programs -------------------------------------------------------------------------

    def start(self, argv, cwd=None, env=None):
        """Starts a program with the session's environment in ``workdir`` (or ``cwd``); ``env``
        sets variables for this program alone, None removing one."""
        log = f"program-{len(self.programs)}.log"
        program_env = dict(self.env)
        for key, value in (env or {}).items():
            if value is None:
                program_env.pop(key, None)
            else:
                program_env[key] = value
        proc = self._spawn(list(argv), env=program_env, log=log, cwd=cwd or self.workdir)
        prog = Program(self, proc, os.path.join(self.tmpdir, log))
        self.programs.append(prog)
        return prog

    def start_weston(self, size=(1024, 768)):
        """Starts a headless Weston compositor with a socket of its own in the session's runtime
        folder; returns the socket's name, for WAYLAND_DISPLAY."""
        name = "wayland-orvelt"
        self._spawn(["weston", "--backend=headless-backend.so", f"--socket={name}",
                     f"--width={size[0]}", f"--height={size[1]}", "--idle-time=0"],
                    env=self.tool_env, log="weston.log")
        wait_for(lambda: os.path.exists(os.path.join(self.runtime, name)), timeout=20,
                 what="weston's socket")
        return name

    def tool(self, argv, timeout=DEFAULT_TIMEOUT, check=True, input=None):
        """Runs a helper tool (xdotool, xclip, ...) on the session's display; returns its stdout."""
        try:
            done = subprocess.run(argv, env=self.tool_env, input=input, capture_output=True,
                                  timeout=timeout, cwd=self.workdir)
        except subprocess.TimeoutExpired:
            raise TimeoutError(f"{argv[0]} did not finish in {timeout:g} s") from None
        if check and done.returncode != 0:
            raise RuntimeError(f"{' '.join(argv)} failed ({done.returncode}): "
                               f"{done.stderr.decode(errors='replace').strip()}")
        return done.stdout

    # ---- windows --------------------------------------------------------------------------

    def windows(self, name=None, pid=None):
        """Ids of mapped windows whose title matches the regex ``name``, of process ``pid``."""
        argv = ["xdotool", "search", "--all", "--onlyvisible"]
        if pid is not None:
            argv += ["--pid", str(pid)]
        argv += ["--name", name if name is not None else "."]
        out = self.tool(argv, check=False)
        return [int(w) for w in out.split()]

    def wait_window(self, name, pid=None, timeout=DEFAULT_TIMEOUT):
        """Waits for a mapped window whose title matches the regex ``name``; returns its id."""
        return wait_for(lambda: (self.windows(name, pid) or [None])[0], timeout,
                        f"a window named {name!r}")

    def window_title(self, wid):
        return self.tool(["xdotool", "getwindowname", str(wid)]).decode("utf-8").rstrip("\n")

    def geometry(self, wid):
        """The window's place on the screen (its outer X window; there is no window manager)."""
        win = self._xdisplay.create_resource_object("window", wid)
        g = win.get_geometry()
        t = win.translate_coords(self._xdisplay.screen().root, 0, 0)
        return Geometry(-t.x, -t.y, g.width, g.height)

    def move(self, wid, x, y, timeout=DEFAULT_TIMEOUT):
        """Moves a window so that its top-left corner is at (x, y) and waits until it is there."""
        self.tool(["xdotool", "windowmove", str(wid), str(x), str(y)])
        wait_for(lambda: (self.geometry(wid).x, self.geometry(wid).y) == (x, y), timeout,
                 f"window {wid} at {x},{y}")

    def popups(self, pid):
        """Places of the mapped pop-up windows (menus, tooltips) of process ``pid``: the windows
        that bypass the window manager, bottom to top."""
        from Xlib import X
        pid_atom = self._xdisplay.intern_atom("_NET_WM_PID")
        found = []
        for w in self._xdisplay.screen().root.query_tree().children:
            try:
                attributes = w.get_attributes()
                owner = w.get_full_property(pid_atom, X.AnyPropertyType)
                if (attributes.map_state == X.IsViewable and attributes.override_redirect
                        and owner and owner.value[0] == pid):
                    found.append(self.geometry(w.id))
            except Exception:  # a window that went away while we looked
                continue
        return found

    def stacking(self):
        """Ids of the top-level windows from the bottom of the stack to the top."""
        return [w.id for w in self._xdisplay.screen().root.query_tree().children]

    def focus(self, wid):
        """Gives a window the keyboard focus (Xvfb has no window manager to do it)."""
        self.tool(["xdotool", "windowfocus", "--sync", str(wid)])

    def focused_window(self):
        return int(self.tool(["xdotool", "getwindowfocus", "-f"]).split()[0])

    def key(self, *keys, delay=30):
        """Presses keys, one after the other, into the focused window: "Return", "alt+f", "Down"."""
        self.tool(["xdotool", "key", "--delay", str(delay), *keys])

    def type(self, text, delay=12):
        """Types text into the focused window; "\\n" is the Return key."""
        for i, part in enumerate(text.split("\n")):
            if i:
                self.key("Return")
            for run in re.findall(r"[\x00-\x7f]+|[^\x00-\x7f]", part):
                if run.isascii():
                    self.tool(["xdotool", "type", "--delay", str(delay), "--", run])
                else:
                    self._type_wide(run)

    def _type_wide(self, char):
        """Types a character beyond the keyboard map through a spare key of its own. The key
        keeps that character for the rest of the session: a program may read the map when it
        handles the key, long after it was pressed, and must find the same character there."""
        from Xlib import X
        from Xlib.ext import xtest
        d = self._xdisplay
        if char not in self._wide_keys:
            first = d.display.info.min_keycode
            count = d.display.info.max_keycode - first + 1
            taken = set(self._wide_keys.values())
            spare = [first + i for i, syms in enumerate(d.get_keyboard_mapping(first, count))
                     if not any(syms) and first + i not in taken]
            if not spare:
                raise RuntimeError("no spare key left for " + repr(char))
            code = ord(char)
            keysym = code if code < 0x100 else 0x1000000 | code
            d.change_keyboard_mapping(spare[0], [(keysym, keysym)])
            d.sync()
            self._wide_keys[char] = spare[0]
        keycode = self._wide_keys[char]
        xtest.fake_input(d, X.KeyPress, keycode)
        xtest.fake_input(d, X.KeyRelease, keycode)
        d.sync()
        time.sleep(0.03)

    def click(self, wid, x, y, button=1, repeat=1):
        """Clicks at (x, y) relative to the window's top-left corner; repeat=2 double-clicks."""
        self.tool(["xdotool", "mousemove", "--window", str(wid), str(x), str(y),
                   "click", "--repeat", str(repeat), "--delay", "60", str(button)])

    def click_screen(self, x, y, button=1, repeat=1):
        """Clicks at (x, y) on the screen."""
        self.tool(["xdotool", "mousemove", str(x), str(y),
                   "click", "--repeat", str(repeat), "--delay", "60", str(button)])

    def screenshot(self, path):
        """Saves the whole screen as a PNG (for looking at what happened)."""
        self.tool(["import", "-window", "root", path], timeout=20)

    # ---- clipboard ------------------------------------------------------------------------

    def clear_clipboard(self, selection="CLIPBOARD"):
        """Sets the selection's owner to none, as a program that ends without a clipboard manager
        leaves it; the next copy can then be waited for."""
        from Xlib import X
        from Xlib.protocol import request
        atom = self._xdisplay.intern_atom(selection)
        request.SetSelectionOwner(display=self._xdisplay.display, window=X.NONE,
                                  selection=atom, time=X.CurrentTime)
        self._xdisplay.sync()
        wait_for(lambda: self._clipboard_owner(selection) == X.NONE,
                 what=f"the {selection} selection to be empty")

    def set_clipboard_text(self, data):
        """Puts ``data`` (UTF-8 bytes) on the clipboard as plain text, served by xclip, as another
        program would; returns once xclip owns the clipboard. xclip ends when it loses it."""
        from Xlib import X
        self.clear_clipboard()
        path = os.path.join(self.tmpdir, f"clip-{len(self._procs)}.txt")
        with open(path, "wb") as f:
            f.write(data)
        self._spawn(["xclip", "-quiet", "-i", "-selection", "clipboard", "-t", "UTF8_STRING",
                     path], env=self.tool_env, log=os.path.basename(path) + ".log")
        wait_for(lambda: self._clipboard_owner() != X.NONE, what="xclip to own the clipboard")

    def _clipboard_owner(self, selection="CLIPBOARD"):
        atom = self._xdisplay.intern_atom(selection)
        owner = self._xdisplay.get_selection_owner(atom)
        return owner if isinstance(owner, int) else owner.id

    def clipboard_targets(self, timeout=DEFAULT_TIMEOUT):
        """The formats the clipboard's owner offers, once there is an owner."""
        self._wait_clipboard(timeout)
        out = self.tool(["xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"])
        return out.decode().split()

    def _wait_clipboard(self, timeout):
        from Xlib import X
        wait_for(lambda: self._clipboard_owner() != X.NONE, timeout, "something on the clipboard")

    def clipboard(self, target, timeout=DEFAULT_TIMEOUT):
        """The clipboard's contents in format ``target`` (e.g. "UTF8_STRING", "image/png"), as
        bytes, once something is on the clipboard."""
        self._wait_clipboard(timeout)
        return self.tool(["xclip", "-o", "-selection", "clipboard", "-t", target])

    def clipboard_text(self, timeout=DEFAULT_TIMEOUT):
        """The clipboard's text as UTF-8 bytes, byte for byte as the owner gives it."""
        return self.clipboard("UTF8_STRING", timeout)

    def clipboard_png(self, timeout=DEFAULT_TIMEOUT):
        """The clipboard's picture as PNG bytes."""
        return self.clipboard("image/png", timeout)

    def hang_clipboard(self, selection="CLIPBOARD"):
        """Sets the selection's owner to none, then makes it a program that never answers, as a
        hung program or a stuck remote session does; returns a ClipboardHang once that owns it."""
        self.clear_clipboard(selection)
        proc = self._spawn([_DEBIAN_PYTHON, os.path.abspath(__file__), "--hang-clipboard",
                            selection], env=self.tool_env, stdout=subprocess.PIPE,
                           log=f"{selection.lower()}-hang.log")
        hang = ClipboardHang(proc)
        hang.wait(lambda e: e.get("ready"), what=f"the silent {selection} owner")
        return hang

    def ping(self, wid, timeout=DEFAULT_TIMEOUT):
        """Seconds until the program answers a _NET_WM_PING sent to its window ``wid``: it does
        so from its event loop, so this is how long that loop takes to come round."""
        from Xlib import X
        from Xlib import display as xdisplay
        from Xlib.protocol import event as xevent
        d = xdisplay.Display(self.display)
        try:
            root = d.screen().root
            root.change_attributes(event_mask=X.StructureNotifyMask)  # where the answer goes
            ping = d.intern_atom("_NET_WM_PING")
            self._pings += 1
            stamp = self._pings
            message = xevent.ClientMessage(
                window=wid, client_type=d.intern_atom("WM_PROTOCOLS"),
                data=(32, [ping, stamp, wid, 0, 0]))
            start = time.monotonic()
            d.create_resource_object("window", wid).send_event(message)
            d.flush()
            while True:
                while d.pending_events():
                    e = d.next_event()
                    if (e.type == X.ClientMessage and e.window.id == root.id
                            and list(e.data[1][:2]) == [ping, stamp]):
                        return time.monotonic() - start
                left = start + timeout - time.monotonic()
                if left <= 0:
                    raise TimeoutError(f"no answer to a ping within {timeout:g} s")
                select.select([d.fileno()], [], [], min(left, _POLL))
        finally:
            d.close()

    # ---- accessibility --------------------------------------------------------------------

    def accessible(self, pid, timeout=DEFAULT_TIMEOUT, prune=()):
        """The accessibility tree of the application with process id ``pid`` (its root Node).

        The children of nodes whose role is in ``prune`` (e.g. "menu bar") are left out, which
        makes the reading faster. Read in a child process, since the AT-SPI library binds itself
        to one bus for good.
        """
        def probe():
            out = self.tool([_DEBIAN_PYTHON, os.path.abspath(__file__), "--dump-accessible",
                             str(pid), *prune], timeout=timeout)
            data = json.loads(out)
            return data and _node_from_json(data)
        return wait_for(probe, timeout, f"the accessibility tree of process {pid}", 0.1)

    def table(self, pid, name, timeout=DEFAULT_TIMEOUT):
        """The accessible table named ``name`` of process ``pid``, read through its table
        interface: {"rows", "columns", "cells" (names, row by row), "column_headers",
        "row_headers", "focused" ([row, column] of the cells that say they are focused)}."""
        def probe():
            out = self.tool([_DEBIAN_PYTHON, os.path.abspath(__file__), "--dump-table", str(pid),
                             name], timeout=timeout)
            return json.loads(out)
        return wait_for(probe, timeout, f"the table {name!r} of process {pid}", 0.1)

    def watch_focus(self, pid):
        """Starts listening for what gets the accessibility focus in process ``pid``; returns a
        FocusWatch once the listener is ready. Ended with the session."""
        proc = self._spawn([_DEBIAN_PYTHON, os.path.abspath(__file__), "--watch-focus", str(pid)],
                           env=self.tool_env, stdout=subprocess.PIPE, log="focus-watch.log")
        watch = FocusWatch(proc)
        watch.wait(lambda e: e.get("ready"), what="the focus listener")
        return watch

    def do_action(self, pid, role, name, timeout=DEFAULT_TIMEOUT):
        """Does the first action (press, click) of the first accessible object of process ``pid``
        with this role and name, as assistive technology does; waits until there is one."""
        def probe():
            out = self.tool([_DEBIAN_PYTHON, os.path.abspath(__file__), "--do-action", str(pid),
                             role, name], timeout=timeout)
            return out.strip() == b"done"
        wait_for(probe, timeout, f"the {role} {name!r} of process {pid} to act on", 0.1)

    def window_class(self, wid):
        """The window's WM_CLASS: (instance, class)."""
        return self._xdisplay.create_resource_object("window", wid).get_wm_class()

    def window_icon_sizes(self, wid):
        """The sizes of the pictures in the window's _NET_WM_ICON, as (width, height) pairs."""
        from Xlib import Xatom
        win = self._xdisplay.create_resource_object("window", wid)
        prop = win.get_full_property(self._xdisplay.intern_atom("_NET_WM_ICON"), Xatom.CARDINAL)
        data = list(prop.value) if prop else []
        sizes = []
        while len(data) >= 2:
            w, h = data[0], data[1]
            sizes.append((w, h))
            data = data[2 + w * h:]
        return sizes

    def wait_message_box(self, pid, caption=None, timeout=DEFAULT_TIMEOUT):
        """Waits for a message box (an accessible dialog or alert holding buttons) of process
        ``pid``, with the given caption if any, and returns it as a MessageBox."""
        def probe():
            if caption is not None:
                wids = self.windows("^" + re.escape(caption) + "$", pid)
            else:
                wids = self.windows(None, pid)
            if not wids:
                return None
            # Only the message boxes are read whole.
            app = self.accessible(pid, timeout, prune=("frame", "filler", "window"))
            for node in app.children:
                if node.role not in ("dialog", "alert") or "showing" not in node.states:
                    continue
                if caption is not None and node.name != caption:
                    continue
                buttons = [b.name for b in node.find_all(role="push button")]
                if not buttons:
                    continue
                texts = [n.name for n in node.find_all(role="label") if n.name]
                icons = [n.extents for n in node.walk()
                         if n.role in ("label", "image") and not n.name and n.extents.width > 0]
                wid = next((w for w in wids if self.window_title(w) == node.name), None)
                if wid is None:
                    continue
                return MessageBox(window=wid, caption=node.name, text="\n".join(texts),
                                  buttons=buttons, icon=icons[0] if icons else None,
                                  geometry=self.geometry(wid), node=node)
            return None
        return wait_for(probe, timeout, f"a message box {caption or ''}".strip(), 0.05)

    def wait_gone(self, wid, timeout=DEFAULT_TIMEOUT):
        """Waits until a window is no longer mapped."""
        def gone():
            out = self.tool(["xdotool", "search", "--all", "--onlyvisible", "--name", "."],
                            check=False)
            return wid not in [int(w) for w in out.split()]
        wait_for(gone, timeout, f"window {wid} to close")


class JsonLines:
    """What a helper process of the harness reports, one JSON object per line, in order."""

    def __init__(self, proc):
        self.proc = proc
        self.events = []
        self._buffer = b""

    def _read(self, wait):
        ready, _, _ = select.select([self.proc.stdout], [], [], wait)
        if ready:
            chunk = os.read(self.proc.stdout.fileno(), 4096)
            if not chunk:
                raise RuntimeError("the helper process ended")
            self._buffer += chunk
            *lines, self._buffer = self._buffer.split(b"\n")
            self.events += [json.loads(line) for line in lines if line.strip()]

    def wait(self, condition, timeout=DEFAULT_TIMEOUT, what="an event"):
        """Waits for an event for which ``condition(event)`` holds and returns it; the events
        before it and it are taken off the list."""
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if condition(event):
                    del self.events[:i + 1]
                    return event
            if time.monotonic() >= deadline:
                raise TimeoutError(f"timed out after {timeout:g} s waiting for {what}; "
                                   f"got {self.events}")
            self._read(0.05)

    def drain(self):
        """The events reported so far and not yet taken, taken now."""
        while True:
            before = len(self.events)
            self._read(0)
            if len(self.events) == before:
                break
        events, self.events = self.events, []
        return events


class FocusWatch(JsonLines):
    """The objects that got the accessibility focus, in order: {"role", "name", "index" (in its
    parent), "parent" (the parent's name)} each."""


class ClipboardHang(JsonLines):
    """A program that owns a selection and never answers: the formats asked of it, in order."""

    def requests(self):
        """The formats (target atoms' names) asked for since the last call."""
        return [e["target"] for e in self.drain() if "target" in e]


def _watch_focus(pid):
    """Prints a JSON line for every object of process ``pid`` that gains the focus, after a
    first line {"ready": true}."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi

    def on_event(event):
        try:
            source = event.source
            if event.detail1 != 1 or source.get_process_id() != pid:
                return
            parent = source.get_parent()
            print(json.dumps({"role": source.get_role_name(), "name": source.get_name() or "",
                              "index": source.get_index_in_parent(),
                              "parent": parent.get_name() or "" if parent else ""}), flush=True)
        except Exception:
            pass

    listener = Atspi.EventListener.new(on_event)
    listener.register("object:state-changed:focused")
    print(json.dumps({"ready": True}), flush=True)
    Atspi.event_main()


def _hang_clipboard(selection):
    """Owns the selection (CLIPBOARD or PRIMARY) and never answers a request for it; prints
    {"ready": true} once it owns it, then {"target": name} for each request."""
    from Xlib import X
    from Xlib import display as xdisplay
    d = xdisplay.Display()
    window = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    atom = d.intern_atom(selection)
    window.set_selection_owner(atom, X.CurrentTime)
    d.sync()
    owner = d.get_selection_owner(atom)
    if getattr(owner, "id", owner) != window.id:
        sys.exit(f"could not take {selection}")
    print(json.dumps({"ready": True}), flush=True)
    while True:
        event = d.next_event()
        if event.type == X.SelectionRequest:
            print(json.dumps({"target": d.get_atom_name(event.target)}), flush=True)


def _dump_accessible(pid, prune):
    """Prints the accessibility tree of process ``pid`` as JSON (null while it is not there),
    without the children of nodes whose role is in ``prune``."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi

    def node(acc, depth):
        try:
            ext = acc.get_extents(Atspi.CoordType.SCREEN)
            extents = [ext.x, ext.y, ext.width, ext.height]
        except Exception:
            extents = [0, 0, 0, 0]
        states = acc.get_state_set()
        names = [Atspi.StateType(s).value_nick for s in range(Atspi.StateType.LAST_DEFINED)
                 if states.contains(Atspi.StateType(s))]
        d = {"role": acc.get_role_name(), "name": acc.get_name() or "", "states": names,
             "extents": extents, "children": []}
        try:
            action = acc.get_action_iface()
            if action and action.get_n_actions() > 0:
                d["keybinding"] = action.get_key_binding(0) or ""
        except Exception:
            pass
        try:
            text = acc.get_text_iface()
            if text:
                d["text"] = text.get_text(0, text.get_character_count()) or ""
        except Exception:
            pass
        try:
            value = acc.get_value_iface()
            if value:
                d["value"] = value.get_current_value()
        except Exception:
            pass
        if depth < 40 and (depth == 0 or d["role"] not in prune):
            for i in range(acc.get_child_count()):
                child = acc.get_child_at_index(i)
                if child is not None:
                    d["children"].append(node(child, depth + 1))
        return d

    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is not None and app.get_process_id() == pid:
                print(json.dumps(node(app, 0)))  # ASCII whatever the locale
                return
        except Exception:
            continue
    print("null")


def _find_accessible(pid, match, descend, depth_limit):
    """The first object of process ``pid`` for which ``match(acc)`` holds, searching below the
    objects for which ``descend(acc)`` holds, ``depth_limit`` levels deep; None if there is none."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi

    def find(acc, depth):
        if match(acc):
            return acc
        if depth < depth_limit and descend(acc):
            for i in range(acc.get_child_count()):
                child = acc.get_child_at_index(i)
                found = child is not None and find(child, depth + 1)
                if found:
                    return found
        return None

    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        try:
            if app is None or app.get_process_id() != pid:
                continue
        except Exception:
            continue
        return find(app, 0)
    return None


def _do_action(pid, role, name):
    """Does the first action of the first object of process ``pid`` with this role and name;
    prints "done", or "none" while there is none."""
    acc = _find_accessible(
        pid, lambda a: a.get_role_name() == role and (a.get_name() or "") == name,
        lambda a: True, 40)
    action = acc and acc.get_action_iface()
    if action and action.get_n_actions() > 0:
        action.do_action(0)
        print("done")
        return
    print("none")


def _dump_table(pid, name):
    """Prints the table named ``name`` of process ``pid`` as JSON (null while it is not there)."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi

    acc = _find_accessible(
        pid, lambda a: a.get_role() == Atspi.Role.TABLE and (a.get_name() or "") == name,
        lambda a: a.get_role() != Atspi.Role.TABLE, 12)
    if acc:
        table = acc.get_table_iface()
        rows, columns = table.get_n_rows(), table.get_n_columns()
        cells, focused = [], []
        for r in range(rows):
            cells.append([])
            for c in range(columns):
                cell = table.get_accessible_at(r, c)
                cells[-1].append(cell.get_name() or "")
                if cell.get_state_set().contains(Atspi.StateType.FOCUSED):
                    focused.append([r, c])
        print(json.dumps({
            "rows": rows, "columns": columns, "cells": cells, "focused": focused,
            "column_headers": [table.get_column_header(c).get_name() for c in range(columns)],
            "row_headers": [table.get_row_header(r).get_name() for r in range(rows)],
        }))
        return
    print("null")


if __name__ == "__main__" and len(sys.argv) >= 3 and sys.argv[1] == "--dump-accessible":
    _dump_accessible(int(sys.argv[2]), set(sys.argv[3:]))
if __name__ == "__main__" and len(sys.argv) == 4 and sys.argv[1] == "--dump-table":
    _dump_table(int(sys.argv[2]), sys.argv[3])
if __name__ == "__main__" and len(sys.argv) == 5 and sys.argv[1] == "--do-action":
    _do_action(int(sys.argv[2]), sys.argv[3], sys.argv[4])
if __name__ == "__main__" and len(sys.argv) == 3 and sys.argv[1] == "--watch-focus":
    _watch_focus(int(sys.argv[2]))
if __name__ == "__main__" and len(sys.argv) == 3 and sys.argv[1] == "--hang-clipboard":
    _hang_clipboard(sys.argv[2])
