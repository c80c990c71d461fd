"""tools/demo_capture.py as a reader runs it: the first run shows and photographs the
message; a second run in the same prefix (the same user starting the host again) counts
nothing as shown and saves no screenshot, since the message is already seen."""
import os
import subprocess
import sys
import tempfile

import harness as h

TOOL = os.path.join(h.SOURCE_DIR, "tools", "demo_capture.py")


def second_run_shows_nothing():
    h.reset_cache()
    out = tempfile.mkdtemp(prefix="notify-capture-")
    with h.app_with_demo_skin("Capture.Twice", [h.message("once", auto_shut=1, style="Blue")]) as app:
        done = subprocess.run([sys.executable, TOOL, "--runs", "2", app.path, out], stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=280)
    lines = done.stdout.splitlines()
    h.check(done.returncode == 0, f"demo_capture exited {done.returncode}: {done.stdout}{done.stderr}")
    h.check(any(line.startswith("demo run 1: 1 message(s) shown") for line in lines), done.stdout)
    h.check(any(line.startswith("demo run 2: 0 message(s) shown") for line in lines), done.stdout)
    h.check(sorted(os.listdir(out)) == ["run-1-message-1.png"], f"screenshots: {sorted(os.listdir(out))}")


if __name__ == "__main__":
    h.main(second_run_shows_nothing)
