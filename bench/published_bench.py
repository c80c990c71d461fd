#!/usr/bin/env python3
"""What a published catalogue costs Notify.exe under Wine, against a loopback HTTPS host
whose CA is made for this run and trusted in this Wine prefix only:

- process start to the first local popup shown, without a Source and with a Source whose
  host answers after 5 s, the two alternating in one run (median of each, and the ratio);
- CPU time and peak resident set of a whole run that fetches and accepts a 1 MiB copy,
  beside a run that gets 304 and shows the same kept copy (both show the same two popups).

Run under tools/winenv.sh after building the windows preset:
    tools/winenv.sh python3 bench/published_bench.py [runs]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import lifecycle_bench as lb

sys.path.insert(0, os.path.join(lb.SOURCE, "tools"))
import published_host as ph  # noqa: E402

APP = "Notify.Demo"
PATH = "/Message.xml"
DELAY = 5.0


def with_source(folder, url, key):
    path = os.path.join(folder, "Message.xml")
    with open(path, encoding="utf-8") as f:
        text = f.read()
    text = text.replace(f'AppID="{APP}"', f'AppID="{APP}" Source="{url}" SourceKey="{key}" SourceEvery="0"', 1)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def published_message(msg_id, limit):
    return (f'<Message ID="{msg_id}" Limit="{limit}" Style="Blue" AutoShut="1"><Check></Check><Uri></Uri>'
            f'<Logo>notify.png</Logo><Sound></Sound><Form Color="FCF2EA" Width="340" Height="150" Round="ON" '
            f'Shadow="OFF"/><Title Color="FFFFFF">Published</Title><Content Color="333333">{msg_id}</Content>'
            f'<Author Color="8C6A4A"></Author><Date Color="8C6A4A"></Date><BtnCls Color="FFFFFF" PColor="C67A3C" '
            f'Width="24" Height="20">X</BtnCls><BtnCfm Color="3A2A1A" PColor="FCF2EA" Width="72" Height="24">OK'
            f'</BtnCfm></Message>\n')


def one_mib_copy():
    """One due message, then expired ones up to just under 1 MiB."""
    head = f'<?xml version="1.0" encoding="UTF-8"?>\n<Catalog AppID="{APP}" Serial="1">\n'
    parts, size, n = [head, published_message("big-due", "2099-12-31")], 0, 0
    size = sum(len(p) for p in parts) + len("</Catalog>\n")
    while True:
        filler = published_message(f"big-expired-{n:05d}", "2000-01-01")
        if size + len(filler) > 1024 * 1024:
            break
        parts.append(filler)
        size += len(filler)
        n += 1
    parts.append("</Catalog>\n")
    return "".join(parts).encode()


def start_to_shown(folder):
    """Seconds from process start to the first popup shown (the seh-channel stamp)."""
    _, _, _, shown_at = lb.run(["Notify.exe"], folder, 0)
    return shown_at


def whole_run(folder):
    """(CPU seconds, peak KiB) of the Notify.exe process over its whole life."""
    proc = subprocess.Popen(["wine", "Notify.exe"], cwd=folder, stdin=subprocess.DEVNULL,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, _, usage = os.wait4(proc.pid, 0)
    proc.returncode = 0
    return usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    scratch = tempfile.mkdtemp(prefix="notify-bench-published-")
    authority = ph.TestAuthority(os.path.join(scratch, "pki"))
    key = ph.SigningKey(os.path.join(scratch, "pki"))
    subprocess.run(["wine", os.path.join(lb.BIN, "trust_test_ca.exe"), "Z:" + authority.ca_der.replace("/", "\\")],
                   check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    host = ph.Host(authority).start()
    try:
        small = published_message("p1", "2099-12-31")
        small = f'<?xml version="1.0" encoding="UTF-8"?><Catalog AppID="{APP}" Serial="1">{small}</Catalog>'.encode()
        host.publish(PATH, small, key.sign(small))
        host.delay = DELAY
        plain, slow = [], []
        for _ in range(runs):
            for times, source in ((plain, False), (slow, True)):
                lb.reset_cache()
                folder = lb.program_folder(auto_shut=1)
                if source:
                    with_source(folder, host.url(PATH), key.source_key)
                shown = start_to_shown(folder)
                if shown is not None:
                    times.append(shown)
                shutil.rmtree(folder, ignore_errors=True)
        print(f"runs: {runs}; host answers after {DELAY:.0f} s")
        print(f"start to first local popup, without a Source, ms: {[round(t * 1000) for t in plain]}")
        print(f"start to first local popup, with the slow Source, ms: {[round(t * 1000) for t in slow]}")
        if plain and slow:
            ratio = statistics.median(slow) / statistics.median(plain)
            print(f"medians {statistics.median(plain) * 1000:.0f} ms and {statistics.median(slow) * 1000:.0f} ms,"
                  f" ratio {ratio:.3f}")

        host.delay = 0
        big = one_mib_copy()
        host.publish(PATH, big, key.sign(big))
        accepted, revalidated = [], []
        for _ in range(runs):
            lb.reset_cache()
            folder = lb.program_folder(auto_shut=1)
            with_source(folder, host.url(PATH), key.source_key)
            before = len(host.requests)
            accepted.append(whole_run(folder))
            got_200 = len(host.requests) - before == 2  # the catalogue and its signature
            # A new seen cache, the same State.xml and kept copy: the host answers 304 and the
            # same two popups show, the published one from the kept copy.
            os.remove(os.path.join(lb.korvane(), "Notify", "Demo", "MessageCache.xml"))
            before = len(host.requests)
            revalidated.append(whole_run(folder))
            got_304 = len(host.requests) - before == 1
            shutil.rmtree(folder, ignore_errors=True)
            if not (got_200 and got_304):
                print("warning: a run did not fetch as planned; its figures are dropped")
                accepted.pop()
                revalidated.pop()
        print(f"1 MiB copy: {len(big)} bytes, {big.count(b'<Message ')} messages (one due)")
        for name, rows in (("fetch and accept 1 MiB", accepted), ("304, kept copy shown", revalidated)):
            if rows:
                cpu = statistics.median(r[0] for r in rows) * 1000
                peak = statistics.median(r[1] for r in rows) / 1024
                print(f"| {name} | {cpu:.0f} ms | {peak:.1f} MiB | {[round(r[0] * 1000) for r in rows]} |")
    finally:
        host.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
