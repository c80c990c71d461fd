#!/usr/bin/env python3
"""Runs Notify.exe from a program folder and saves a screenshot of each message it shows.
A message counts as shown once its ID reaches the seen-message cache, which Notify
writes right after the popup appears.

  demo_capture.py APP OUT [--publish CATALOGUE]

With --publish, CATALOGUE is signed with a key made for this run (in a temporary folder,
removed afterwards) and served on 127.0.0.1 over plain http, which Notify allows for the
loopback address only, and APP's Message.xml is pointed at it."""
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


def main():
    # Absolute, because Notify.exe starts with the program folder as its working folder.
    app, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
    host, scratch, published = None, None, []
    if len(sys.argv) == 5 and sys.argv[3] == "--publish":
        scratch = tempfile.mkdtemp(prefix="notify-demo-key-")
        host, published = publish(app, os.path.abspath(sys.argv[4]), scratch)
    try:
        status = capture(app, out)
        shown = cache_ids(os.environ["WINEPREFIX"])
        if published and not (shown and shown[-1] in published):
            print("demo: the published message was not shown after the local ones", file=sys.stderr)
            return 1
        return status
    finally:
        if host is not None:
            host.stop()
        if scratch is not None:
            shutil.rmtree(scratch, ignore_errors=True)


def capture(app, out):
    prefix = os.environ["WINEPREFIX"]
    proc = subprocess.Popen(["wine", os.path.join(app, "Notify.exe")], cwd=app, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shots, seen = [], 0
    deadline = time.monotonic() + 120
    while proc.poll() is None and time.monotonic() < deadline:
        ids = cache_ids(prefix)
        if len(ids) > seen:
            seen = len(ids)
            time.sleep(0.8)  # let the popup paint and the shadow settle
            shot = os.path.join(out, f"message-{seen}.png")
            subprocess.run(["/usr/bin/import", "-window", "root", shot], check=True)
            shots.append(shot)
        time.sleep(0.1)
    if proc.poll() is None:
        proc.kill()
        print("demo: Notify.exe did not end in time", file=sys.stderr)
        return 1
    for shot in shots:
        print(f"screenshot: {shot}")
    print(f"demo: {len(shots)} message(s) shown, Notify.exe ended with code {proc.returncode}")
    return 0 if shots else 1


if __name__ == "__main__":
    sys.exit(main())
