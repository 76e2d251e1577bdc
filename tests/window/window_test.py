#!/usr/bin/python3
"""The real window, driven as a user would.

Starts the built korvane executable (copied beside a demo set's korvane.xml)
on a private Xvfb display with its own D-Bus session and accessibility bus,
checks that the window hands the window manager its icon (_NET_WM_ICON),
then with real mouse input (press, move in steps, release):

- drags "Entry 0" onto the "Preview" pane and checks on a screenshot that the
  pane shows the very pixels korvane-cli renders for that entry;
- selects "Entry 1" and "Entry 2" (click, Ctrl+click), opens a fresh directory
  in the "Destination" tree by keyboard, drags both onto it and checks the two
  .mlt files against korvane-cli export of the same entries (the drop
  indicator on the row; none on a file's row, whose drop changes nothing);
- drags "Entry 2.mlt" from the tree onto the preview, checked as above;
- closes the window as its close button would and expects status 0, then
  starts korvane "big keep.mlt": the same panes, the keep in the preview.

Along the way, what a person sees of the window's gestures: the tree opens at
the home directory (a fresh one, given in HOME), in view; Ctrl+plus shows the
preview's picture twice the size, pixel for pixel, Ctrl+0 at its own size
again and Ctrl+9 whole in the pane; the drag shows a small label of the
entries' names beside the pointer, off the row aimed at; after the drop the
written files are in view below that row. Before any of it, korvane without
a display says so in one line and ends with status 1; --help and --version
print with status 0.

Positions come from outside the program: the toolkit's accessibility
interface (AT-SPI) and the screenshot. Every process the test starts carries
a token in its environment; at the end exactly those processes are ended.

usage: window_test.py --korvane EXE --cli EXE --demodata EXE
"""

import argparse
import ctypes
import ctypes.util
import os
import re
import secrets
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TOKEN_NAME = "KORVANE_WINDOW_TEST_RUN"
TITLE = "Korvane Extractor"
HOME_DIRS = ("Desktop", "Documents")
# The drag label's background: the tool tip colour of the toolkit's palette.
TOOLTIP_BASE = (255, 255, 220)
SCREEN = (1280, 1024)
WINDOW_SIZE = (1200, 960)


class Failure(Exception):
    pass


def become_subreaper():
    """Orphans of the processes started here (the accessibility bus and its
    registry) become children of this process, which reaps them."""
    PR_SET_CHILD_SUBREAPER = 36
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)
    except (OSError, AttributeError):
        pass


