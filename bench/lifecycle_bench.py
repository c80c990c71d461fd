#!/usr/bin/env python3
"""Whole-process benchmark of Notify.exe under Wine, beside a minimal Win32 program that
shows one window, measured in the same run under the same Wine:

- from the first TmShut tick to the popup visible (in-process timestamps, median);
- from process start to the window visible;
- from process start to exit with nothing to show (a catalogue without messages),
  beside the minimal window started with 0 seconds, run in turns;
- CPU time used while a message waits out a 10-second AutoShut;
- peak resident set (the process's working set as Linux sees it);
- CPU time used while the message is held back for 60 s by another program's
  full-screen window, and while its countdown is paused for 10 s by the pointer resting
  on the popup;
- the cost of the desk's questions before each show (desk_wine_timing.exe, with another
  program's window in the foreground).

Run under tools/winenv.sh after building the windows preset:
    tools/winenv.sh python3 bench/lifecycle_bench.py [runs] [parts]
where parts is a comma list of show, nothing, desk (all three by default).
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("NOTIFY_BIN", os.path.join(SOURCE, "build", "windows", "bin"))
STAMP = re.compile(r"^(\d+\.\d+):.*Notify: (TmShut tick|popup shown)")
TICKS = os.sysconf("SC_CLK_TCK")


def korvane():
    for root, dirs, _ in os.walk(os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")):
        if "Korvane" in dirs:
            return os.path.join(root, "Korvane")
    return None


def reset_cache():
    folder = korvane()
    if folder:
        shutil.rmtree(folder, ignore_errors=True)


def program_folder(auto_shut):
    root = tempfile.mkdtemp(prefix="notify-bench-")
    shutil.copytree(os.path.join(SOURCE, "demo"), root, dirs_exist_ok=True)
    shutil.copy2(os.path.join(BIN, "Notify.exe"), root)
    with open(os.path.join(root, "Message.xml"), encoding="utf-8") as f:
        text = f.read()
    # Only the demo's first message, closing after `auto_shut` seconds.
    first = text.index("<Message ")
    end = text.index("</Message>") + len("</Message>")
    text = text[:first] + text[first:end].replace('AutoShut="4"', f'AutoShut="{auto_shut}"') + "\n</Catalog>\n"
    with open(os.path.join(root, "Message.xml"), "w", encoding="utf-8") as f:
        f.write(text)
    return root


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def peak_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def run(argv, cwd, wait_seconds):
    """Starts argv under Wine; returns (stamps, cpu during the wait, peak KiB, start→shown)."""
    # OutputDebugString reaches Wine's log on the seh channel, with a timestamp.
    env = dict(os.environ, WINEDEBUG="+timestamp,warn+seh")
    log = tempfile.TemporaryFile()
    begin = time.monotonic()
    proc = subprocess.Popen(["wine", *argv], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=log)
    stamps, shown_at, cpu, peak = {}, None, None, 0
    while proc.poll() is None:
        log.seek(0)
        for line in log.read().decode("utf-8", "replace").splitlines():
            m = STAMP.match(line)
            if m and m.group(2) not in stamps:
                stamps[m.group(2)] = float(m.group(1))
        if "popup shown" in stamps and shown_at is None:
            shown_at = time.monotonic() - begin
            time.sleep(0.5)
            try:
                start_cpu = cpu_seconds(proc.pid)
                time.sleep(wait_seconds)
                cpu = cpu_seconds(proc.pid) - start_cpu
            except FileNotFoundError:
                pass
        try:
            peak = max(peak, peak_kib(proc.pid))
        except (FileNotFoundError, ProcessLookupError):
            pass
        time.sleep(0.02)
    return stamps, cpu, peak, shown_at


def read_stamps(log, stamps):
    log.seek(0)
    for line in log.read().decode("utf-8", "replace").splitlines():
        m = STAMP.match(line)
        if m and m.group(2) not in stamps:
            stamps[m.group(2)] = float(m.group(1))


def start_logged(argv, cwd):
    env = dict(os.environ, WINEDEBUG="+timestamp,warn+seh")
    log = tempfile.TemporaryFile()
    proc = subprocess.Popen(["wine", *argv], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=log)
    return proc, log


def wait_stamp(proc, log, name, timeout):
    stamps = {}
    end = time.monotonic() + timeout
    while time.monotonic() < end and proc.poll() is None:
        read_stamps(log, stamps)
        if name in stamps:
            return stamps
        time.sleep(0.05)
    return stamps


def stop(proc):
    if proc.poll() is None:
        proc.kill()
    proc.wait()


def cpu_while_deferred(seconds=60):
    """CPU of Notify.exe while a full-screen window of another program holds its message back."""
    reset_cache()
    folder = program_folder(auto_shut=2)
    cover = subprocess.Popen(["wine", os.path.join(BIN, "desk_cover.exe"), str(seconds + 30)],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(3)
    proc, log = start_logged(["Notify.exe"], folder)
    try:
        stamps = wait_stamp(proc, log, "TmShut tick", 30)
        if "TmShut tick" not in stamps:
            return None
        time.sleep(2)
        start_cpu = cpu_seconds(proc.pid)
        time.sleep(seconds)
        cpu = cpu_seconds(proc.pid) - start_cpu
        read_stamps(log, stamps)
        return None if "popup shown" in stamps else cpu  # shown: the run did not measure a deferral
    finally:
        stop(proc)
        stop(cover)
        shutil.rmtree(folder, ignore_errors=True)


def cpu_while_paused(seconds=10):
    """CPU of Notify.exe while the pointer rests on an AutoShut 2 popup."""
    reset_cache()
    folder = program_folder(auto_shut=2)
    proc, log = start_logged(["Notify.exe"], folder)
    try:
        if "popup shown" not in wait_stamp(proc, log, "popup shown", 30):
            return None
        # Inside the popup at the bottom right of the 1280 x 1024 screen, whatever its size.
        subprocess.run(["xdotool", "mousemove", "1150", "975"], check=True)
        time.sleep(1)
        start_cpu = cpu_seconds(proc.pid)
        time.sleep(seconds)
        cpu = cpu_seconds(proc.pid) - start_cpu
        return cpu if proc.poll() is None else None  # ended: the countdown was not paused
    finally:
        subprocess.run(["xdotool", "mousemove", "5", "5"], check=False)
        stop(proc)
        shutil.rmtree(folder, ignore_errors=True)


def desk_question_cost():
    cover = subprocess.Popen(["wine", os.path.join(BIN, "desk_cover.exe"), "30", "100", "100", "600", "400"],
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(3)
        out = subprocess.run(["wine", os.path.join(BIN, "desk_wine_timing.exe")], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, timeout=120).stdout
        return out.strip()
    finally:
        stop(cover)


def start_to_exit(argv, cwd):
    begin = time.monotonic()
    subprocess.run(["wine", *argv], cwd=cwd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=120)
    return time.monotonic() - begin


def nothing_to_show(runs):
    """Start to exit of Notify.exe with a catalogue without messages, and of the minimal
    window shown for 0 s, in turns so that both see the same load."""
    folder = program_folder(auto_shut=2)
    with open(os.path.join(folder, "Message.xml"), "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<Catalog AppID="Notify.Demo">\n</Catalog>\n')
    notify, base = [], []
    try:
        for _ in range(runs):
            notify.append(start_to_exit(["Notify.exe"], folder))
            base.append(start_to_exit([os.path.join(BIN, "minimal_window.exe"), "0"], BIN))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    return notify, base


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    parts = sys.argv[2].split(",") if len(sys.argv) > 2 else ["show", "nothing", "desk"]
    if "nothing" in parts:
        notify, base = nothing_to_show(runs)
        ratios = sorted(n / b for n, b in zip(notify, base))
        print(f"start to exit with nothing to show, ms: Notify {[round(n * 1000) for n in notify]}, "
              f"minimal {[round(b * 1000) for b in base]}")
        print(f"  medians {statistics.median(notify) * 1000:.0f} / {statistics.median(base) * 1000:.0f} ms, "
              f"ratio of medians {statistics.median(notify) / statistics.median(base):.2f}, "
              f"ratios per turn {[round(r, 2) for r in ratios]}")
    if "show" not in parts and "desk" not in parts:
        return
    tick_to_shown, notify_start, notify_cpu, notify_peak = [], [], [], []
    for _ in range(runs):
        reset_cache()
        folder = program_folder(auto_shut=12)
        stamps, cpu, peak, shown_at = run(["Notify.exe"], folder, 10)
        shutil.rmtree(folder, ignore_errors=True)
        if "TmShut tick" in stamps and "popup shown" in stamps:
            tick_to_shown.append((stamps["popup shown"] - stamps["TmShut tick"]) * 1000)
        if shown_at is not None:
            notify_start.append(shown_at)
        if cpu is not None:
            notify_cpu.append(cpu)
        notify_peak.append(peak)
    base_start, base_cpu, base_peak = [], [], []
    for _ in range(runs):
        _, cpu, peak, shown_at = run([os.path.join(BIN, "minimal_window.exe"), "12"], BIN, 10)
        if shown_at is not None:
            base_start.append(shown_at)
        if cpu is not None:
            base_cpu.append(cpu)
        base_peak.append(peak)

    def med(values, scale=1.0, fmt="{:.1f}"):
        return fmt.format(statistics.median(values) * scale) if values else "n/a"

    print(f"runs: {runs}")
    print("| figure | Notify.exe | minimal window |")
    print("|---|---|---|")
    print(f"| first TmShut tick to popup shown, median ms | {med(tick_to_shown)} | - |")
    print(f"| process start to window shown, median ms | {med(notify_start, 1000)} | {med(base_start, 1000)} |")
    print(f"| CPU during a 10 s wait, median ms | {med(notify_cpu, 1000)} | {med(base_cpu, 1000)} |")
    print(f"| peak resident set, median MiB | {med(notify_peak, 1 / 1024)} | {med(base_peak, 1 / 1024)} |")
    if notify_peak and base_peak:
        print(f"peak ratio {statistics.median(notify_peak) / statistics.median(base_peak):.2f}; "
              f"tick to shown, ms: {[round(t) for t in tick_to_shown]}")

    if "desk" not in parts:
        return
    deferred = cpu_while_deferred()
    paused = [cpu_while_paused() for _ in range(3)]
    paused = [p for p in paused if p is not None]
    print()
    print(f"CPU while held back 60 s by a full-screen window, ms: {'n/a' if deferred is None else f'{deferred * 1000:.0f}'}")
    print(f"CPU while paused 10 s by the pointer on the popup, median ms: {med(paused, 1000)} ({len(paused)} runs)")
    print(desk_question_cost())


if __name__ == "__main__":
    main()
