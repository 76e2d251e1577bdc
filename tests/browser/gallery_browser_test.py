#!/usr/bin/python3
"""The gallery's first page in a real browser.

Writes the large demo set, draws a gallery of its first 600 entries (two
pages) with korvane-cli, and opens DIR/index.html in headless Chromium:

- the page as the browser parsed it holds 500 cards, each <img> naming a
  picture in DIR that is a whole PNG of the size the page gives, and links
  to page 2;
- the browser's log shows no console message and no failed load;
- a screenshot has the window's size, the page's background in its corner,
  and the cards, the checkerboard behind the pictures and the pictures' own
  colours in its first rows of cards.

Skipped (status 77) when Chromium is missing, unless CI=true.

usage: gallery_browser_test.py --cli EXE --demodata EXE
"""

import argparse
import html.parser
import os
import signal
import struct
import subprocess
import sys
import tempfile
import urllib.parse
import zlib

CHROMIUM = os.environ.get("KORVANE_CHROMIUM", "/usr/bin/chromium")
WINDOW = (1280, 900)
ENTRIES = 600
SKIPPED = 77


class Failure(Exception):
    pass


def run(command, timeout=300, **options):
    """Runs a command in a session of its own; on timeout that session ends."""
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               start_new_session=True, **options)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        raise Failure(f"{command[0]} did not finish in {timeout} s")
    return process.returncode, out, err


