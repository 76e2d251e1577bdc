#!/usr/bin/python3
"""The .mlt type and thumbnailer of an installed tree, as a desktop uses them.

Given an installed tree (PREFIX/bin, PREFIX/share: a "cmake --install" or an
unpacked package), with a demo set written and exported by its own programs:

- the MIME database built from its package, as the package's trigger builds
  it, names the type of a demo .mlt file (any case of the extension) for
  "gio info" and "xdg-mime query filetype", with its comment and icon;
- with a second type claiming *.mlt installed beside it, before or after
  ours, the content decides: the demo files stay ours, an XML or text .mlt
  file is the other type's;
- the desktop's thumbnail service (tumbler over D-Bus, in a session bus of
  the test's own, which starts it as a file manager's session does) makes a
  thumbnail of a demo .mlt file in the user's thumbnail cache with our
  thumbnailer entry: the keep reduced to the size asked, its pixels those of
  "korvane-cli render --trim" reduced alike, and a house whole, pixel for
  pixel; a damaged .mlt file gets an error and no thumbnail, and the service
  goes on thumbnailing; nothing is written beside the .mlt files;
- the desktop entry, its applications' cache updated as the package's trigger
  does, is the default application of a demo .mlt file for "gio mime" and
  "xdg-mime query default", not of another program's .mlt file.

Skipped (status 77) when a tool is missing, unless CI=true.

usage: desktop_test.py --prefix PREFIX
       desktop_test.py --build BUILD_DIR   (installs it into a temporary prefix)
"""

import argparse
import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile

SKIPPED = 77
OURS = "application/x-korvane-multi"
OTHER = "application/x-test-other-mlt"
OTHER_TYPE = f"""<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="{OTHER}">
    <comment>Another program's .mlt file</comment>
    <glob pattern="*.mlt"/>
  </mime-type>
</mime-info>
"""
SERVICE = "org.freedesktop.thumbnails.Thumbnailer1"
SERVICE_PATH = "/org/freedesktop/thumbnails/Thumbnailer1"


class Failure(Exception):
    pass


def run(command, env=None, timeout=120):
    result = subprocess.run(command, env=env, capture_output=True, text=True, timeout=timeout)
    if result.returncode != 0:
        raise Failure(f"{' '.join(command)}: status {result.returncode}: {result.stderr.strip()}")
    return result.stdout


def mime_database(work, name, package_files):
    """A data directory whose MIME database holds the given packages."""
    packages = os.path.join(work, name, "mime", "packages")
    os.makedirs(packages)
    for source, text in package_files:
        target = os.path.join(packages, os.path.basename(source))
        if text is None:
            shutil.copy(source, target)
        else:
            with open(target, "w") as file:
                file.write(text)
    # As the package's trigger does; a package it finds fault with fails here.
    out = subprocess.run(["update-mime-database", os.path.dirname(packages)],
                         capture_output=True, text=True)
    if out.returncode != 0 or "rror" in out.stderr:
        raise Failure(f"update-mime-database on {name}: {out.stderr.strip()}")
    return os.path.join(work, name)


def content_type(path, data_dirs, env):
    env = dict(env, XDG_DATA_DIRS=data_dirs, XDG_CURRENT_DESKTOP="GNOME")
    gio = run(["gio", "info", "-a", "standard::content-type", path], env)
    by_gio = gio.split("standard::content-type:")[1].strip()
    by_xdg = run(["xdg-mime", "query", "filetype", path], env).strip()
    if by_gio != by_xdg:
        raise Failure(f"{path}: gio says {by_gio}, xdg-mime {by_xdg}")
    return by_gio


