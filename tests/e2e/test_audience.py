"""Who sees what, with the real Notify.exe: one catalogue using Start, Lang, Program with
MinVersion/BelowVersion, MaxPerRun and MinHours, for a user whose Windows UI language is
de-AT, beside a host whose file version is 6.0.2.1; the IDs recorded after each run.

Wine 8 gives each process the UI language of its own LC_ALL (not LANG), even when the
prefix's server already runs, so the Wine processes started here get LC_ALL."""
import datetime
import os
import re
import shutil
import subprocess

import harness as h

LOCALE = "de_AT.UTF-8"
APP_ID = "E2E.Audience"
HOST_EXE = "LedgerPro.exe"

# (ID, extra attributes, first run it is recorded in: 1, 3 or None for never).
# Today's date is filled in for {today}/{tomorrow}.
MESSAGES = [
    ("greet-later", 'Start="{tomorrow}"', None),
    ("greet-today", 'Start="{today}"', 1),
    ("lang-fr-us", 'Lang="fr en-US"', None),
    ("lang-de", 'Lang="DE"', 1),
    ("lang-de-ch", 'Lang="de-CH"', None),
    ("lang-de-at", 'Lang="zh de-at"', 1),
    ("please-update", 'BelowVersion="6.0"', None),
    ("whats-new-6", 'MinVersion="6.0" BelowVersion="7"', 3),
    ("below-exact", 'BelowVersion="6.0.2.1"', None),
    ("from-exact", 'MinVersion="6.0.2.1" Lang="de"', 3),
    ("product-version", 'MinVersion="9"', None),
]
ROOT = f'Program="{{#P@CUR}}{HOST_EXE}" MaxPerRun="3" MinHours="1"'


def recorded_after(run):
    return [msg_id for msg_id, _, first in MESSAGES if first is not None and first <= run]


def catalogue_messages(today):
    dates = {"today": today.isoformat(), "tomorrow": (today + datetime.timedelta(days=1)).isoformat()}
    built = []
    for msg_id, extra, _ in MESSAGES:
        attrs, inner = h.message(msg_id, auto_shut=1, style="Blue")
        built.append((attrs + " " + extra.format(**dates), inner))
    return built


def state_file():
    return os.path.join(os.path.dirname(h.cache_file(APP_ID)), "State.xml")


def last_shown():
    h.check(os.path.exists(state_file()), "no State.xml beside the cache after a message was shown")
    text = open(state_file(), encoding="utf-8").read()
    found = re.search(r"<LastShown>(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)</LastShown>", text)
    h.check(found, f"State.xml holds no last-shown time: {text!r}")
    return found.group(1), datetime.datetime.strptime(found.group(1), "%Y-%m-%dT%H:%M:%SZ")


def checker_decisions(app):
    """What NotifyCheck.exe says with its Windows defaults: the real UI languages and the
    Program's real version."""
    out = subprocess.run(["wine", os.environ["NOTIFY_CHECK_EXE"], "--new-user", h.win_path(app.path)],
                         cwd=app.path, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, timeout=120).stdout.decode("utf-8", "replace")
    return dict(re.findall(r"#\d+ (\S+) \(line \d+\): (.*?)\r?$", out, re.M)), out


def run_and_expect(app, run, what):
    app.run(timeout=90)
    ids = h.cache_ids(APP_ID)
    h.check(ids == recorded_after(run), f"{what}: recorded {ids}, expected {recorded_after(run)}")


def audience_over_three_runs():
    h.reset_cache()
    today = datetime.date.today()
    with h.app_with_demo_skin(APP_ID, catalogue_messages(today), ROOT) as app:
        shutil.copy2(os.path.join(os.environ["NOTIFY_BUILD_DIR"], "bin", "audience_host.exe"),
                     os.path.join(app.path, HOST_EXE))

        decisions, out = checker_decisions(app)
        h.check("user's (de-AT)" in out, f"the Wine processes' UI language is not de-AT (LC_ALL={LOCALE}):\n{out}")
        h.check("version (6.0.2.1)" in out, f"the host's version was not read:\n{out}")

        before = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None, microsecond=0)
        run_and_expect(app, 1, "first run (MaxPerRun 3)")
        text, when = last_shown()
        after = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
        h.check(before <= when <= after, f"last shown {text} is not the first run's time")
        h.check(b"LastShown" not in open(h.cache_file(APP_ID), "rb").read(), "the cache carries the pacing time")

        run_and_expect(app, 1, "second run, within MinHours 1")

        # Two hours ago: the next run is free to show again.
        earlier = (when - datetime.timedelta(hours=2)).strftime("%Y-%m-%dT%H:%M:%SZ")
        with open(state_file(), encoding="utf-8") as f:
            aged = f.read().replace(text, earlier)
        with open(state_file(), "w", encoding="utf-8", newline="") as f:
            f.write(aged)
        run_and_expect(app, 3, "third run, MinHours over")

        # The checker's Windows defaults (real languages, real host version) agree with the runs.
        shown = [i for i, d in decisions.items() if d == "show"]
        h.check(shown == recorded_after(1), f"the checker shows {shown}, expected {recorded_after(1)}:\n{out}")


if __name__ == "__main__":
    os.environ["LC_ALL"] = LOCALE
    h.main(audience_over_three_runs)