def png_chunks(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("no PNG signature")
    at = 8
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        (crc,) = struct.unpack(">I", data[at + 8 + length:at + 12 + length])
        if len(body) != length or zlib.crc32(kind + body) != crc:
            raise ValueError(f"chunk {kind!r} cut short or damaged")
        yield kind, body
        at += 12 + length
        if kind == b"IEND":
            return
    raise ValueError("no IEND chunk")


def decode_png(data, unfilter=True):
    """(width, height, channels, rows) of an 8-bit PNG (a palette one: its
    indices); rows only when
    unfilter is set. Raises ValueError on any damage."""
    header, idat = None, b""
    for kind, body in png_chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    if header is None:
        raise ValueError("no IHDR chunk")
    width, height, depth, colour, _, _, interlace = header
    channels = {2: 3, 3: 1, 6: 4}.get(colour)  # 3: palette indices
    if depth != 8 or channels is None or interlace != 0:
        raise ValueError(f"unexpected PNG layout {header}")
    raw = zlib.decompress(idat)
    stride = width * channels
    if len(raw) != height * (stride + 1):
        raise ValueError("pixel data of the wrong length")
    if not unfilter:
        return width, height, channels, None
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for x in range(channels, stride):
                row[x] = (row[x] + row[x - channels]) & 255
        elif kind == 2:
            row = bytearray((a + b) & 255 for a, b in zip(row, previous))
        elif kind == 3:
            for x in range(stride):
                left = row[x - channels] if x >= channels else 0
                row[x] = (row[x] + ((left + previous[x]) >> 1)) & 255
        elif kind == 4:
            for x in range(stride):
                a = row[x - channels] if x >= channels else 0
                b = previous[x]
                c = previous[x - channels] if x >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        elif kind != 0:
            raise ValueError(f"filter type {kind}")
        rows.append(row)
        previous = row
    return width, height, channels, rows


class Images(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.images, self.links = [], []

    def handle_starttag(self, tag, attributes):
        values = dict(attributes)
        if tag == "img":
            self.images.append(values)
        elif tag == "a" and "href" in values:
            self.links.append(values["href"])


def chromium(profile, *arguments):
    command = [CHROMIUM, "--headless", "--disable-gpu", "--no-first-run",
               "--enable-logging=stderr", "--v=0", f"--user-data-dir={profile}",
               "--allow-file-access-from-files"]
    if os.geteuid() == 0:
        command.append("--no-sandbox")
    status, out, err = run(command + list(arguments), timeout=120)
    if status != 0:
        raise Failure(f"chromium exited with {status}: {err.decode(errors='replace')[-2000:]}")
    return out, err.decode(errors="replace")


def check_log(log, what):
    for line in log.splitlines():
        if ":CONSOLE(" in line or "ERR_FILE_NOT_FOUND" in line or "Failed to load" in line:
            raise Failure(f"{what}: the browser said: {line}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--demodata", required=True)
    options = parser.parse_args()
    if not os.access(CHROMIUM, os.X_OK):
        if os.environ.get("CI") == "true":
            raise Failure(f"{CHROMIUM} is missing, and CI=true: install chromium")
        print(f"skipped: {CHROMIUM} is missing")
        return SKIPPED

    with tempfile.TemporaryDirectory(prefix="korvane-browser-") as work:
        data, sheet = os.path.join(work, "large"), os.path.join(work, "sheet")
        status, _, err = run([options.demodata, "--large", data])
        if status != 0:
            raise Failure(f"korvane-demodata failed: {err.decode(errors='replace')}")
        config = os.path.join(data, "korvane.xml")
        entries = [str(n) for n in range(ENTRIES)]
        status, out, err = run([options.cli, "gallery", sheet, "--config", config] + entries)
        if status != 0 or not out.endswith(b" and index.html (2 pages) to " + sheet.encode() + b"\n"):
            raise Failure(f"korvane-cli gallery: {status} {out!r} {err!r}")
        page = "file://" + urllib.parse.quote(os.path.join(sheet, "index.html"))

        # The page as parsed: 500 cards, every picture there and whole.
        dom, log = chromium(os.path.join(work, "profile-dom"), "--virtual-time-budget=5000",
                            "--dump-dom", page)
        check_log(log, "opening index.html")
        parsed = Images()
        parsed.feed(dom.decode())
        if len(parsed.images) < 400 or len(parsed.images) > 500:
            raise Failure(f"the first page shows {len(parsed.images)} pictures")
        if "page-2.html" not in parsed.links:
            raise Failure("the first page does not link to page 2")
        for image in parsed.images:
            name = urllib.parse.unquote(image["src"])
            path = os.path.join(sheet, name)
            if os.path.dirname(os.path.normpath(path)) != sheet:
                raise Failure(f"{name} is outside the gallery")
            try:
                with open(path, "rb") as picture:
                    width, height, _, _ = decode_png(picture.read(), unfilter=False)
            except (OSError, ValueError) as error:
                raise Failure(f"{name}: {error}")
            if (str(width), str(height)) != (image["width"], image["height"]):
                raise Failure(f"{name} is {width} x {height}, the page says "
                              f"{image['width']} x {image['height']}")

        # What the browser drew.
        shot = os.path.join(work, "shot.png")
        _, log = chromium(os.path.join(work, "profile-shot"), "--hide-scrollbars",
                          "--virtual-time-budget=5000", f"--window-size={WINDOW[0]},{WINDOW[1]}",
                          f"--screenshot={shot}", page)
        check_log(log, "drawing index.html")
        with open(shot, "rb") as file:
            width, height, channels, rows = decode_png(file.read())
        if (width, height) != WINDOW:
            raise Failure(f"the screenshot is {width} x {height}, not {WINDOW[0]} x {WINDOW[1]}")
        pixel = lambda x, y: tuple(rows[y][x * channels:x * channels + 3])
        if pixel(4, 4) != (242, 242, 242):
            raise Failure(f"the page's background is {pixel(4, 4)}")
        seen = set()
        for y in range(150, height, 3):
            for x in range(0, width, 3):
                seen.add(pixel(x, y))
        painted = [c for c in seen if max(c) - min(c) > 60]
        for colour, what in (((255, 255, 255), "the cards"), ((221, 221, 221), "the checkerboard")):
            if colour not in seen:
                raise Failure(f"the screenshot does not show {what}")
        if len(painted) < 50:
            raise Failure(f"the screenshot shows {len(painted)} colours of pictures, "
                          "too few for pictures drawn")
    print(f"ok: {len(parsed.images)} pictures on the first page")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
