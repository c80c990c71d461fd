#!/usr/bin/env python3
"""End to end: the real checker (notify-check natively, NotifyCheck.exe under Wine) on the
fixture folders beside this script, one folder per kind of problem, asserting on its JSON."""
import atexit
import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("NOTIFY_SOURCE_DIR", os.path.dirname(os.path.dirname(HERE)))
CHECK = os.environ["NOTIFY_CHECK"]
EMULATOR = [e for e in os.environ.get("NOTIFY_CHECK_EMULATOR", "").split(";") if e]
WINDOWS = CHECK.lower().endswith(".exe")
DUE = "; while this message is due, no message of the catalogue is shown to anyone"


def arg_path(path):
    return "Z:" + path.replace("/", "\\") if WINDOWS else path


def run(*args, folder=None, env=None):
    argv = EMULATOR + [CHECK] + [a for a in args] + ([arg_path(folder)] if folder else [])
    done = subprocess.run(argv, capture_output=True, timeout=120, env=env)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


def check_json(folder, *args, expect=None):
    code, out, err = run("--format", "json", "--today", "2026-06-01", *args, folder=folder)
    report = json.loads(out)
    if expect is not None:
        assert code == expect, (code, out, err)
    return code, report


# The skin styles the fixtures share (skin/<style>), copied into each fixture's Image folder
# unless it brings a style of that name itself.
SKIN = os.path.join(HERE, "skin")
COPIES = tempfile.mkdtemp(prefix="checker-fixtures-")
atexit.register(shutil.rmtree, COPIES, True)


def fixture(name):
    """A copy of the fixture folder with the shared skin; 'folder/file' names a file in it."""
    folder, _, rest = name.partition("/")
    copy = os.path.join(COPIES, folder)
    if not os.path.isdir(copy):
        shutil.copytree(os.path.join(HERE, folder), copy)
        for style in os.listdir(SKIN):
            target = os.path.join(copy, "Image", style)
            if not os.path.exists(target):
                shutil.copytree(os.path.join(SKIN, style), target)
    return os.path.join(copy, rest) if rest else copy


def edited(name, old, new):
    """A fresh copy of the fixture whose Message.xml has old replaced by new."""
    folder = os.path.join(tempfile.mkdtemp(dir=COPIES), name)
    shutil.copytree(fixture(name), folder)
    catalogue = os.path.join(folder, "Message.xml")
    with open(catalogue, encoding="utf-8") as f:
        text = f.read()
    assert old in text, old
    with open(catalogue, "w", encoding="utf-8", newline="") as f:
        f.write(text.replace(old, new))
    return folder


def found(report, severity=None):
    return [(d["rule"], d["file"], d["line"], d["column"]) for d in report["diagnostics"]
            if severity is None or d["severity"] == severity]


class Demo(unittest.TestCase):
    def test_demo_checks_clean(self):
        code, report = check_json(os.path.join(SOURCE, "demo"), "--new-user", expect=0)
        self.assertTrue(report["readable"])
        self.assertEqual(report["show"], ["demo-welcome", "demo-update", "demo-maintenance"])
        self.assertEqual(found(report, "error") + found(report, "warning"), [])
        self.assertEqual(sorted(report), sorted(["folder", "catalogue", "appId", "cache", "today", "readable",
                                                 "show", "messages", "diagnostics"]))
        self.assertEqual(report["appId"], "Notify.Demo")
        self.assertIsNone(report["cache"])
        self.assertEqual(report["today"], "2026-06-01")


class Values(unittest.TestCase):
    """Every due message whose values fail the run is named, with the place of the fault."""

    def test_each_failing_value_is_an_error_at_its_place(self):
        code, report = check_json(fixture("value"), "--new-user", expect=1)
        self.assertFalse(report["readable"])
        self.assertEqual(report["show"], [])
        self.assertEqual([(m["id"], m["line"], m["decision"]) for m in report["messages"]],
                         [("good", 3, "blocked"), ("spring-sale", 16, "error"), ("no-date", 29, "error"),
                          ("no-colour", 42, "error"), ("no-confirm", 55, "error"), ("too-wide", 67, "error")])
        self.assertEqual(found(report, "error"),
                         [("value", "Message.xml", 21, 26), ("value", "Message.xml", 29, 25),
                          ("missing", "Message.xml", 48, 5), ("missing", "Message.xml", 55, 3),
                          ("value", "Message.xml", 72, 26)])
        messages = [d["message"] for d in report["diagnostics"] if d["severity"] == "error"]
        self.assertEqual(messages[1], 'Message "no-date": Limit "someday" is not a date' + DUE)
        self.assertEqual(messages[2], 'Message "no-colour": Title has no Color attribute' + DUE)
        self.assertEqual(messages[3], 'Message "no-confirm": has no BtnCfm element' + DUE)

    def test_text_format_names_file_line_column_and_rule(self):
        code, out, _ = run("--new-user", "--today", "2026-06-01", folder=fixture("value"))
        self.assertEqual(code, 1)
        lines = out.splitlines()
        self.assertIn('Message.xml:21:26: error: Message "spring-sale": Form Width "abc" is not a whole number'
                      + DUE + " [value]", lines)
        self.assertIn("  #1 good (line 3): blocked", lines)
        self.assertEqual(lines[-1], "6 messages: 0 to show, 5 in error, 1 blocked; 5 errors, 0 warnings")


