#!/usr/bin/env python3
"""End to end: the real checker (notify-check natively, NotifyCheck.exe under Wine) on the
fixture folders beside this script, one folder per kind of problem, asserting on its JSON."""
import atexit
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

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


def where(folder, needle, nth=0):
    """Line and column (1-based) of the nth occurrence of needle in the folder's Message.xml."""
    with open(os.path.join(folder, "Message.xml"), encoding="utf-8") as f:
        text = f.read()
    at = -1
    for _ in range(nth + 1):
        at = text.index(needle, at + 1)
    line = text.count("\n", 0, at) + 1
    return line, at - (text.rfind("\n", 0, at) + 1) + 1


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
                          ("value", "Message.xml", 72, 26), ("date-form", "Message.xml", 29, 25)])
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
        self.assertEqual(lines[-1], "6 messages: 0 to show, 5 in error, 1 blocked; 6 errors, 0 warnings")


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


class Audience(unittest.TestCase):
    """The worked examples of docs/catalogue.md, and the warnings about audience values."""

    EXAMPLES = os.path.join(SOURCE, "docs", "examples", "audience")

    def decisions(self, name, *args):
        code, out, err = run("--format", "json", "--new-user", *args, folder=os.path.join(self.EXAMPLES, name))
        self.assertEqual(code, 0, err)
        report = json.loads(out)
        return [(m["id"], m["decision"]) for m in report["messages"]], report

    def test_documented_examples(self):
        cases = [
            ("holiday", ["--today", "2026-12-01"], [("new-year-2027", "not-yet")]),
            ("holiday", ["--today", "2027-01-01"], [("new-year-2027", "show")]),
            ("holiday", ["--today", "2027-01-08"], [("new-year-2027", "expired")]),
            ("languages", ["--lang", "de-AT"], [("summit-de", "show"), ("summit-en", "other-language")]),
            ("languages", ["--lang", "EN-gb,fr"], [("summit-de", "other-language"), ("summit-en", "show")]),
            ("languages", [], [("summit-de", "other-language"), ("summit-en", "show")]),
            ("versions", ["--program-version", "5.2.1"], [("whats-new-6", "other-version"), ("please-update", "show")]),
            ("versions", ["--program-version", "6"], [("whats-new-6", "show"), ("please-update", "other-version")]),
            ("versions", ["--program-version", "7.0"],
             [("whats-new-6", "other-version"), ("please-update", "other-version")]),
            ("pacing", [], [("tip-1", "show"), ("tip-2", "held"), ("tip-3", "held")]),
        ]
        for name, args, expected in cases:
            with self.subTest(name=name, args=args):
                day = [] if "--today" in args else ["--today", "2026-06-01"]
                self.assertEqual(self.decisions(name, *day, *args)[0], expected)
        # No Program file in the folder: its version cannot be read, so neither version message shows.
        self.assertEqual(self.decisions("versions")[0],
                         [("whats-new-6", "other-version"), ("please-update", "other-version")])

    def test_audience_warnings_and_bad_values(self):
        with tempfile.TemporaryDirectory() as scratch:
            folder = os.path.join(scratch, "app")
            shutil.copytree(os.path.join(self.EXAMPLES, "holiday"), folder)
            catalogue = os.path.join(folder, "Message.xml")
            with open(catalogue, encoding="utf-8") as f:
                text = f.read()
            start = '<Message ID="new-year-2027" Start="2026-12-31" Limit="2027-01-07"'
            due = '<Message ID="new-year-2027" Start="2026-01-01" Limit="2027-01-07"'
            variants = [
                ('<Message ID="new-year-2027" Start="2027-02-01" Limit="2027-01-07"', 0, ("warning", "start")),
                (due + ' Lang="en_US de"', 0, ("warning", "lang")),
                (due + ' MinVersion="7" BelowVersion="6.9"', 0, ("warning", "version-range")),
                (due + ' BelowVersion="6.9"', 0, ("warning", "version-range")),
                (due + ' MinVersion="six"', 1, ("error", "value")),
                ('<Message ID="new-year-2027" Start="soon" Limit="2027-01-07"', 1, ("error", "value")),
            ]
            for replacement, status, finding in variants:
                with self.subTest(replacement=replacement):
                    with open(catalogue, "w", encoding="utf-8", newline="") as f:
                        f.write(text.replace(start, replacement))
                    code, report = check_json(folder, "--new-user", "--program-version", "6.0")
                    self.assertEqual(code, status)
                    self.assertIn(finding, [(d["severity"], d["rule"]) for d in report["diagnostics"]])
            for root, status in [('MaxPerRun="0"', 1), ('MinHours="x"', 1), ('MaxPerRun="2" MinHours="0"', 0)]:
                with self.subTest(root=root):
                    with open(catalogue, "w", encoding="utf-8", newline="") as f:
                        f.write(text.replace('AppID="Example.Holiday"', 'AppID="Example.Holiday" ' + root))
                    code, report = check_json(folder, "--new-user")
                    self.assertEqual(code, status, report["diagnostics"])


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
        self.expect_only(fixture("encoding"), "encoding", 3)
        self.expect_only(fixture("no-app-id"), "app-id", 2)

    def test_each_fault_is_placed_and_told_alike_on_both_builds(self):
        """The checker's own scan names the place and the words, whatever the XML reader says."""
        cases = [  # catalogue in well-formed/, rule, line, column, words
            ("ampersand.xml", "well-formed", 5, 34, "an '&' that starts no reference (an ampersand is written &amp;)"),
            ("unclosed.xml", "well-formed", 15, 3,
             "the end tag </Message> does not close the open element <Title> (line 9)"),
            ("bad-bytes.xml", "encoding", 10, 32, "the bytes are not valid in the encoding UTF-8"),
            # Columns count UTF-16 units: the emoji before the '&' is two of them on both builds.
            ("after-emoji.xml", "well-formed", 10, 33, "an '&' that starts no reference"),
        ]
        for name, rule, line, column, words in cases:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                shutil.copy(os.path.join(fixture("well-formed"), name), os.path.join(folder, "Message.xml"))
                _, report = check_json(folder, "--new-user", expect=1)
                self.assertEqual(found(report, "error"), [(rule, "Message.xml", line, column)])
                message = report["diagnostics"][0]["message"]
                self.assertIn(words, message)
                self.assertNotIn("reader says", message)

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
            self.assertEqual([m["decision"] for m in report["messages"]], ["blocked"], app_id)
            errors = [d for d in report["diagnostics"] if d["severity"] == "error"]
            self.assertEqual([(d["rule"], d["line"], d["column"]) for d in errors], [("app-id", 2, 10)], app_id)
            self.assertIn(complaint, errors[0]["message"], app_id)
            self.assertIn("cannot create the seen-message cache", errors[0]["message"], app_id)

    def test_names_windows_allows_pass(self):
        for app_id in self.GOOD:
            folder = edited("bad-cache", 'AppID="Vendor.Pro:Max"', 'AppID="%s"' % app_id)
            code, report = check_json(folder, "--new-user", expect=0)
            self.assertEqual(report["show"], ["a"], app_id)

    def test_no_show_in_any_format(self):
        code, out, _ = run("--new-user", "--today", "2026-06-01", folder=fixture("bad-cache"))
        self.assertEqual(code, 1)
        lines = out.splitlines()
        self.assertEqual([l for l in lines if l.startswith("  #")], ["  #1 a (line 3): blocked"])
        self.assertEqual(lines[-1], "1 message: 0 to show, 1 blocked; 1 error, 0 warnings")


