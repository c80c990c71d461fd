"""Kills the real Notify.exe with SIGKILL while it records a catalogue of 30 messages with
AutoShut 1, and checks the cache after every kill: it loads, it holds a prefix of the
catalogue's IDs in order, and at most one of Notify's temporary files lies beside it.
Half of the kills are aimed at a save (the creation of its temporary file, seen through
inotify, after the run's first save has completed), the rest land at random
moments. Run by tools/kill_trials.sh inside the Wine environment."""
import fnmatch
import glob
import os
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness as h  # noqa: E402

APP_ID = "Kill.Trials"
IDS = [f"K{i:02d}" for i in range(1, 31)]
TEMP_GLOB = "MessageCache.xml.~*.tmp"


def read_ids(cache):
    """The IDs of the cache in order, read the way any XML reader would; raises when torn."""
    data = open(cache, "rb").read()
    declared = re.match(rb"<\?xml[^>]*encoding=['\"]([^'\"]+)['\"]", data)
    encoding = declared.group(1).decode("ascii") if declared else "utf-8"
    text = data.decode("gbk" if encoding.upper() == "GB2312" else encoding)
    text = re.sub(r"^\ufeff?<\?xml[^>]*\?>", "", text)
    root = ET.fromstring(text)
    return [(e.text or "").strip() for e in root.iter("ID")]


def kill(proc):
    try:
        os.kill(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait(timeout=30)


def aimed_trial(app, folder, saves_first):
    """Starts Notify and kills it as it creates the temporary file of a save, after letting
    `saves_first` saves complete (a completed save removes the leftovers of killed ones,
    so that a kill on a run's first save would leave two by design)."""
    watch = subprocess.Popen(["inotifywait", "-m", "-q", "-e", "create", "--format", "%f", folder],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    try:
        time.sleep(0.05)  # the watch is set up before Notify can write
        proc = app.start()
        seen = 0
        while True:
            ready, _, _ = select.select([watch.stdout], [], [], 0.5)
            if not ready:
                if proc.poll() is not None:
                    return "ended by itself"
                continue
            name = watch.stdout.readline().strip()
            if fnmatch.fnmatch(name, TEMP_GLOB):
                seen += 1
                if seen > saves_first:
                    kill(proc)
                    return f"on {name}"
    finally:
        watch.kill()
        watch.wait()


def random_trial(app, rng):
    proc = app.start()
    delay = rng.uniform(0.0, 4.0)
    try:
        proc.wait(timeout=delay)
        return "ended by itself"
    except subprocess.TimeoutExpired:
        kill(proc)
        return f"after {delay:.2f} s"


def main():
    trials = int(sys.argv[1]) if len(sys.argv) > 1 else 500
    seed = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    rng = random.Random(seed)
    h.require_environment()
    h.reset_cache()
    cache = h.cache_file(APP_ID)
    folder = os.path.dirname(cache)
    counts = {"aimed": 0, "random": 0, "aimed_with_temp_left": 0, "no_cache_yet": 0, "restarts": 0}
    failures = []
    longest_prefix = 0
    with h.ProgramFolder() as app:
        app.write("Message.xml", h.catalogue(APP_ID, [h.message(i, auto_shut=1) for i in IDS]))
        for trial in range(trials):
            os.makedirs(folder, exist_ok=True)
            # Near the end of the catalogue too few saves are left to aim at.
            if os.path.exists(cache) and len(read_ids(cache)) > len(IDS) - 4:
                counts["restarts"] += 1
                shutil.rmtree(os.path.join(h.appdata(), "Korvane"))
                os.makedirs(folder)
            aimed = trial % 2 == 0
            what = aimed_trial(app, folder, 1) if aimed else random_trial(app, rng)
            counts["aimed" if aimed else "random"] += 1
            temps = glob.glob(os.path.join(folder, TEMP_GLOB))
            if aimed and temps:
                counts["aimed_with_temp_left"] += 1
            problem = None
            if len(temps) > 1:
                problem = f"{len(temps)} temporary files: {sorted(os.path.basename(t) for t in temps)}"
            if os.path.exists(cache):
                try:
                    ids = read_ids(cache)
                    if ids != IDS[:len(ids)]:
                        problem = f"not a prefix of the catalogue: {ids}"
                    longest_prefix = max(longest_prefix, len(ids))
                except Exception as e:  # a torn cache fails to parse
                    problem = f"cache does not load: {e}"
            else:
                counts["no_cache_yet"] += 1
            if problem:
                failures.append(f"trial {trial} ({'aimed' if aimed else 'random'}, {what}): {problem}")
                print("FAIL", failures[-1], flush=True)
            if (trial + 1) % 50 == 0:
                print(f"{trial + 1} trials, {len(failures)} failures, {counts}", flush=True)
    print(f"kill trials: {counts['aimed']} aimed at a save, {counts['random']} at random moments")
    print(f"aimed kills that left a temporary file (landed inside a save): {counts['aimed_with_temp_left']}")
    print(f"kills before the cache existed: {counts['no_cache_yet']}; caches restarted near the catalogue's end: "
          f"{counts['restarts']}; longest prefix seen: {longest_prefix}")
    print(f"{trials - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