class Decisions(unittest.TestCase):
    """Why each message shows or not, judged against a given cache and day."""

    def test_decisions_with_a_cache(self):
        code, report = check_json(fixture("decisions"), "--cache", arg_path(fixture("decisions/cache.xml")), expect=0)
        self.assertTrue(report["readable"])
        self.assertEqual([m["decision"] for m in report["messages"]],
                         ["show", "expired", "check-file", "seen", "no-id", "show"])
        self.assertEqual(report["show"], ["shown", "SHOWN"])
        self.assertTrue(report["cache"].endswith("cache.xml"))
        self.assertEqual(found(report, "warning"),
                         [("expired", "Message.xml", 16, 21), ("duplicate-id", "Message.xml", 68, 12)])

    def test_defer_off_is_noted_at_its_attribute(self):
        _, plain = check_json(fixture("decisions"), "--new-user", expect=0)
        self.assertNotIn("defer", [d["rule"] for d in plain["diagnostics"]])
        folder = edited("decisions", '<Catalog AppID="Checker.Fixture">', '<Catalog AppID="Checker.Fixture" Defer=" off ">')
        _, report = check_json(folder, "--new-user", expect=0)
        self.assertEqual(report["show"], plain["show"])
        self.assertIn(("defer", "Message.xml", 2, 34), found(report, "note"))

    def test_defer_off_is_noted_with_an_empty_app_id(self):
        _, report = check_json(fixture("empty-app-id"), "--new-user", expect=0)
        self.assertEqual((report["appId"], report["show"]), ("", ["a"]))
        self.assertIn(("defer", "Message.xml", 2, 19), found(report, "note"))

    def test_new_user_and_another_day_change_the_decisions(self):
        _, report = check_json(fixture("decisions"), "--new-user", expect=0)
        self.assertEqual(report["messages"][3]["decision"], "show")
        code, out, _ = run("--format", "json", "--new-user", "--today", "2020-03-01", folder=fixture("decisions"))
        self.assertEqual(json.loads(out)["show"], ["shown", "old", "Already-Seen", "SHOWN"])
        code, out, _ = run("--format", "json", "--new-user", "--today", "2020-03-02", folder=fixture("decisions"))
        self.assertNotIn("old", json.loads(out)["show"])


class WholeCatalogue(unittest.TestCase):
    """Failures that empty the whole catalogue."""

    def expect_only(self, folder, rule, line):
        code, report = check_json(folder, "--new-user", expect=1)
        self.assertFalse(report["readable"])
        errors = found(report, "error")
        self.assertEqual([(r, f, l) for r, f, l, _ in errors], [(rule, "Message.xml", line)], report["diagnostics"])
        self.assertGreaterEqual(errors[0][3], 1)
        return report

    def test_not_well_formed_gives_the_parsers_place(self):
        report = self.expect_only(fixture("malformed"), "well-formed", 5)
        self.assertIn("not well formed", report["diagnostics"][0]["message"])

    def test_doctype_encoding_and_app_id(self):
        self.expect_only(fixture("doctype"), "doctype", 2)
        self.expect_only(fixture("encoding"), "encoding", 1)
        self.expect_only(fixture("no-app-id"), "app-id", 2)

    def test_missing_catalogue_and_too_many_messages(self):
        with tempfile.TemporaryDirectory() as folder:
            self.expect_only(folder, "catalogue", 1)
            one = '<Message ID="m" Limit="2000-01-01"/>\n'
            with open(os.path.join(folder, "Message.xml"), "w") as f:
                f.write('<Catalog AppID="Many">\n' + one * 32768 + "</Catalog>\n")
            self.expect_only(folder, "too-many", 32769)
            with open(os.path.join(folder, "Message.xml"), "w") as f:
                f.write('<Catalog AppID="Many">\n' + one * 32767 + "</Catalog>\n")
            code, report = check_json(folder, "--new-user", expect=0)
            self.assertEqual(len(report["messages"]), 32767)


