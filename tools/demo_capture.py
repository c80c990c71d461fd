#!/usr/bin/env python3
"""Runs Notify.exe from a program folder and saves a screenshot of each message it shows.
A message counts as shown once its ID reaches the seen-message cache, which Notify
writes right after the popup appears."""
import glob
import os
import re
import subprocess
import sys
import time


def cache_ids(prefix):
    ids = []
    for path in glob.glob(os.path.join(prefix, "drive_c", "users", "*", "AppData", "Roaming", "Korvane", "**",
                                       "MessageCache.xml"), recursive=True):
        with open(path, "rb") as f:
            ids += re.findall(rb"<ID>(.*?)</ID>", f.read())
    return ids


def main():
    # Absolute, because Notify.exe starts with the program folder as its working folder.
    app, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
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