def check_types(prefix, files, env, work):
    ours = mime_database(work, "ours", [(p, None) for p in
                                        sorted(find(prefix, "share/mime/packages"))])
    other = mime_database(work, "other", [("other.xml", OTHER_TYPE)])
    expected = {
        "alone": (f"{ours}:/usr/share", {"keep": OURS, "upper": OURS}),
        "other type first": (f"{other}:{ours}:/usr/share",
                             {"keep": OURS, "upper": OURS, "xml": OTHER, "text": OTHER}),
        "ours first": (f"{ours}:{other}:/usr/share",
                       {"keep": OURS, "upper": OURS, "xml": OTHER, "text": OTHER}),
    }
    for case, (data_dirs, want) in expected.items():
        for key, mime in want.items():
            got = content_type(files[key], data_dirs, env)
            if got != mime:
                raise Failure(f"{case}: {os.path.basename(files[key])} is {got}, not {mime}")
    # What a file manager shows for the type: its comment and our icon.
    env = dict(env, XDG_DATA_DIRS=f"{ours}:/usr/share")
    comment = run([sys.executable, "-c", "import gi; from gi.repository import Gio; "
                   f"print(Gio.content_type_get_description('{OURS}'))"], env).strip()
    icon = run(["gio", "info", "-a", "standard::icon", files["keep"]], env)
    if comment != "Korvane multi" or "icon: example.korvane.extractor," not in icon:
        raise Failure(f"the type's comment is '{comment}', its icons {icon.splitlines()[-1]}")
    print("desktop: MIME type names the demo files, with another type's XML and text "
          ".mlt files left to it")
    return ours


def find(prefix, under):
    directory = os.path.join(prefix, under)
    return [os.path.join(directory, name) for name in os.listdir(directory)]