class CacheName(unittest.TestCase):
    """An AppID whose cache Windows could not create empties the catalogue, on both builds."""

    BAD = [("Vendor.Pro:Max", "':'"), ("Vendor.A|B", "'|'"), ("Vendor.What?", "'?'"), ("Star*.Vendor", "'*'"),
           ("Vendor.&quot;Q&quot;", "'\"'"), ("Vendor.&lt;b", "'<'"), ("Vendor.b&gt;", "'>'"),
           ("Vendor.CON", "reserved device name"), ("nul.Product", "reserved device name"),
           ("Vendor.com1", "reserved device name"), ("Vendor.LPT9 .x", "reserved device name"),
           ("Vendor." + "x" * 250, "characters long")]
    GOOD = ["Vendor.Console", "Vendor.COM10", "Vendor.COM0", "Vendor.Pro-Max_2 (x86)", "Con-Tools.Aux2"]

    def test_cache_windows_cannot_create_is_an_error(self):
        for app_id, complaint in self.BAD:
            folder = edited("bad-cache", 'AppID="Vendor.Pro:Max"', 'AppID="%s"' % app_id)
            code, report = check_json(folder, "--new-user", expect=1)
            self.assertFalse(report["readable"], app_id)
            self.assertEqual(report["show"], [], app_id)
            self.assertEqual([m["decision"] for m in report["messages"]], ["blocked", "blocked"], app_id)
            errors = [d for d in report["diagnostics"] if d["severity"] == "error"]
            self.assertEqual([(d["rule"], d["line"], d["column"]) for d in errors], [("app-id", 2, 10)], app_id)
            self.assertIn(complaint, errors[0]["message"], app_id)
            self.assertIn("cannot create the seen-message cache", errors[0]["message"], app_id)

    def test_names_windows_allows_pass(self):
        for app_id in self.GOOD:
            folder = edited("bad-cache", 'AppID="Vendor.Pro:Max"', 'AppID="%s"' % app_id)
            code, report = check_json(folder, "--new-user", expect=0)
            self.assertEqual(report["show"], ["a", "b"], app_id)

    def test_no_show_in_any_format(self):
        code, out, _ = run("--new-user", "--today", "2026-06-01", folder=fixture("bad-cache"))
        self.assertEqual(code, 1)
        lines = out.splitlines()
        self.assertEqual([l for l in lines if l.startswith("  #")],
                         ["  #1 a (line 3): blocked", "  #2 b (line 16): blocked"])
        self.assertEqual(lines[-1], "2 messages: 0 to show, 2 blocked; 1 error, 0 warnings")


class Presentation(unittest.TestCase):
    """Skins, pictures, logos, sounds and addresses: warnings that do not fail the run."""

    def test_presentation_warnings(self):
        code, report = check_json(fixture("presentation"), "--new-user", expect=0)
        self.assertEqual(len(report["show"]), 5)
        self.assertEqual(sorted(found(report, "warning")), sorted([
            ("skin", "Message.xml", 3, 45),
            ("logo", "Message.xml", 19, 5),
            ("picture", "Image/Broken/Config.xml", 7, 3),
            ("skin", "Image/Broken/Config.xml", 2, 1),
            ("picture", "Image/Broken/Config.xml", 13, 3),
            ("sound", "Message.xml", 20, 5),
            ("uri", "Message.xml", 18, 5),
            ("sound", "Message.xml", 33, 5),
            ("uri", "Message.xml", 31, 5),
            ("picture", "Image/Corrupt/Config.xml", 10, 3),
        ]))
        corrupt = [d["message"] for d in report["diagnostics"] if d["file"] == "Image/Corrupt/Config.xml"][0]
        self.assertIn("RightTop, RightMiddle, RightButtom, Close, Confirm will be missing", corrupt)

    def test_layout_warnings(self):
        """Text the popup would cut: each at its element, and the fitting message stays clean."""
        code, report = check_json(fixture("layout"), "--new-user", expect=0)
        self.assertEqual(report["show"], ["fits", "long-title", "tall-body", "wide-lines"])
        layout = [d for d in report["diagnostics"] if d["rule"] == "layout"]
        self.assertEqual(sorted((d["severity"], d["line"], d["column"]) for d in layout), [
            ("warning", 22, 5),  # Title of long-title
            ("warning", 36, 5),  # Content of tall-body
            ("warning", 50, 5),  # Author of wide-lines; its centred date line is not cut
            ("warning", 53, 5),  # BtnCfm of wide-lines
        ])
        self.assertEqual(found(report, "warning"), [(d["rule"], d["file"], d["line"], d["column"]) for d in layout])
        by_line = {d["line"]: d["message"] for d in layout}
        self.assertIn("before the close button", by_line[22])
        self.assertIn("runs into the author line", by_line[36])
        self.assertIn("cut on the left", by_line[50])
        self.assertIn("wider than its button (72 px)", by_line[53])
        # Natively there are no Windows fonts: the figures are estimates and say so.
        for message in by_line.values():
            self.assertEqual("about " in message, not WINDOWS, message)

    def test_sarif(self):
        code, out, _ = run("--format", "sarif", "--new-user", folder=fixture("presentation"))
        sarif = json.loads(out)
        self.assertEqual(sarif["version"], "2.1.0")
        self.assertIn("sarif-2.1.0", sarif["$schema"])
        run_ = sarif["runs"][0]
        rules = run_["tool"]["driver"]["rules"]
        self.assertTrue(all({"id", "shortDescription", "fullDescription", "help"} <= set(r) for r in rules))
        ids = [r["id"] for r in rules]
        results = run_["results"]
        self.assertEqual(len([r for r in results if r["level"] == "warning"]), 10)
        for result in results:
            self.assertEqual(ids[result["ruleIndex"]], result["ruleId"])
            location = result["locations"][0]["physicalLocation"]
            self.assertFalse(location["artifactLocation"]["uri"].startswith("/"))
            self.assertGreaterEqual(location["region"]["startLine"], 1)
            self.assertGreaterEqual(location["region"]["startColumn"], 1)
            self.assertTrue(result["message"]["text"])


