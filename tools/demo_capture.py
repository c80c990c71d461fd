#!/usr/bin/env python3
"""Runs Notify.exe from a program folder and saves a screenshot of each message it shows.
A message counts as shown once a new ID reaches the seen-message cache, which Notify
writes right after the popup appears; IDs already there from an earlier run in the same
Wine prefix are not counted. Run it inside tools/winenv.sh.

With --publish CATALOGUE, the catalogue is signed with a key made for this run (in a
temporary folder, removed afterwards) and served on 127.0.0.1 over plain http, which Notify
allows for the loopback address only, and APP's Message.xml is pointed at it."""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import published_host  # noqa: E402


def cache_ids(prefix):
    ids = []
    for path in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming", "Korvane", "**",
                                       "MessageCache.xml"), recursive=True):
        with open(path, "rb") as f:
            ids += re.findall(rb"<ID>(.*?)</ID>", f.read())
    return ids


def publish(app, catalogue, scratch):
    """Serves the signed catalogue and adds Source, SourceKey and SourceEvery to APP's root."""
    key = published_host.SigningKey(scratch)
    with open(catalogue, "rb") as f:
        body = f.read()
    host = published_host.Host().start()
    host.publish("/Message.xml", body, key.sign(body))
    local = os.path.join(app, "Message.xml")
    with open(local, encoding="utf-8") as f:
        text = f.read()
    attributes = f'Source="{host.url("/Message.xml")}" SourceKey="{key.source_key}" SourceEvery="0"'
    text, found = re.subn(r"<Catalog\b", lambda m: f"<Catalog {attributes}", text, count=1)
    if not found:
        host.stop()
        raise SystemExit("demo: no <Catalog> root in " + local)
    with open(local, "w", encoding="utf-8") as f:
        f.write(text)
    print(f"demo: publishing {catalogue} at {host.url('/Message.xml')}")
    return host, [i.encode() for i in re.findall(r'<Message\s[^>]*\bID="([^"]*)"', body.decode("utf-8"))]


def new_ids(before, now):
    """What the cache holds now beyond what it held before, one entry per recorded showing."""
    left = list(before)
    extra = []
    for item in now:
        if item in left:
            left.remove(item)
        else:
            extra.append(item)
    return extra


def run_once(app, out, prefix, run, runs):
    before = cache_ids(prefix)
    proc = subprocess.Popen(["wine", os.path.join(app, "Notify.exe")], cwd=app, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shots = []
    deadline = time.monotonic() + 120
    while proc.poll() is None and time.monotonic() < deadline:
        if len(new_ids(before, cache_ids(prefix))) > len(shots):
            time.sleep(0.8)  # let the popup paint and the shadow settle
            name = f"message-{len(shots) + 1}.png" if runs == 1 else f"run-{run}-message-{len(shots) + 1}.png"
            shot = os.path.join(out, name)
            subprocess.run(["/usr/bin/import", "-window", "root", shot], check=True)
            shots.append(shot)
        time.sleep(0.1)
    if proc.poll() is None:
        proc.kill()
        print("demo: Notify.exe did not end in time", file=sys.stderr)
        return None
    for shot in shots:
        print(f"screenshot: {shot}")
    label = "demo" if runs == 1 else f"demo run {run}"
    print(f"{label}: {len(shots)} message(s) shown, Notify.exe ended with code {proc.returncode}")
    return shots


def main(argv=None):
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        epilog="example: tools/winenv.sh python3 tools/demo_capture.py --runs 2 /path/to/MyApp /path/to/shots "
               "(the second run is the same user starting the host again: seen messages stay hidden)")
    parser.add_argument("app", help="the program folder holding Notify.exe and Message.xml")
    parser.add_argument("out", help="the folder for the screenshots (created if needed)")
    parser.add_argument("--runs", type=int, default=1,
                        help="start Notify.exe this many times, one after the other, in the same Wine prefix "
                             "(default 1)")
    parser.add_argument("--publish", metavar="CATALOGUE",
                        help="sign CATALOGUE with a key made for this run and serve it on 127.0.0.1 as APP's "
                             "published catalogue; fails unless its message shows after the local ones")
    args = parser.parse_args(argv)
    if args.runs < 1:
        parser.error("--runs wants 1 or more")
    prefix = os.environ.get("WINEPREFIX")
    if not prefix:
        parser.error("WINEPREFIX is not set: run it inside tools/winenv.sh")
    # Absolute, because Notify.exe starts with the program folder as its working folder.
    app, out = os.path.abspath(args.app), os.path.abspath(args.out)
    os.makedirs(out, exist_ok=True)
    host, scratch, published = None, None, []
    if args.publish:
        scratch = tempfile.mkdtemp(prefix="notify-demo-key-")
        host, published = publish(app, os.path.abspath(args.publish), scratch)
    try:
        shown = 0
        for run in range(1, args.runs + 1):
            before = cache_ids(prefix)
            shots = run_once(app, out, prefix, run, args.runs)
            if shots is None:
                return 1
            shown += len(shots)
            added = new_ids(before, cache_ids(prefix))
            if run == 1 and published and not (added and added[-1] in published):
                print("demo: the published message was not shown after the local ones", file=sys.stderr)
                return 1
        return 0 if shown else 1
    finally:
        if host is not None:
            host.stop()
        if scratch is not None:
            shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