class Thumbnails:
    """The thumbnail service of a session bus of our own, as a file manager
    asks it: Queue, then its Ready, Error and Finished signals."""

    def __init__(self, env):
        import gi
        gi.require_version("Gio", "2.0")
        from gi.repository import Gio, GLib
        self.Gio, self.GLib = Gio, GLib
        self.bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                                    text=True, start_new_session=True)
        address = self.bus.stdout.readline().strip()
        if not address:
            raise Failure("dbus-daemon gave no address")
        self.connection = Gio.DBusConnection.new_for_address_sync(
            address, Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        # The bus starts the service from its service file, with the bus's
        # environment: the test's data directories, cache and configuration.
        self.proxy = Gio.DBusProxy.new_sync(self.connection, Gio.DBusProxyFlags.NONE, None,
                                            SERVICE, SERVICE_PATH, SERVICE, None)
        self.events = []
        self.proxy.connect("g-signal", lambda _p, _s, name, values:
                           self.events.append((name, values.unpack())))

    def call(self, method, values=None, signature=None):
        arguments = self.GLib.Variant(signature, values) if signature else None
        return self.proxy.call_sync(method, arguments, self.Gio.DBusCallFlags.NONE, 60000,
                                    None).unpack()

    def queue(self, uris, mime_types, flavor):
        """The URIs made ready and those that failed, once the service says
        it finished."""
        (handle,) = self.call("Queue", (uris, mime_types, flavor, "default", 0), "(asasssu)")
        context = self.GLib.MainContext.default()
        deadline = self.GLib.get_monotonic_time() + 60 * 1000000
        while ("Finished", (handle,)) not in self.events:
            if self.GLib.get_monotonic_time() > deadline:
                raise Failure("the thumbnail service did not finish in 60 s")
            context.iteration(True)
        ready = [u for name, v in self.events if name == "Ready" and v[0] == handle for u in v[1]]
        failed = [u for name, v in self.events if name == "Error" and v[0] == handle for u in v[1]]
        return ready, failed

    def close(self):
        os.killpg(self.bus.pid, signal.SIGTERM)
        self.bus.wait()


def load(path):
    """(width, height, pixels) of a picture, each pixel (r, g, b, a)
    premultiplied, so that transparent pixels compare equal."""
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    return pixels_of(GdkPixbuf.Pixbuf.new_from_file(path))


def pixels_of(pixbuf):
    width, height, stride = pixbuf.get_width(), pixbuf.get_height(), pixbuf.get_rowstride()
    channels, data = pixbuf.get_n_channels(), pixbuf.get_pixels()
    pixels = []
    for y in range(height):
        for x in range(width):
            at = y * stride + x * channels
            r, g, b = data[at:at + 3]
            a = data[at + 3] if channels == 4 else 255
            pixels.append((r * a // 255, g * a // 255, b * a // 255, a))
    return width, height, pixels


def picture_size(path):
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    _, width, height = GdkPixbuf.Pixbuf.get_file_info(path)
    return width, height


def reduced(path, width, height):
    """The picture at `path` reduced smoothly to width x height."""
    import gi
    gi.require_version("GdkPixbuf", "2.0")
    from gi.repository import GdkPixbuf
    picture = GdkPixbuf.Pixbuf.new_from_file(path)
    return pixels_of(picture.scale_simple(width, height, GdkPixbuf.InterpType.HYPER))


def difference(a, b):
    """The mean difference of two pictures' channels, 0 to 255."""
    return sum(abs(p - q) for x, y in zip(a, b) for p, q in zip(x, y)) / (4 * len(a))


def fit(width, height, size):
    if width <= size and height <= size:
        return width, height
    if width >= height:
        return size, max(1, round(height * size / width))
    return max(1, round(width * size / height)), size


def check_thumbnails(prefix, files, env, work, ours):
    env = dict(env, XDG_DATA_DIRS=f"{ours}:{prefix}/share:/usr/share",
               PATH=f"{prefix}/bin:{env['PATH']}")
    references = {}
    for key in ("keep", "house"):
        references[key] = os.path.join(work, f"{key}.png")
        run([f"{prefix}/bin/korvane-cli", "render", files[key], "--trim", "-o",
             references[key]], env)
    before = sorted(os.listdir(os.path.dirname(files["keep"])))
    service = Thumbnails(env)
    try:
        schemes, mime_types = service.call("GetSupported")
        if ("file", OURS) not in zip(schemes, mime_types):
            raise Failure(f"the service offers no thumbnailer for {OURS} files")
        from gi.repository import Gio
        uri = {key: Gio.File.new_for_path(path).get_uri() for key, path in files.items()}

        ready, failed = service.queue([uri["keep"], uri["text"]], [OURS, OURS], "normal")
        if ready != [uri["keep"]] or failed != [uri["text"]]:
            raise Failure(f"ready {ready}, failed {failed}")
        cache = os.path.join(env["XDG_CACHE_HOME"], "thumbnails")
        thumbnail = {key: os.path.join(cache, "{}", hashlib.md5(uri[key].encode()).hexdigest() +
                                       ".png") for key in uri}
        if os.path.exists(thumbnail["text"].format("normal")):
            raise Failure("a thumbnail of the damaged .mlt file is in the cache")

        # The keep reduced to fit 128 x 128: as its picture reduced alike,
        # and unlike the house's.
        width, height, pixels = load(thumbnail["keep"].format("normal"))
        full_width, full_height = picture_size(references["keep"])
        if (width, height) != fit(full_width, full_height, 128):
            raise Failure(f"the keep's thumbnail is {width} x {height}, not the "
                          f"{full_width} x {full_height} picture reduced to fit 128")
        near = difference(pixels, reduced(references["keep"], width, height)[2])
        far = difference(pixels, reduced(references["house"], width, height)[2])
        if not (near < 6 and far > 3 * near):
            raise Failure(f"the keep's thumbnail differs by {near:.1f} from the keep's picture "
                          f"and by {far:.1f} from a house's")

        # A house smaller than the size asked: its picture, pixel for pixel.
        ready, failed = service.queue([uri["house"]], [OURS], "x-large")
        if ready != [uri["house"]]:
            raise Failure(f"the house: ready {ready}, failed {failed}")
        got, want = load(thumbnail["house"].format("x-large")), load(references["house"])
        if got != want:
            raise Failure(f"the house's thumbnail ({got[0]} x {got[1]}) is not its picture "
                          f"({want[0]} x {want[1]}): {difference(got[2], want[2]) if got[:2] == want[:2] else ''}")
        print(f"desktop: thumbnails of the keep ({width} x {height}, mean difference "
              f"{near:.1f} from its picture, {far:.1f} from a house's) and of a house "
              f"(its picture exactly); none of the damaged file")
    finally:
        service.close()
    after = sorted(os.listdir(os.path.dirname(files["keep"])))
    if after != before:
        raise Failure(f"files appeared beside the .mlt files: {set(after) - set(before)}")


def check_opening(prefix, files, env, work, ours):
    apps = os.path.join(work, "apps", "applications")
    shutil.copytree(os.path.join(prefix, "share", "applications"), apps)
    entry = os.listdir(apps)[0]
    run(["update-desktop-database", apps])  # as the package's trigger does
    data_dirs = f"{ours}:{os.path.join(work, 'other')}:{os.path.dirname(apps)}:/usr/share"
    # gio offers only programs that are on PATH.
    env = dict(env, XDG_DATA_DIRS=data_dirs, PATH=f"{prefix}/bin:{env['PATH']}")
    for key, want in (("keep", entry), ("xml", "")):
        mime = content_type(files[key], data_dirs, env)
        by_xdg = run(["xdg-mime", "query", "default", mime], env).strip()
        by_gio = run(["gio", "mime", mime], env).splitlines()[0]
        if by_xdg != want or by_gio.endswith(f": {entry}") != bool(want):
            raise Failure(f"{os.path.basename(files[key])} ({mime}): xdg-mime's default is "
                          f"'{by_xdg}', gio says '{by_gio}'")
    print(f"desktop: {entry} opens the demo .mlt files by default, not another type's")


def main():
    parser = argparse.ArgumentParser()
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--prefix")
    where.add_argument("--build")
    options = parser.parse_args()
    tools = ["update-mime-database", "update-desktop-database", "gio", "xdg-mime", "dbus-daemon"]
    missing = [tool for tool in tools if not shutil.which(tool)]
    try:
        import gi
        gi.require_version("Gio", "2.0")
        gi.require_version("GdkPixbuf", "2.0")
    except (ImportError, ValueError):
        missing.append("python3-gi with Gio and GdkPixbuf")
    if not any(os.path.exists(os.path.join(d, "dbus-1/services/org.xfce.Tumbler.Thumbnailer1"
                                              ".service")) for d in ["/usr/share"]):
        missing.append("tumbler")
    if missing:
        print(f"desktop: missing {', '.join(missing)} (scripts/setup.sh test installs them)",
              file=sys.stderr)
        return 1 if os.environ.get("CI") == "true" else SKIPPED

    work = tempfile.mkdtemp(prefix="korvane-desktop-")
    try:
        prefix = os.path.abspath(options.prefix or os.path.join(work, "prefix"))
        if options.build:
            run(["cmake", "--install", options.build, "--prefix", prefix])
        home = os.path.join(work, "home")
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"),
                   XDG_DATA_HOME=os.path.join(home, ".local/share"))
        env.pop("XDG_CONFIG_DIRS", None)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        os.makedirs(home)
        # The user's demo set, configured, and a folder of its multis.
        demo, folder = os.path.join(home, "demo"), os.path.join(home, "multis folder")
        os.makedirs(folder)
        run([f"{prefix}/bin/korvane-demodata", demo], env)
        run([f"{prefix}/bin/korvane-cli", "config", demo], env)
        entries = [line.split("\t") for line in
                   run([f"{prefix}/bin/korvane-cli", "list"], env).splitlines()]
        keep = max(entries, key=lambda row: int(row[1]))[0]
        run([f"{prefix}/bin/korvane-cli", "export", folder, keep, "Entry 0"], env)
        files = {"keep": os.path.join(folder, f"{keep}.mlt"),
                 "house": os.path.join(folder, "Entry 0.mlt"),
                 "upper": os.path.join(folder, "KEEP.MLT"),
                 "xml": os.path.join(folder, "project.mlt"),
                 "text": os.path.join(folder, "notes.mlt")}
        shutil.copy(files["keep"], files["upper"])
        with open(files["xml"], "w") as file:
            file.write('<?xml version="1.0"?>\n<mlt><producer id="a"/></mlt>\n')
        with open(files["text"], "w") as file:
            file.write("notes\n")

        ours = check_types(prefix, files, env, work)
        check_thumbnails(prefix, files, env, work, ours)
        check_opening(prefix, files, env, work, ours)
    except (Failure, subprocess.SubprocessError, OSError) as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("desktop: all good")
    return 0


if __name__ == "__main__":
    sys.exit(main())