class Arguments(unittest.TestCase):
    def test_usage_and_refusals(self):
        code, out, _ = run("--help")
        self.assertEqual(code, 0)
        self.assertIn("--new-user", out)
        for args in (["--format", "xml"], ["--today", "2026-13-01"], ["--bogus"], ["--cache", "no-such-file.xml"],
                     ["--new-user", "--new-user"], [arg_path(fixture("value")), arg_path(fixture("value"))]):
            self.assertEqual(run(*args)[0], 2, args)
        self.assertEqual(run(folder=os.path.join(HERE, "no-such-folder"))[0], 2)

    @unittest.skipIf(WINDOWS, "the Windows build writes previews")
    def test_native_preview_needs_windows(self):
        with tempfile.TemporaryDirectory() as out:
            code, _, err = run("--new-user", "--preview", out, folder=os.path.join(SOURCE, "demo"))
            self.assertEqual(code, 2)
            self.assertIn("previews need the Windows build", err)
            self.assertEqual(os.listdir(out), [])


class Previews(unittest.TestCase):
    @staticmethod
    def counts(png):
        """Pixels of the logos' pure red and pure blue in a preview."""
        raw = subprocess.run(["convert", png, "-depth", "8", "rgb:-"], capture_output=True, check=True,
                             timeout=60).stdout
        pixels = [raw[i:i + 3] for i in range(0, len(raw), 3)]
        return pixels.count(b"\xff\x00\x00"), pixels.count(b"\x00\x00\xff")

    @unittest.skipUnless(WINDOWS, "previews need the Windows build")
    def test_each_preview_has_its_own_logo(self):
        with tempfile.TemporaryDirectory() as out:
            code, _, err = run("--new-user", "--today", "2026-06-01", "--preview", arg_path(out),
                               folder=fixture("logos"))
            self.assertEqual(code, 0, err)
            red_in_red, blue_in_red = self.counts(os.path.join(out, "1-red.png"))
            red_in_blue, blue_in_blue = self.counts(os.path.join(out, "2-blue.png"))
        # Same style, so the same frame: only the logo tells the two apart.
        self.assertGreater(red_in_red, 100)
        self.assertLess(red_in_blue, red_in_red // 4)
        self.assertGreater(blue_in_blue - blue_in_red, 100)


class WritesNothing(unittest.TestCase):
    def snapshot(self, folder):
        return sorted((os.path.relpath(os.path.join(d, f), folder), os.stat(os.path.join(d, f)).st_mtime_ns)
                      for d, _, files in os.walk(folder) for f in files)

    def test_no_cache_log_or_other_file_is_written(self):
        with tempfile.TemporaryDirectory() as scratch:
            folder = os.path.join(scratch, "app")
            shutil.copytree(fixture("value"), folder)
            with open(os.path.join(folder, "cache.xml"), "w") as f:
                f.write("<Config><ID>good</ID></Config>")
            before = self.snapshot(scratch)
            env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(scratch, "config"))
            # The default cache (this user's on Windows) and a given one: both only read.
            for args in ([], ["--cache", arg_path(os.path.join(folder, "cache.xml"))], ["--new-user"]):
                code, out, err = run("--format", "json", *args, folder=folder, env=env)
                self.assertEqual(code, 1, err)
            self.assertEqual(self.snapshot(scratch), before)
            prefix = os.environ.get("WINEPREFIX")
            if WINDOWS and prefix:
                users = os.path.join(prefix, "drive_c", "users")
                for user in os.listdir(users):
                    self.assertFalse(os.path.exists(os.path.join(users, user, "AppData", "Roaming", "Korvane",
                                                                 "Checker", "Fixture")))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[1:], verbosity=2)
