#!/usr/bin/env python3
"""End to end: the real checker (notify-check natively, NotifyCheck.exe under Wine) on the
fixture folders beside this script, one folder per kind of problem, asserting on its JSON."""
import json
import os
import re
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


def fixture(name):
    return os.path.join(HERE, name)


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
                         [("good", 3, "show"), ("spring-sale", 16, "error"), ("no-date", 29, "error"),
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
        self.assertEqual(lines[-1], "6 messages: 0 to show, 5 in error; 5 errors, 0 warnings")


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
        with tempfile.TemporaryDirectory() as scratch:
            folder = os.path.join(scratch, "app")
            shutil.copytree(fixture("decisions"), folder)
            catalogue = os.path.join(folder, "Message.xml")
            with open(catalogue, encoding="utf-8") as f:
                text = f.read()
            with open(catalogue, "w", encoding="utf-8", newline="") as f:
                f.write(text.replace('<Catalog AppID="Checker.Fixture">', '<Catalog AppID="Checker.Fixture" Defer=" off ">'))
            _, report = check_json(folder, "--new-user", expect=0)
        self.assertEqual(report["show"], plain["show"])
        self.assertIn(("defer", "Message.xml", 2, 34), found(report, "note"))

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


class Published(unittest.TestCase):
    """Rule source on the shipped root, and --published against its keys: each fault Notify
    would refuse a copy for is an error at its place, and the product's own verdict agrees."""

    @classmethod
    def setUpClass(cls):
        sys.path.insert(0, os.path.join(SOURCE, "tools"))
        import published_host
        cls.scratch = tempfile.mkdtemp(prefix="checker-published-")
        cls.key = published_host.SigningKey(cls.scratch, "key")
        cls.other = published_host.SigningKey(cls.scratch, "other")
        with open(fixture("published/publication.xml"), encoding="utf-8") as f:
            cls.publication = f.read()

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch, ignore_errors=True)

    def folder(self, **attributes):
        """A program folder with the fixture's root, its attributes replaced (None removes one)."""
        folder = tempfile.mkdtemp(dir=self.scratch)
        shutil.copytree(fixture("decisions/Image"), os.path.join(folder, "Image"))
        with open(fixture("published/Message.xml"), encoding="utf-8") as f:
            text = f.read().replace("@KEY@", self.key.source_key)
        for name, value in attributes.items():
            text = re.sub(rf' {name}="[^"]*"', "" if value is None else f' {name}="{value}"', text, count=1)
        with open(os.path.join(folder, "Message.xml"), "w", encoding="utf-8", newline="") as f:
            f.write(text)
        return folder, text.splitlines()[2]

    def write_publication(self, folder, data, signer):
        path = os.path.join(folder, "publication.xml")
        with open(path, "wb") as f:
            f.write(data)
        if signer is not None:
            with open(path + ".sig", "wb") as f:
                f.write(signer.sign(data))
        return path

    def test_source_attributes(self):
        cases = [
            # name, root attributes, (severity, attribute) of each source finding, exit status
            ("as shipped", {}, [("note", "Source")], 0),
            ("plain http elsewhere", {"Source": "http://updates.example.com/m.xml"}, [("error", "Source")], 1),
            ("loopback http", {"Source": "http://127.0.0.1:8080/m.xml"}, [("note", "Source")], 0),
            ("one bad key of two", {"SourceKey": self.key.source_key + " bogus"},
             [("warning", "SourceKey"), ("note", "Source")], 0),
            ("no usable key", {"SourceKey": "bogus"}, [("warning", "SourceKey"), ("error", "SourceKey")], 1),
            ("no key", {"SourceKey": None}, [("error", "Source")], 1),
            ("SourceEvery not hours", {"SourceEvery": "daily"}, [("warning", "SourceEvery"), ("note", "Source")], 0),
            ("SourceEvery over ten years", {"SourceEvery": "87601"},
             [("warning", "SourceEvery"), ("note", "Source")], 0),
            ("a key without Source", {"Source": None}, [("warning", "SourceKey")], 0),
        ]
        for name, attributes, expected, status in cases:
            with self.subTest(name):
                folder, root = self.folder(**attributes)
                code, report = check_json(folder, "--new-user", expect=status)
                source = [d for d in report["diagnostics"] if d["rule"] == "source"]
                self.assertEqual([(d["severity"], d["column"]) for d in source],
                                 [(severity, root.index(f" {attr}=") + 2) for severity, attr in expected], source)
                self.assertEqual(report["show"], ["local"])

    def test_publication_faults(self):
        big = "<!-- " + "x" * (1024 * 1024) + " -->\n</Catalog>"
        cases = [
            # name, (old, new) before signing, change after signing, signer, errors (rule, line), verdict
            ("good", None, None, self.key, [], "accept"),
            ("tampered", None, (b"tonight", b"at noon"), self.key, [("signature", 1)], "bad signature"),
            ("another key", None, None, self.other, [("signature", 1)], "bad signature"),
            ("another AppID", ('AppID="Checker.Published"', 'AppID="Checker.Other"'), None, self.key,
             [("published", 2)], "other AppID"),
            ("no Serial", (' Serial="7"', ""), None, self.key, [("published", 2)], "no serial"),
            ("file Uri", ("https://example.org/status", "file:///C:/Windows/notepad.exe"), None, self.key,
             [("published", 5)], "forbidden Uri"),
            ("UNC Check", ("<Check></Check>", r"<Check>\\server\share\x.txt</Check>"), None, self.key,
             [("published", 4)], "forbidden path"),
            ("Logo climbs out", ("<Logo></Logo>", r"<Logo>..\..\x.png</Logo>"), None, self.key,
             [("published", 6)], "forbidden path"),
            ("unknown Style", ('Style="Blue"', 'Style="Nope"'), None, self.key, [("published", 3)], "unknown style"),
            ("over 1 MiB", ("</Catalog>", big), None, self.key, [("published", 1)], "too large"),
        ]
        for name, before, after, signer, errors, verdict in cases:
            with self.subTest(name):
                folder, _ = self.folder()
                text = self.publication.replace(*before, 1) if before else self.publication
                data = text.encode()
                path = self.write_publication(folder, data, signer)
                if after:
                    with open(path, "wb") as f:
                        f.write(data.replace(*after))
                code, report = check_json(folder, "--new-user", "--published", arg_path(path),
                                          expect=1 if errors else 0)
                self.assertEqual([(d["rule"], d["line"]) for d in report["diagnostics"] if d["severity"] == "error"],
                                 errors, report["diagnostics"])
                verdicts = [d["message"] for d in report["diagnostics"] if d["message"].startswith("Notify would")]
                self.assertEqual(len(verdicts), 1, report["diagnostics"])
                self.assertTrue(verdicts[0].endswith(verdict) or f"would {verdict} this copy" in verdicts[0], verdicts)
                if not errors:
                    self.assertEqual(report["show"], ["outage"])
                    self.assertEqual([m["decision"] for m in report["messages"]], ["show", "expired"])

    def test_unsigned_publication_is_a_warning(self):
        folder, _ = self.folder()
        path = self.write_publication(folder, self.publication.encode(), None)
        code, report = check_json(folder, "--new-user", "--published", arg_path(path), expect=0)
        warnings = [d for d in report["diagnostics"] if d["severity"] == "warning"]
        self.assertEqual([d["rule"] for d in warnings], ["expired", "signature"])
        self.assertIn("sign before upload", warnings[1]["message"])
        self.assertEqual(report["show"], ["outage"])

    @unittest.skipUnless(WINDOWS and os.environ.get("WINEPREFIX"), "the Windows build reads this user's files")
    def test_this_users_last_fetch_and_kept_copy(self):
        folder, _ = self.folder()
        users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
        user = [u for u in os.listdir(users) if u != "Public"][0]
        kept = os.path.join(users, user, "AppData", "Roaming", "Korvane", "Checker", "Published")
        os.makedirs(os.path.join(kept, "Published"))
        try:
            with open(os.path.join(kept, "State.xml"), "w", newline="") as f:
                f.write('<?xml version="1.0" encoding="UTF-8"?>\r\n<State>\r\n  <Published ETag="&quot;e1&quot;" '
                        'LastAttempt="2026-05-31T08:00:00Z" Outcome="accepted" Status="200" Serial="7"/>\r\n</State>\r\n')
            self.write_publication(os.path.join(kept, "Published"), self.publication.encode(), self.key)
            os.rename(os.path.join(kept, "Published", "publication.xml"), os.path.join(kept, "Published", "Message.xml"))
            os.rename(os.path.join(kept, "Published", "publication.xml.sig"),
                      os.path.join(kept, "Published", "Message.xml.sig"))
            code, report = check_json(folder, expect=0)
            notes = [d["message"] for d in report["diagnostics"] if d["rule"] == "published"]
            self.assertIn("2026-05-31T08:00:00Z, accepted (HTTP 200)", notes[0])
            self.assertEqual(notes[2:], ['Message "outage" of the kept copy: show',
                                         'Message "old-survey" of the kept copy: expired (2020-01-01)'])
            # A publication older than the kept copy would be refused on this machine.
            older = self.write_publication(folder, self.publication.replace('Serial="7"', 'Serial="6"').encode(),
                                           self.key)
            code, report = check_json(folder, "--published", arg_path(older), expect=1)
            self.assertIn("rollback", " ".join(d["message"] for d in report["diagnostics"] if d["severity"] == "error"))
            # A kept copy changed on disk is ignored, as Notify ignores it.
            with open(os.path.join(kept, "Published", "Message.xml"), "ab") as f:
                f.write(b"\n")
            code, report = check_json(folder, expect=0)
            warnings = [d["message"] for d in report["diagnostics"] if d["severity"] == "warning"]
            self.assertEqual(len(warnings), 1)
            self.assertIn("ignored (bad signature)", warnings[0])
        finally:
            shutil.rmtree(os.path.dirname(kept), ignore_errors=True)


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