class Presentation(unittest.TestCase):
    """Skins, pictures, logos, sounds and addresses: warnings that do not fail the run."""

    def test_presentation_warnings(self):
        code, report = check_json(fixture("presentation"), "--new-user", expect=0)
        self.assertEqual(len(report["show"]), 7)
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
            ("skin", "Message.xml", 68, 47),
            ("frame", "Image/Step/Config.xml", 7, 3),
        ]))
        by_place = {(d["file"], d["line"]): d["message"] for d in report["diagnostics"]}
        # A style that does not load changes no picture: the first message has none, a later
        # one keeps the pictures of the message before it.
        self.assertIn("as the first message shown it has no frame pictures", by_place[("Message.xml", 3)])
        self.assertIn('keeps the frame pictures of the message shown before it ("corrupt-skin", skin style "Corrupt")',
                      by_place[("Message.xml", 68)])
        self.assertIn("the title bar (MiddleTop) is 34 px high but LeftTop (28 px) and RightTop (28 px)",
                      by_place[("Image/Step/Config.xml", 7)])
        corrupt = [d["message"] for d in report["diagnostics"] if d["file"] == "Image/Corrupt/Config.xml"][0]
        self.assertIn("RightTop, RightMiddle, RightButtom, Close, Confirm will be missing", corrupt)

    def test_layout_warnings(self):
        """Text the popup would cut: each at its element, and the fitting message stays clean."""
        code, report = check_json(fixture("layout"), "--new-user", expect=0)
        self.assertEqual(report["show"], ["fits", "long-title", "tall-body", "wide-lines", "edge-body"])
        layout = [d for d in report["diagnostics"] if d["rule"] == "layout"]
        self.assertEqual(sorted((d["severity"], d["line"], d["column"]) for d in layout), [
            ("warning", 22, 5),  # Title of long-title
            ("warning", 36, 5),  # Content of tall-body
            ("warning", 50, 5),  # Author of wide-lines; its centred date line is not cut
            ("warning", 53, 5),  # BtnCfm of wide-lines
            ("warning", 62, 5),  # Content of edge-body: one line too many in the message font
        ])
        self.assertEqual(found(report, "warning"), [(d["rule"], d["file"], d["line"], d["column"]) for d in layout])
        by_line = {d["line"]: d["message"] for d in layout}
        self.assertIn("before the close button", by_line[22])
        self.assertIn("runs into the author line", by_line[36])
        self.assertIn("runs into the author line", by_line[62])
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
        self.assertEqual(len([r for r in results if r["level"] == "warning"]), 12)
        for result in results:
            self.assertEqual(ids[result["ruleIndex"]], result["ruleId"])
            location = result["locations"][0]["physicalLocation"]
            self.assertFalse(location["artifactLocation"]["uri"].startswith("/"))
            self.assertGreaterEqual(location["region"]["startLine"], 1)
            self.assertGreaterEqual(location["region"]["startColumn"], 1)
            self.assertTrue(result["message"]["text"])


