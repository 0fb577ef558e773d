#!/usr/bin/env python3
"""Peak memory and time of `nimbrel build` given hostile pictures.

  bench/hostile_pictures.py [--build-dir build] [--runs 3]

Each picture is offered twice: as the first icon link of a page served on
127.0.0.1 (`--fetch-icon`; a sound 300-pixel PNG follows it, so the search
ends there) and as `--icon FILE`. Peak memory is the whole nimbrel process's
(ru_maxrss from wait4), time the median whole-process time; "added" is the
time over the same build with only the sound picture. Targets: peak under
150 MiB, at most 2 s added by any one picture.
"""
import argparse
import http.server
import os
import statistics
import struct
import subprocess
import tempfile
import threading
import time
import zlib

TOOLS = ["iconutil", "xattr", "codesign", "ditto", "xcrun", "lsregister"]


def png(width, height, color_type=0, row=None):
    """A PNG of `width` x `height` (grey by default) whose rows are all `row`, streamed into zlib."""
    channels = {0: 1, 2: 3, 6: 4}[color_type]
    row = row if row is not None else b"\0" * (width * channels)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    packer = zlib.compressobj(9)
    parts = []
    line = b"\0" + row
    block = line * max(1, (1 << 22) // len(line))
    rows_per_block = len(block) // len(line)
    left = height
    while left > 0:
        n = min(left, rows_per_block)
        parts.append(packer.compress(block if n == rows_per_block else line * n))
        left -= n
    parts.append(packer.flush())
    header = struct.pack(">IIBBBBB", width, height, 8, color_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", b"".join(parts)) + chunk(b"IEND", b"")


def animated_gif(width, height, frames):
    """A GIF whose screen is width x height and whose frames are one pixel each."""
    out = b"GIF89a" + struct.pack("<HHBBB", width, height, 0x80, 0, 0) + b"\xff\0\0\0\0\0"
    for _ in range(frames):
        out += b"\x21\xf9\x04\x00\x0a\x00\x00\x00"  # graphic control: 0.1 s
        out += b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00"
    return out + b"\x3b"


def sound_png():
    return png(300, 300, 2, b"\x20\x60\xc0" * 300)


def pictures(folder):
    """Name -> path of each hostile picture."""
    made = {
        "svg-32000x32000.svg": ('<svg xmlns="http://www.w3.org/2000/svg" width="32000" height="32000">'
                                '<rect width="32000" height="32000" fill="red"/></svg>').encode(),
        "png-30000x30000.png": png(30000, 30000),
        "png-16000x16000.png": png(16000, 16000),
        "png-8000x8000-rgba.png": png(8000, 8000, 6, b"\x10\x20\x30\xff" * 8000),
        "gif-4096x4096-200-frames.gif": animated_gif(4096, 4096, 200),
        "bmp-30000x30000-header.bmp": b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) +
                                      struct.pack("<IiiHHIIiiII", 40, 30000, 30000, 1, 24, 0, 0, 0, 0, 0, 0),
    }
    paths = {}
    for name, data in made.items():
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        paths[name] = path
    big = os.path.join(folder, "sparse-1.5GB.png")
    with open(big, "wb") as f:
        f.truncate(1536 << 20)
    paths["sparse-1.5GB.png"] = big
    fifo = os.path.join(folder, "fifo.png")
    os.mkfifo(fifo)
    paths["fifo.png"] = fifo
    paths["/dev/zero"] = "/dev/zero"
    return paths


class Site(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    handler = lambda *a, **k: Site(*a, directory=folder, **k)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def measured(command, env):
    """Seconds and peak resident MiB of one whole run."""
    start = time.perf_counter()
    proc = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.perf_counter() - start
    proc.stderr.close()
    return seconds, usage.ru_maxrss / 1024, os.waitstatus_to_exitcode(status)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    nimbrel = os.path.abspath(os.path.join(args.build_dir, "nimbrel"))
    bundle = os.path.abspath(os.path.join(args.build_dir, "Nimbrel.app"))

    with tempfile.TemporaryDirectory(prefix="nimbrel-hostile-") as scratch:
        env = dict(os.environ)
        for var in ("XDG_DATA_HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "TMPDIR"):
            env[var] = os.path.join(scratch, var.lower())
            os.makedirs(env[var])
        tools = os.path.join(bundle, "Contents", "Resources", "tools")
        if not all(os.access(os.path.join(tools, t), os.X_OK) for t in TOOLS):
            raise SystemExit("build the stand-in tools first (cmake --build build --target nimbrel)")
        site = os.path.join(scratch, "site")
        os.makedirs(site)
        with open(os.path.join(site, "sound.png"), "wb") as f:
            f.write(sound_png())
        paths = pictures(site)
        server = serve(site)
        base = f"http://127.0.0.1:{server.server_address[1]}"
        out = os.path.join(scratch, "out")
        os.makedirs(out)

        def page(name):
            links = (f'<link rel="icon" href="/{name}">' if name else "") + '<link rel="icon" href="/sound.png">'
            page_name = f"page-{len(os.listdir(site))}.html"
            with open(os.path.join(site, page_name), "w") as f:
                f.write(f"<html><head>{links}</head></html>")
            return f"{base}/{page_name}"

        def run(extra):
            results = [measured([nimbrel, "build", "--name", "Bench", "--out", out, "--replace", *extra], env)
                       for _ in range(args.runs)]
            return (statistics.median(r[0] for r in results), max(r[1] for r in results),
                    sorted({r[2] for r in results}))

        fetch_base, fetch_rss, _ = run(["--url", page(None), "--fetch-icon"])
        icon_base, icon_rss, _ = run(["--url", "example.org", "--icon", os.path.join(site, "sound.png")])
        print(f"nimbrel: {nimbrel}, median of {args.runs} runs; targets: peak < 150 MiB, added <= 2 s\n")
        print(f"{'picture':30} {'size':>10}  {'--fetch-icon':>24}  {'--icon FILE':>30}")
        print(f"{'(sound 300 px PNG only)':30} {'':>10}  {fetch_base:6.2f} s {fetch_rss:6.1f} MiB {'':>6}  "
              f"{icon_base:6.2f} s {icon_rss:6.1f} MiB")
        worst_rss, worst_added = max(fetch_rss, icon_rss), 0.0
        for name, path in paths.items():
            size = os.stat(path).st_size if os.path.isfile(path) else 0
            label = f"{size / 1024:8.0f} KB" if size else "-"
            if os.path.isfile(path) and not name.startswith("sparse"):
                f_time, f_rss, _ = run(["--url", page(os.path.basename(path)), "--fetch-icon"])
                fetch = f"{f_time:6.2f} s {f_rss:6.1f} MiB +{f_time - fetch_base:4.2f} s"
                worst_rss, worst_added = max(worst_rss, f_rss), max(worst_added, f_time - fetch_base)
            else:
                fetch = "-"
            i_time, i_rss, codes = run(["--url", "example.org", "--icon", path])
            worst_rss, worst_added = max(worst_rss, i_rss), max(worst_added, i_time - icon_base)
            icon = f"{i_time:6.2f} s {i_rss:6.1f} MiB +{i_time - icon_base:4.2f} s exit {','.join(map(str, codes))}"
            print(f"{name:30} {label:>10}  {fetch:>24}  {icon:>30}")
        print(f"\nworst peak {worst_rss:.1f} MiB, worst added time {worst_added:.2f} s")
        server.shutdown()


if __name__ == "__main__":
    main()