def reap_orphans():
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def wait_for(what, probe, timeout=30.0, interval=0.1):
    """Calls probe until it returns something true; its last result."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            result = probe()
        except Failure:
            raise
        except Exception as error:  # a transient AT-SPI or X error: ask again
            result = None
            last_error = error
        else:
            last_error = None
        if result:
            return result
        if time.monotonic() > deadline:
            detail = f" ({last_error})" if last_error else ""
            raise Failure(f"timed out waiting for {what}{detail}")
        time.sleep(interval)


# --- images -----------------------------------------------------------------


class Image:
    """8-bit pixels, 3 (RGB) or 4 (RGBA) channels, rows top to bottom."""

    def __init__(self, width, height, channels, data):
        self.width, self.height, self.channels, self.data = width, height, channels, data

    def pixel(self, x, y):
        at = (y * self.width + x) * self.channels
        return self.data[at:at + self.channels]


def read_netpbm(data):
    """Parses the binary PPM (P6) or PAM (P7) that ImageMagick writes."""
    if data[:2] == b"P6":
        fields, at = [], 2
        while len(fields) < 3:
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
                continue
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(int(data[at:end]))
            at = end
        width, height, maxval = fields
        if maxval != 255:
            raise Failure("unexpected PPM depth")
        at += 1
        return Image(width, height, 3, data[at:at + width * height * 3])
    if data[:2] == b"P7":
        end = data.index(b"ENDHDR\n")
        header = dict(line.split(None, 1) for line in data[3:end].decode().splitlines()
                      if line and not line.startswith("#"))
        width, height = int(header["WIDTH"]), int(header["HEIGHT"])
        channels = int(header["DEPTH"])
        if int(header["MAXVAL"]) != 255:
            raise Failure("unexpected PAM depth")
        start = end + len(b"ENDHDR\n")
        return Image(width, height, channels, data[start:start + width * height * channels])
    raise Failure("not a PPM or PAM image")


def read_png_rgba(path):
    data = subprocess.run(["convert", path, "-depth", "8", "-alpha", "on", "pam:-"],
                          check=True, stdout=subprocess.PIPE).stdout
    image = read_netpbm(data)
    if image.channels != 4:
        raise Failure(f"{path}: expected RGBA pixels")
    return image


# --- the session ------------------------------------------------------------


class Session:
    def __init__(self, args):
        self.args = args
        self.token = secrets.token_hex(12)
        self.children = []  # Popen objects, in start order
        self.env = dict(os.environ)
        self.env[TOKEN_NAME] = self.token
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS",
                     "AT_SPI_BUS_ADDRESS", "XAUTHORITY", "SESSION_MANAGER"):
            self.env.pop(name, None)
        self.work = tempfile.mkdtemp(prefix="kvwin-", dir="/tmp")
        # The drop target: a fresh directory one level below /tmp, so that
        # only "/" and "tmp" need opening in the tree. Its name sorts before
        # the other directories there, so that what others create in /tmp
        # meanwhile does not move its row, and it is typed into the tree,
        # where "-", "+" and "*" would fold rows.
        self.dest = tempfile.mkdtemp(prefix="0kvdst", dir="/tmp")
        # The window's home directory, with two directories in it; near the
        # drop target in the tree.
        self.home = tempfile.mkdtemp(prefix="0kvhome", dir="/tmp")
        for name in HOME_DIRS:
            os.mkdir(os.path.join(self.home, name))
        self.env["XDG_RUNTIME_DIR"] = os.path.join(self.work, "runtime")
        os.mkdir(self.env["XDG_RUNTIME_DIR"], 0o700)
        self.display = None
        self.window = None
        self.app = None
        self.shot_path = os.path.join(self.work, "screen.ppm")

    # processes

    def start(self, argv, **kwargs):
        process = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, **kwargs)
        self.children.append(process)
        return process

    def start_xvfb(self):
        read_end, write_end = os.pipe()
        self.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                    f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset"],
                   pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        self.env["DISPLAY"] = self.display

    def start_dbus(self):
        daemon = self.start(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = daemon.stdout.readline().strip()
        if not address:
            raise Failure("the D-Bus session did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        # The accessibility bus of this session; the registry is started on it
        # by activation and inherits the token.
        self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start_korvane(self, *arguments):
        app_dir = os.path.join(self.work, "app")
        executable = os.path.join(app_dir, "korvane")
        if not os.path.exists(executable):
            os.mkdir(app_dir)
            shutil.copy2(self.args.korvane, executable)
            # The window reads korvane.xml beside itself, as a user has it.
            shutil.copy2(os.path.join(self.work, "demo", "korvane.xml"),
                         os.path.join(app_dir, "korvane.xml"))
        env = dict(self.env)
        env.update(QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", HOME=self.home)
        self.korvane = subprocess.Popen([executable, *arguments], env=env, cwd=self.work,
                                        stdin=subprocess.DEVNULL)
        self.children.append(self.korvane)

    def stop(self):
        for process in reversed(self.children):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(5)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        # Whatever our processes started in turn (the accessibility bus and
        # registry) carries the token.
        marker = f"{TOKEN_NAME}={self.token}".encode()
        for attempt in range(50):
            left = list(self.marked_pids(marker))
            if not left:
                break
            for pid in left:
                try:
                    os.kill(pid, signal.SIGTERM if attempt < 25 else signal.SIGKILL)
                except ProcessLookupError:
                    pass
            time.sleep(0.1)
            reap_orphans()
        reap_orphans()
        shutil.rmtree(self.work, ignore_errors=True)
        shutil.rmtree(self.dest, ignore_errors=True)
        shutil.rmtree(self.home, ignore_errors=True)

    def marked_pids(self, marker):
        own = os.getpid()
        for name in os.listdir("/proc"):
            if not name.isdigit() or int(name) == own:
                continue
            try:
                with open(f"/proc/{name}/environ", "rb") as environ:
                    if marker in environ.read().split(b"\0"):
                        with open(f"/proc/{name}/stat", "rb") as stat:
                            if stat.read().rsplit(b")", 1)[1].split()[0] == b"Z":
                                continue
                        yield int(name)
            except OSError:
                continue

    # expected results, from the command-line companion

    def make_data(self):
        demo = os.path.join(self.work, "demo")
        subprocess.run([self.args.demodata, demo], check=True, env=self.env,
                       stdout=subprocess.DEVNULL)
        config = os.path.join(demo, "korvane.xml")
        cli_env = dict(self.env, QT_QPA_PLATFORM="offscreen")
        self.expected_png = os.path.join(self.work, "entry0.png")
        subprocess.run([self.args.cli, "render", "Entry 0", "-o", self.expected_png,
                        "--config", config], check=True, env=cli_env)
        self.expected_dir = os.path.join(self.work, "expected")
        os.mkdir(self.expected_dir)
        subprocess.run([self.args.cli, "export", self.expected_dir, "Entry 1", "Entry 2",
                        "--config", config], check=True, env=cli_env,
                       stdout=subprocess.DEVNULL)
        # A .mlt file received, the largest (the keep), and the pictures
        # korvane-cli renders of it and of an exported file.
        received = os.path.join(self.work, "received")
        subprocess.run([self.args.cli, "export", received, "--config", config], check=True,
                       env=cli_env, stdout=subprocess.DEVNULL)
        self.keep_mlt = os.path.join(self.work, "big keep.mlt")
        os.rename(max(os.scandir(received), key=lambda f: f.stat().st_size), self.keep_mlt)
        self.pictures = {}
        for mlt in (self.keep_mlt, os.path.join(self.expected_dir, "Entry 2.mlt")):
            png = self.pictures[os.path.basename(mlt)] = f"{received}/{os.path.basename(mlt)}.png"
            subprocess.run([self.args.cli, "render", mlt, "-o", png, "--config", config],
                           check=True, env=cli_env)

    # X input and output

    def xdotool(self, *argv):
        return subprocess.run(["xdotool", *map(str, argv)], env=self.env, check=True,
                              stdout=subprocess.PIPE, text=True).stdout

    def icon_sizes(self, window):
        """The square sizes of the icon the window gives the window manager."""
        # xprop reads a few kilobytes of a property unless told more.
        out = subprocess.run(["xprop", "-len", str(1 << 24), "-id", str(window), "_NET_WM_ICON"],
                             env=self.env, check=True, stdout=subprocess.PIPE, text=True).stdout
        return {int(w) for w, h in re.findall(r"Icon \((\d+) x (\d+)\)", out) if w == h}

    def screenshot(self):
        # xwd reads the screen without grabbing the pointer.
        dump = subprocess.run(["xwd", "-root", "-silent"], env=self.env, check=True,
                              stdout=subprocess.PIPE).stdout
        subprocess.run(["convert", "xwd:-", "-depth", "8", self.shot_path], input=dump,
                       env=self.env, check=True)
        with open(self.shot_path, "rb") as shot:
            return read_netpbm(shot.read())

    def drag(self, start, target, hovering=None):
        """Press at start, move in steps (first past the drag distance) to the
        point target() gives, release there; target is asked again before the
        release, should the row have moved. hovering(point) is called over the
        target, before the release."""
        x0, y0 = start
        x1, y1 = target()
        self.xdotool("mousemove", "--sync", x0, y0)
        time.sleep(0.2)
        self.xdotool("mousedown", 1)
        time.sleep(0.2)
        for step in range(1, 6):  # a short move to start the drag
            self.xdotool("mousemove", x0 + 4 * step, y0 + 2 * step)
            time.sleep(0.05)
        steps = 20
        for step in range(1, steps + 1):
            x = x0 + 20 + (x1 - x0 - 20) * step // steps
            y = y0 + 10 + (y1 - y0 - 10) * step // steps
            self.xdotool("mousemove", x, y)
            time.sleep(0.05)
        for _ in range(3):
            for dx in (3, -3, 0):  # settle over the target
                self.xdotool("mousemove", x1 + dx, y1)
                time.sleep(0.15)
            time.sleep(0.3)
            if (x1, y1) == target():
                break
            x1, y1 = target()
        if hovering:
            hovering((x1, y1))
        self.xdotool("mouseup", 1)

    def click(self, point, ctrl=False):
        self.xdotool("mousemove", "--sync", *point)
        time.sleep(0.1)
        if ctrl:
            self.xdotool("keydown", "ctrl")
        self.xdotool("click", 1)
        if ctrl:
            self.xdotool("keyup", "ctrl")
        time.sleep(0.2)

    # accessibility

    def connect_atspi(self):
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
        os.environ["DISPLAY"] = self.display
        import pyatspi  # after the session exists: it connects on import
        self.pyatspi = pyatspi

        def application():
            desktop = pyatspi.Registry.getDesktop(0)
            for app in desktop:
                if app is not None and app.get_process_id() == self.korvane.pid:
                    return app
            return None

        self.app = wait_for("the window on the accessibility bus", application, timeout=60)

    def find(self, name, roles):
        """The accessible of that name and one of those roles, searched afresh."""
        self.app.clear_cache()
        found = self.pyatspi.findDescendant(
            self.app, lambda a: a is not None and a.name == name and a.getRoleName() in roles)
        if found is None:
            raise Failure(f"no accessible {name!r} ({', '.join(roles)})")
        return found

    def extents(self, accessible):
        box = accessible.queryComponent().getExtents(self.pyatspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height

    def child_named(self, parent, name):
        parent.clear_cache()
        for i in range(parent.childCount):
            child = parent.getChildAtIndex(i)
            if child is not None and child.name == name:
                return child
        return None


def centre(box):
    x, y, w, h = box
    return x + w // 2, y + h // 2


def inside(point, box, margin=0):
    x, y, w, h = box
    return x + margin <= point[0] < x + w - margin and y + margin <= point[1] < y + h - margin


def send_delete_window(display_name, window):
    """Sends the window the WM_DELETE_WINDOW message of its close button."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                    ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                    ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]

    class Event(ctypes.Union):  # XEvent: 24 longs
        _fields_ = [("message", ClientMessage), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        raise Failure(f"cannot open the display {display_name}")
    try:
        event = Event()
        event.message.type = 33  # ClientMessage
        event.message.window = window
        event.message.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.message.format = 32
        event.message.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        event.message.data[1] = 0  # CurrentTime
        if not x11.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
            raise Failure("cannot send the close message")
        x11.XFlush(display)
    finally:
        x11.XCloseDisplay(display)


# --- the checks -------------------------------------------------------------


def preview_matches(shot, expected, pane):
    """Whether the pane shows the expected picture at its viewport's top left:
    every opaque pixel of the picture that lies in the visible part is on the
    screen unchanged. The viewport's inset (the frame) is looked for."""
    px, py, pw, ph = pane
    opaque = [(x, y) for y in range(expected.height) for x in range(expected.width)
              if expected.pixel(x, y)[3] == 255]
    if len(opaque) < 500:
        raise Failure("the expected picture has too few opaque pixels to compare")
    sample = opaque[::max(1, len(opaque) // 300)]
    scrollbar = 24  # a scroll bar may take the right and bottom edge
    for inset in range(0, 4):
        left, top = px + inset, py + inset
        visible_w = min(expected.width, pw - 2 * inset - scrollbar)
        visible_h = min(expected.height, ph - 2 * inset - scrollbar)

        def shown(points):
            compared = 0
            for x, y in points:
                if x >= visible_w or y >= visible_h:
                    continue
                if shot.pixel(left + x, top + y) != expected.pixel(x, y)[:3]:
                    return 0
                compared += 1
            return compared

        if shown(sample) and shown(opaque) >= 500:
            return True
    return False


def zoomed_matches(shot, expected, pane, label, factor):
    """Whether the pane shows the expected picture `factor` times its size in
    the label at `label` (its place on the screen, scrolled), each pixel a
    square of its colour."""
    px, py, pw, ph = pane
    lx, ly = label[:2]
    scrollbar = 24

    def visible(x, y):
        return (px <= lx + x * factor and lx + (x + 1) * factor < px + pw - scrollbar
                and py <= ly + y * factor and ly + (y + 1) * factor < py + ph - scrollbar)

    opaque = [(x, y) for y in range(expected.height) for x in range(expected.width)
              if expected.pixel(x, y)[3] == 255 and visible(x, y)]
    if len(opaque) < 500:
        raise Failure("too few opaque pixels of the picture in view to compare")
    sample = opaque[::max(1, len(opaque) // 400)]
    return all(shot.pixel(lx + x * factor + dx, ly + y * factor + dy) == expected.pixel(x, y)[:3]
               for x, y in sample for dx, dy in ((0, 0), (factor - 1, factor - 1)))


def picture_box(shot, pane):
    """The box of the pixels of the pane that differ from its background (the
    colour at its bottom right corner, inside the frame)."""
    px, py, pw, ph = pane
    background = shot.pixel(px + pw - 4, py + ph - 4)
    channels = shot.channels
    left, right = px + 2, px + pw - 2
    plain = background * (right - left)
    xs, ys = [], []
    for y in range(py + 2, py + ph - 2):
        at = (y * shot.width + left) * channels
        line = shot.data[at:at + (right - left) * channels]
        if line == plain:
            continue
        differing = [i for i in range(right - left)
                     if line[i * channels:(i + 1) * channels] != background]
        xs += (differing[0], differing[-1])
        ys.append(y)
    if not xs:
        return None
    return left + min(xs) - px, min(ys) - py, left + max(xs) - px + 1, max(ys) - py + 1


def indicator(shot, box):
    """The part of the row's top and left edges in the drop indicator's line."""
    x, y, w, h = box
    edges = [(x + i, y) for i in range(w)] + [(x, y + i) for i in range(h)]
    return sum(max(shot.pixel(*point)) < 64 for point in edges) / len(edges)


def opaque_box(image):
    xs = [x for y in range(image.height) for x in range(image.width)
          if image.pixel(x, y)[3] == 255]
    ys = [y for y in range(image.height) for x in range(image.width)
          if image.pixel(x, y)[3] == 255]
    return min(xs), min(ys), max(xs) + 1, max(ys) + 1


def tooltip_pixels(shot, box):
    x0, y0, w, h = box
    return sum(1 for y in range(max(0, y0), min(shot.height, y0 + h))
               for x in range(max(0, x0), min(shot.width, x0 + w))
               if shot.pixel(x, y) == bytes(TOOLTIP_BASE))


def check_no_display(args):
    """korvane started where there is no display: one line, status 1; its
    help and version need none."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    version = subprocess.run([args.cli, "--version"], env=env, check=True, text=True,
                             stdout=subprocess.PIPE).stdout.replace("korvane-cli", "korvane", 1)
    for argv, want in (("--help", "Usage: korvane [FILE.mlt]\n"), ("--version", version)):
        result = subprocess.run([args.korvane, argv], env=env, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=60)
        printed = result.stdout[:len(want)] if argv == "--help" else result.stdout
        if (result.returncode, result.stderr, printed) != (0, "", want):
            raise Failure(f"korvane {argv} without a display: status {result.returncode}, "
                          f"{result.stdout!r}, {result.stderr!r}")
    cases = [([], env), ([], dict(env, DISPLAY=":97531"))]
    for argv, case_env in cases:
        result = subprocess.run([args.korvane, *argv], env=case_env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        lines = result.stderr.decode(errors="replace").splitlines()
        said = " | ".join(lines)
        if result.returncode != 1 or len(lines) != 1 or result.stdout:
            raise Failure(f"korvane {' '.join(argv)} without a display ended with status "
                          f"{result.returncode}, saying {said!r}")
        if "graphical session" not in lines[0] or "korvane-cli" not in lines[0]:
            raise Failure(f"korvane without a display said {said!r}")
    print(f"no display: status 1 and one line: {lines[0]}; --help and --version printed")


def open_window(session, *arguments):
    """Starts korvane and sizes its window; the window and the Preview pane."""
    session.start_korvane(*arguments)
    window = wait_for("the window", lambda: session.xdotool(
        "search", "--onlyvisible", "--pid", session.korvane.pid, "--name",
        f"^{TITLE}$").split(), timeout=60)[0]
    session.window = window
    # There is no window manager: the user's resize and focus go to the
    # window directly.
    session.xdotool("windowsize", window, *WINDOW_SIZE)
    session.xdotool("windowfocus", "--sync", window)
    session.connect_atspi()
    area = session.find("Preview", ("scroll pane", "filler"))
    wait_for("the resized window", lambda: session.extents(area)[3] > WINDOW_SIZE[1] // 4)
    return window, area


def show_file(session, pane, name, gesture=None):
    """After the gesture, the pane shows korvane-cli's picture of the file."""
    picture = read_png_rgba(session.pictures[name])
    if gesture and preview_matches(session.screenshot(), picture, session.extents(pane)):
        raise Failure(f"the preview shows {name} before the gesture")
    if gesture:
        gesture()
    wait_for(f"{name} drawn in the Preview pane", lambda: preview_matches(
        session.screenshot(), picture, session.extents(pane)), timeout=30, interval=0.5)
    print(f"preview: {name} shows korvane-cli's rendering of it")


def close_window(session, window):
    if session.korvane.poll() is not None:
        raise Failure(f"korvane ended with status {session.korvane.returncode}")
    # The user closes the window, as a window manager asks it to.
    send_delete_window(session.display, int(window))
    try:
        status = session.korvane.wait(60)
    except subprocess.TimeoutExpired:
        raise Failure("korvane did not end when its window was closed")
    if status != 0:
        raise Failure(f"korvane ended with status {status} when its window was closed")


def run(args):
    become_subreaper()
    check_no_display(args)
    session = Session(args)
    try:
        session.make_data()
        session.start_xvfb()
        session.start_dbus()
        window, area = open_window(session)

        # The icon a task bar or window switcher shows: the sizes rendered
        # from the installed icon, embedded in the program.
        try:
            wait_for("the window's icon", lambda: {16, 32, 48} <= session.icon_sizes(window),
                     timeout=10)
        except Failure:
            raise Failure(f"the window's icon has the sizes {sorted(session.icon_sizes(window))}, "
                          "not 16, 32 and 48")
        print(f"icon: the window shows its icon in {len(session.icon_sizes(window))} sizes")

        entries = session.find("Cache Entries", ("list",))
        tree = session.find("Destination", ("tree", "tree table"))
        # The scroll area's viewport, where the picture is shown at the top left.
        preview = area.getChildAtIndex(0) if area.childCount == 1 else area

        def row(label):
            cell = session.child_named(tree, label)
            if cell is None:
                return None
            point = centre(session.extents(cell))
            return point if inside(point, session.extents(tree), margin=2) else None

        # The tree at start: the home directory and what it holds in view.
        home_name = os.path.basename(session.home)
        for label in (home_name, *HOME_DIRS):
            wait_for(f"the row {label!r} in view at start", lambda: row(label), timeout=30)
        print("tree: opens at the home directory, its directories in view")

        def entry(n):
            item = wait_for(f"Entry {n}", lambda: session.child_named(entries, f"Entry {n}"))
            point = centre(session.extents(item))
            if not inside(point, session.extents(entries)):
                raise Failure(f"Entry {n} is not in view")
            return point

        # Preview: drag one entry onto the pane.
        expected = read_png_rgba(session.expected_png)
        pane = session.extents(preview)
        if preview_matches(session.screenshot(), expected, pane):
            raise Failure("the preview shows the multi before any drop")
        session.drag(entry(0), lambda: centre(pane))
        wait_for("the rendered multi in the Preview pane",
                 lambda: preview_matches(session.screenshot(), expected,
                                         session.extents(preview)), timeout=30, interval=0.5)
        print("preview: the pane shows korvane-cli's rendering of Entry 0")

        # Zoom, by the keys, wherever the keyboard is (still in the list).
        session.xdotool("key", "ctrl+plus")

        def twice():
            label = session.extents(preview.getChildAtIndex(0))
            return label[2] == 2 * expected.width and zoomed_matches(
                session.screenshot(), expected, session.extents(preview), label, 2)
        wait_for("the picture twice its size", twice, timeout=30, interval=0.5)
        session.xdotool("key", "ctrl+0")
        wait_for("the picture at its own size again",
                 lambda: preview_matches(session.screenshot(), expected,
                                         session.extents(preview)), timeout=30, interval=0.5)
        session.xdotool("key", "ctrl+9")
        # Fitted: whole in the pane, as large as it allows one way, from the
        # top left, with the picture's own proportions.
        left, top, right, bottom = opaque_box(expected)

        def fitted():
            pane = session.extents(preview)
            label = session.extents(preview.getChildAtIndex(0))
            scale = label[2] / expected.width
            if (scale >= 0.95 or label[:2] != pane[:2] or label[2] > pane[2]
                    or label[3] > pane[3] or min(pane[2] - label[2], pane[3] - label[3]) > 1
                    or abs(label[3] - expected.height * scale) > 1):
                return None
            box = picture_box(session.screenshot(), pane)
            want = (left * scale, top * scale, right * scale, bottom * scale)
            return box and all(abs(got - w) <= 2 for got, w in zip(box, want)) and box
        try:
            wait_for("the whole picture fitted to the pane", fitted, timeout=30, interval=0.5)
        except Failure:
            raise Failure(f"after Ctrl+9 the label is {session.extents(preview.getChildAtIndex(0))}"
                          f" in the pane {session.extents(preview)}, the picture covering "
                          f"{picture_box(session.screenshot(), session.extents(preview))}")
        print("zoom: Ctrl+plus twice the size pixel for pixel, Ctrl+0 back, Ctrl+9 fitted whole")

        # Export: two selected entries onto a fresh directory of the tree.
        session.click(entry(1))
        session.click(entry(2), ctrl=True)
        name = os.path.basename(session.dest)

        # From the home directory to the top of the tree, as a person would.
        session.click(wait_for("the home row", lambda: row(home_name)))
        session.xdotool("key", "Home")
        root = wait_for("the tree's root row", lambda: row("/"))
        session.click(root)
        session.xdotool("key", "Right")

        def open_row(label, then_expand):
            def reach():
                session.xdotool("type", "--delay", "40", label)
                time.sleep(0.3)
                return row(label)
            wait_for(f"the row {label!r} in view", reach, timeout=30, interval=0.5)
            if then_expand:
                session.xdotool("key", "Right")

        open_row("tmp", then_expand=True)
        open_row(name, then_expand=False)
        hover = {}

        def look_at(label):
            def look(point):
                hover[label] = session.screenshot(), session.extents(
                    session.child_named(tree, label))
                hover["point"] = point
            return look

        session.drag(entry(2), lambda: wait_for(f"the row {name!r} in view", lambda: row(name)),
                     hovering=look_at(name))
        # The drag's label: beside the pointer (below and right), not over the
        # row aimed at, whose name stays readable.
        x, y = hover["point"]
        shot, box = hover[name]
        beside = tooltip_pixels(shot, (x, y, 300, 120))
        over = tooltip_pixels(shot, box)
        if beside < 200 or over:
            raise Failure(f"the drag's label shows {beside} pixels beside the pointer and "
                          f"{over} over the row {name!r}")
        print("drag: a label of the entries beside the pointer, off the row aimed at")

        expected_files = sorted(os.listdir(session.expected_dir))
        if expected_files != ["Entry 1.mlt", "Entry 2.mlt"]:
            raise Failure(f"korvane-cli wrote {expected_files}")

        def written():
            files = sorted(os.listdir(session.dest))
            if files != expected_files:
                return None
            for file in files:
                with open(os.path.join(session.dest, file), "rb") as got, \
                        open(os.path.join(session.expected_dir, file), "rb") as want:
                    if got.read() != want.read():
                        return None
            return files

        try:
            wait_for("the two .mlt files", written, timeout=30, interval=0.5)
        except Failure:
            raise Failure(f"the destination holds {sorted(os.listdir(session.dest))}, "
                          f"not the bytes of {expected_files}")
        print(f"export: {', '.join(expected_files)} equal korvane-cli export's")
        for file in expected_files:
            wait_for(f"the row {file!r} in view after the drop", lambda: row(file), timeout=30)
        print("tree: the directory dropped on is open, the files written in view")

        # Entries dragged over a file: no drop indicator, and the drop refused.
        session.drag(entry(0), lambda: wait_for("a file's row", lambda: row("Entry 1.mlt")),
                     hovering=look_at("Entry 1.mlt"))
        outlined = indicator(*hover[name]), indicator(*hover["Entry 1.mlt"])
        time.sleep(1)
        if outlined[0] < 0.9 or outlined[1] > 0 or written() != expected_files:
            raise Failure(f"the drop indicator outlines {outlined[0]:.0%} of the directory's "
                          f"row, {outlined[1]:.0%} of a file's, whose drop wrote {written()}")
        print("drop target: outlined over the directory, not over a file, whose drop is refused")

        # A .mlt file from the tree onto the preview, at the own size chosen.
        session.xdotool("key", "ctrl+0")
        show_file(session, preview, "Entry 2.mlt", lambda: session.drag(
            wait_for("the row 'Entry 2.mlt'", lambda: row("Entry 2.mlt")),
            lambda: centre(session.extents(preview))))
        panes = session.extents(area)
        close_window(session, window)
        print("close: korvane ended with status 0")

        # Opened with a file, as a file manager's double click does: the same
        # panes as without one.
        window, area = open_window(session, session.keep_mlt)
        if session.extents(area) != panes:
            raise Failure(f"the Preview pane is {session.extents(area)}, not {panes}")
        show_file(session, area, "big keep.mlt")
        close_window(session, window)
        return 0
    except (Failure, subprocess.CalledProcessError) as error:
        print(f"FAIL: {error}", file=sys.stderr)
        try:
            session.screenshot()
        except Exception:
            pass
        if os.path.exists(session.shot_path):
            kept = os.path.join(tempfile.gettempdir(), f"kvwin-failure-{session.token}.ppm")
            shutil.copy(session.shot_path, kept)
            print(f"last screenshot: {kept}", file=sys.stderr)
        return 1
    finally:
        session.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--korvane", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--demodata", required=True)
    args = parser.parse_args()
    # Stopped from outside, the test still ends what it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("FAIL: stopped"))
    for tool in ("Xvfb", "xdotool", "xwd", "xprop", "convert", "dbus-daemon"):
        if shutil.which(tool) is None:
            print(f"FAIL: {tool} is missing (scripts/setup.sh installs it)", file=sys.stderr)
            return 1
    return run(args)


if __name__ == "__main__":
    sys.exit(main())