class MachineDependent(unittest.TestCase):
    """Values that mean something else, or nothing, on another user's machine. Both builds
    give the same findings at the same places: the fixtures' expectations do not depend on
    the build."""

    def rules_at(self, report, rules):
        return sorted((d["severity"], d["rule"], d["line"], d["column"]) for d in report["diagnostics"]
                      if d["rule"] in rules)

    def test_date_forms_are_judged_in_each_user_locale(self):
        folder = fixture("date-forms")
        code, report = check_json(folder, "--new-user", expect=1)
        limit = lambda text: where(folder, 'Limit="' + text)
        # Two Limits English cannot read fail the run, so the others are blocked.
        self.assertEqual([(m["id"], m["decision"]) for m in report["messages"]],
                         [("plain", "blocked"), ("dotted", "error"), ("slashed", "blocked"), ("named", "blocked"),
                          ("plain-slash", "blocked"), ("german-named", "error")])
        self.assertEqual(self.rules_at(report, {"date-form", "value"}), sorted([
            ("error", "date-form", *limit("02.01.2027")), ("error", "value", *limit("02.01.2027")),
            ("warning", "date-form", *limit("31/01/2027")),
            ("error", "date-form", *limit("Jan 2, 2027")),
            ("error", "date-form", *limit("2. Januar")), ("error", "value", *limit("2. Januar")),
        ]))
        said = {d["line"]: d["message"] for d in report["diagnostics"] if d["rule"] == "date-form"}
        dotted = said[limit("02.01.2027")[0]]
        self.assertIn("2027-01-02 in de-DE, ru-RU", dotted)
        self.assertIn("no date in en-US, en-GB, fr-FR, zh-CN, ja-JP", dotted)
        self.assertIn("2027-01-31 in every locale checked", said[limit("31/01/2027")[0]])
        named = said[limit("Jan 2, 2027")[0]]
        self.assertIn("2027-01-02 in en-US, en-GB, de-DE", named)
        self.assertIn("never expires", named)
        self.assertNotIn("never expires", dotted)

    def test_path_macros_and_relative_paths_say_what_the_program_looks_for(self):
        folder = fixture("path-macros")
        code, report = check_json(folder, "--new-user", expect=0)
        check = lambda n: where(folder, "<Check>", n)
        self.assertEqual([(m["id"], m["decision"]) for m in report["messages"]],
                         [("unknown-macro", "show"), ("relative", "show"), ("parent-trap", "show"),
                          ("relative-uri", "show"), ("licensed", "check-file"), ("logo-macro", "show")])
        self.assertEqual(self.rules_at(report, {"path"}), sorted([
            ("warning", "path", *check(0)), ("warning", "path", *check(1)), ("warning", "path", *check(2)),
            ("warning", "path", *where(folder, "<Uri>readme.txt")), ("warning", "path", *where(folder, "<Logo>{#P@"))]))
        said = {d["line"]: d["message"] for d in report["diagnostics"] if d["rule"] == "path"}
        self.assertIn("{#P@CURR} is no path macro", said[check(0)[0]])
        self.assertIn('looks for "licence.key" in the folder the program was started in', said[check(1)[0]])
        self.assertIn('"licence.key" after {#P@PRT} is dropped', said[check(2)[0]])

    def test_file_names_compare_without_regard_to_case(self):
        # Style "blue" names the shared skin's Image/Blue; the logo and sound differ in case too.
        folder = fixture("case")
        os.makedirs(os.path.join(folder, "Image", "Logo"), exist_ok=True)
        shutil.copy(os.path.join(HERE, "layout", "Image", "Logo", "notify.png"),
                    os.path.join(folder, "Image", "Logo", "renew.png"))
        os.makedirs(os.path.join(folder, "Sound"), exist_ok=True)
        write_wave(os.path.join(folder, "Sound", "chime.wav"))
        code, report = check_json(folder, "--new-user", expect=0)
        self.assertEqual(report["show"], ["lower-style"])
        self.assertEqual(found(report, "warning"), [])

    def test_misspelt_names_are_named_at_their_place(self):
        for name, rule, misspelt in (("misspelt", "missing", [('Autoshut="3"', "Autoshut", "AutoShut"),
                                                              ("<content", "content", "Content")]),
                                     ("misspelt-root", "app-id", [("AppId", "AppId", "AppID")])):
            folder = fixture(name)
            code, report = check_json(folder, "--new-user", expect=1)
            errors = [d for d in report["diagnostics"] if d["severity"] == "error"]
            self.assertEqual([(d["rule"], d["line"], d["column"]) for d in errors],
                             [(rule, *where(folder, text)) for text, _, _ in misspelt])
            for error, (_, there, meant) in zip(errors, misspelt):
                self.assertIn(f"`{there}`: names are case-sensitive; did you mean `{meant}`?", error["message"])


