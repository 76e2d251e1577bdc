#!/usr/bin/python3
"""The page of korvane-cli diff --gallery in a real browser.

Writes the demo set, a second version of it with its multi cache reversed
and its last entry gone (every entry renumbered, one removed) and with the
walls of one entry swapped by editing its cache lines, draws the differences
with korvane-cli diff --gallery, and opens DIR/index.html in headless
Chromium: every <img> on the page as the browser parsed it names a picture
in DIR that is a whole PNG of the size the page gives, the changed entry's
card holds an old and a new picture, and the browser's log shows no console
message and no failed load.

Skipped (status 77) when Chromium is missing, unless CI=true.

usage: diff_browser_test.py --cli EXE --demodata EXE
"""

import argparse
import os
import sys
import tempfile
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gallery_browser_test import (CHROMIUM, SKIPPED, Failure, Images, check_log, chromium,  # noqa: E402
                                  decode_png, run)


def entries(text):
    """The cache text's entries: lists of lines, each a header and its components."""
    lines, result = text.split("\n"), []
    at = 0
    while at < len(lines):
        if lines[at].count("\t") == 6:
            count = int(lines[at].split("\t")[2])
            result.append(lines[at:at + 1 + count])
            at += 1 + count
        else:
            at += 1
    return result


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

    with tempfile.TemporaryDirectory(prefix="korvane-diff-browser-") as work:
        old, sheet = os.path.join(work, "old"), os.path.join(work, "sheet")
        status, _, err = run([options.demodata, old])
        if status != 0:
            raise Failure(f"korvane-demodata failed: {err.decode(errors='replace')}")
        with open(os.path.join(old, "multicache.txt")) as file:
            multis = entries(file.read())
        # Entry 0's walls (graphics 512 to 543) of another material.
        walls = [multis[0][0]]
        for line in multis[0][1:]:
            fields = line.split("\t")
            graphic = int(fields[0])
            if 512 <= graphic < 544:
                fields[0] = str(512 + (graphic - 512 + 8) % 32)
            walls.append("\t".join(fields))
        updated = [walls] + multis[1:-1]
        updated.reverse()
        new = os.path.join(work, "new")
        os.mkdir(new)
        for name in ("art-index.bin", "art-data.bin", "tiledata.bin"):
            os.symlink(os.path.join(old, name), os.path.join(new, name))
        with open(os.path.join(new, "multicache.txt"), "w") as file:
            file.write("\n".join(line for multi in updated for line in multi) + "\n")

        status, out, err = run([options.cli, "diff", old, new, "--gallery", sheet])
        if status != 1 or not err.endswith(b" and index.html to " + sheet.encode() + b"\n"):
            raise Failure(f"korvane-cli diff: {status} {out!r} {err!r}")
        page = "file://" + urllib.parse.quote(os.path.join(sheet, "index.html"))
        dom, log = chromium(os.path.join(work, "profile"), "--virtual-time-budget=5000",
                            "--dump-dom", page)
        check_log(log, "opening the diff page")
        parsed = Images()
        parsed.feed(dom.decode())
        names = sorted(urllib.parse.unquote(image["src"]) for image in parsed.images)
        last = len(multis) - 1
        if names != sorted(["old Entry 0.png", f"new Entry {last - 1}.png", f"old Entry {last}.png"]):
            raise Failure(f"the page shows {names}")
        # Two cards: the changed entry's, old and new side by side, and the removed one's.
        if dom.count(b"<figure") != 2 or b'<p class="change">changed</p>' not in dom:
            raise Failure("the page does not show the changed entry as one card")
        for image in parsed.images:
            name = urllib.parse.unquote(image["src"])
            path = os.path.join(sheet, name)
            if os.path.dirname(os.path.normpath(path)) != sheet:
                raise Failure(f"{name} is outside the gallery")
            try:
                with open(path, "rb") as picture:
                    width, height, _, _ = decode_png(picture.read())
            except (OSError, ValueError) as error:
                raise Failure(f"{name}: {error}")
            if (str(width), str(height)) != (image["width"], image["height"]):
                raise Failure(f"{name} is {width} x {height}, the page says "
                              f"{image['width']} x {image['height']}")
    print(f"ok: {len(parsed.images)} pictures on the diff page")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(1)