def write_wave(path):
    import wave
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(b"\0\0" * 800)

def documented_rules():
    """The rule table of docs/checker.md: id -> its text, as a reader of the page sees it."""
    rules = {}
    with open(os.path.join(SOURCE, "docs", "checker.md"), encoding="utf-8") as f:
        for line in f:
            m = re.match(r"^\| `([a-z-]+)` \| ((?:error|warning|note)(?: / (?:error|warning|note))*) \| (.*) \|$", line)
            if m:
                rules[m.group(1)] = m.group(3).replace("`", "").replace("*", "")
    return rules


def file_uri(path):
    """The URI the report must give a folder: escaped, with the drive under Wine."""
    if WINDOWS:
        return "file:///" + urllib.parse.quote("Z:" + path, safe="/:")
    return "file://" + urllib.parse.quote(path, safe="/")


class Sarif(unittest.TestCase):
    """What a code-scanning service reads: the tool, the rules' own documentation, places."""

    def sarif(self, folder, *args):
        code, out, _ = run("--format", "sarif", "--new-user", "--today", "2026-06-01", *args, folder=folder)
        return json.loads(out)["runs"][0]

    def test_tool_and_rules_carry_their_documentation(self):
        driver = self.sarif(fixture("decisions"))["tool"]["driver"]
        self.assertRegex(driver["version"], r"^\d+\.\d+\.\d+$")
        self.assertTrue(driver["informationUri"].startswith("https://"), driver["informationUri"])
        documented = documented_rules()
        self.assertEqual(sorted(r["id"] for r in driver["rules"]), sorted(documented))
        for rule in driver["rules"]:
            short, full = rule["shortDescription"]["text"], rule["fullDescription"]["text"]
            self.assertNotEqual(full, short, rule["id"])
            self.assertGreater(len(full), len(short), rule["id"])
            self.assertEqual(full, documented[rule["id"]])
            self.assertIn(documented[rule["id"]], rule["help"]["text"])

    def test_app_id_note_names_the_cache_as_windows_does(self):
        _, report = check_json(fixture("decisions"), "--new-user")
        note = [d["message"] for d in report["diagnostics"] if d["rule"] == "app-id"][0]
        if WINDOWS:
            self.assertRegex(note, r"kept in [A-Z]:\\.*\\AppData\\Roaming\\Korvane\\Checker\\Fixture\\MessageCache\.xml$")
        else:
            self.assertTrue(note.endswith(r"kept in %APPDATA%\Korvane\Checker\Fixture\MessageCache.xml"), note)

    def test_path_prefix_names_files_from_the_repository_root(self):
        run_ = self.sarif(fixture("presentation"), "--path-prefix", "./packaging\\notify/")
        self.assertNotIn("originalUriBaseIds", run_)
        places = [r["locations"][0]["physicalLocation"]["artifactLocation"] for r in run_["results"]]
        self.assertIn({"uri": "packaging/notify/Message.xml"}, places)
        self.assertIn({"uri": "packaging/notify/Image/Step/Config.xml"}, places)
        _, report = check_json(fixture("presentation"), "--new-user", "--path-prefix", "packaging/notify")
        self.assertIn(("frame", "packaging/notify/Image/Step/Config.xml", 7, 3), found(report))

    def test_uris_are_escaped(self):
        """A folder and a style whose names hold a space, '#', '%' and a non-ASCII letter."""
        with tempfile.TemporaryDirectory() as scratch:
            folder = os.path.join(scratch, "app dir#1%\u00fc")
            shutil.copytree(fixture("presentation"), folder)
            os.rename(os.path.join(folder, "Image", "Step"), os.path.join(folder, "Image", "Step 2#"))
            catalogue = os.path.join(folder, "Message.xml")
            with open(catalogue, encoding="utf-8") as f:
                text = f.read()
            with open(catalogue, "w", encoding="utf-8", newline="") as f:
                f.write(text.replace('Style="Step"', 'Style="Step 2#"'))
            run_ = self.sarif(folder)
        base = run_["originalUriBaseIds"]["FOLDER"]["uri"]
        self.assertEqual(base, file_uri(folder) + "/")
        self.assertNotRegex(base, r"[ #\u00fc]|%(?![0-9A-F]{2})")
        uris = {r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"] for r in run_["results"]}
        self.assertIn("Image/Step%202%23/Config.xml", uris)


class FailOn(unittest.TestCase):
    def test_the_exit_status_follows_the_chosen_severity(self):
        cases = [  # folder, arguments, status
            ("demo", [], 0), ("demo", ["--fail-on", "error"], 0), ("demo", ["--fail-on", "warning"], 0),
            ("demo", ["--fail-on", "note"], 1),  # the app-id note
            ("decisions", ["--fail-on", "warning"], 1), ("decisions", ["--fail-on", "error"], 0),
            ("value", ["--fail-on", "note"], 1), ("value", ["--fail-on", "error"], 1),
            ("decisions", ["--fail-on", "warnings"], 2), ("decisions", ["--fail-on"], 2),
        ]
        for name, args, status in cases:
            folder = os.path.join(SOURCE, "demo") if name == "demo" else fixture(name)
            with self.subTest(name=name, args=args):
                code, out, err = run("--new-user", "--today", "2026-06-01", *args, folder=folder)
                self.assertEqual(code, status, out + err)


@unittest.skipUnless(WINDOWS, "how NotifyCheck.exe is run under Wine")
class UnderWine(unittest.TestCase):
    def run_in(self, cwd, *args):
        done = subprocess.run(EMULATOR + [CHECK, "--format", "json", "--new-user", "--today", "2026-06-01", *args],
                              capture_output=True, timeout=120, cwd=cwd)
        return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")

    def test_a_linux_path_the_folder_itself_and_a_linux_path_from_drive_c(self):
        _, expected = check_json(fixture("decisions"), "--new-user")
        for cwd, args in ((HERE, [fixture("decisions")]), (fixture("decisions"), [])):
            code, out, err = self.run_in(cwd, *args)
            self.assertEqual((code, found(json.loads(out))), (0, found(expected)), err)
        code, _, err = self.run_in(os.path.join(os.environ["WINEPREFIX"], "drive_c"), fixture("decisions"))
        self.assertEqual(code, 2)
        self.assertIn("Z:" + fixture("decisions").replace("/", "\\"), err)


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
