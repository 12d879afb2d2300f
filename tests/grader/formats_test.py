#!/usr/bin/env python3
"""mox77-grade's exercise grading and the platforms' files, read back by
readers of their own: Python's json, csv and xml modules and junitparser.

Usage: formats_test.py PATH-TO-mox77-grade
"""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

import junitparser

GRADE = None

# 02-sum from two starts; the second start is worth two points.
EXERCISE = {
    "init.json": '{"memory": {"0x00": 1000, "0x01": 2345}}',
    "expected.json": '{"memory": {"0x02": 3345}, "running": false}',
    "init2.json": '{"memory": {"0x00": -7, "0x01": 100}}',
    "expected2.json": '{"points": 2, "memory": {"0x02": 93}, "running": false}',
}
SUM = "loadm ax, 00\nloadm bx, 01\nadd ax, bx\nstore ax, 02\nhalt\n"
DIFFERENCE = SUM.replace("add", "sub")
# 93 stored as a constant: right from the second start only.
CONSTANT = "load ax, 5d\nstore ax, 02\nhalt\n"
TYPOS = "loadm ax, 00\nloadm bx, 01\nad ax, bx\nstor ax, 02\nhalt\n"
NOT_A_PROGRAM = b"\x7fELF\x02\x01\x00\x00"


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def grade(args, cwd):
    return subprocess.run([GRADE] + args, cwd=cwd, capture_output=True, stdin=subprocess.DEVNULL)


class Folder(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name
        for name, text in EXERCISE.items():
            write(os.path.join(self.dir, "ex", name), text)

    def tearDown(self):
        self.tmp.cleanup()

    def fresh(self):
        """An empty folder again, for the next case of a table."""
        self.tearDown()
        self.setUp()

    def path(self, name):
        return os.path.join(self.dir, name)


class OneHandIn(Folder):
    """Gradescope's and PrairieLearn's results and JUnit for one student."""

    # name, files handed in, points per test, zerlant's lines or the reason
    # expected in a failed test's output, exit status
    CASES = [
        ("passes all", {"sum.asm": SUM}, [1, 2], None, 0),
        ("passes some", {"sum.asm": CONSTANT}, [0, 2], "[2]: expected d11, got 5d", 3),
        ("passes none", {"sum.asm": DIFFERENCE}, [0, 0], "[2]: expected d11, got fffffabf", 3),
        ("does not assemble", {"sum.asm": TYPOS}, [0, 0],
         "error on line(3):  invalid instruction\nerror on line(4): ", 3),
        ("is not a program", {"sum.8xe": NOT_A_PROGRAM}, [0, 0],
         "invalid program: byte 0x7f at position 0", 3),
        ("hands in nothing", {}, None, "No .asm or .8xe file was handed in.", 1),
        ("hands in two", {"a.asm": SUM, "b.asm": SUM}, None, "Hand in one program; found 2", 0),
    ]

    def run_case(self, files):
        os.makedirs(self.path("sub"), exist_ok=True)
        for name, data in files.items():
            write(self.path("sub/" + name), data)
        return grade(["--exercise", "ex", "--gradescope", "gs.json", "--prairielearn", "pl.json",
                      "--junit", "junit.xml", "sub"], self.dir)

    def test_each_kind_of_hand_in(self):
        for name, files, points, why, status in self.CASES:
            with self.subTest(name):
                self.fresh()
                r = self.run_case(files)
                self.assertEqual(r.returncode, status, r.stderr)
                with open(self.path("gs.json"), encoding="utf-8") as f:
                    gs = json.load(f)
                with open(self.path("pl.json"), encoding="utf-8") as f:
                    pl = json.load(f)
                self.check_gradescope(gs, points, why)
                self.check_prairielearn(pl, points, why)
                self.check_junit(len(files), points, why)

    def check_gradescope(self, gs, points, why):
        self.assertEqual(gs["stdout_visibility"], "visible")
        self.assertIsInstance(gs["execution_time"], (int, float))
        self.assertEqual([t["max_score"] for t in gs["tests"]], [1, 2])
        got = points or [0, 0]
        self.assertEqual([t["score"] for t in gs["tests"]], got)
        self.assertEqual(gs["score"], sum(got))
        self.assertEqual([t["status"] for t in gs["tests"]],
                         ["passed" if p else "failed" for p in got])
        for t in gs["tests"]:
            self.assertEqual(t["visibility"], "visible")
            self.assertIn("expected", t["name"])
            if t["status"] == "passed":
                self.assertEqual(t["output"], "")
        if why:
            failed = [t["output"] for t in gs["tests"] if t["status"] == "failed"]
            self.assertTrue(any(why in out for out in failed) or why in gs["output"], gs)

    def check_prairielearn(self, pl, points, why):
        if points is None:
            self.assertIs(pl["gradable"], False)
            self.assertIn(why, pl["format_errors"][0])
            return
        self.assertIs(pl["gradable"], True)
        self.assertAlmostEqual(pl["score"], sum(points) / 3)
        self.assertTrue(0 <= pl["score"] <= 1)
        self.assertEqual([t["points"] for t in pl["tests"]], points)
        self.assertEqual([t["max_points"] for t in pl["tests"]], [1, 2])
        for t in pl["tests"]:
            self.assertIsInstance(t["message"], str)
            self.assertIsInstance(t["output"], str)
        if why:
            self.assertTrue(any(why in t["output"] for t in pl["tests"]), pl)

    def check_junit(self, programs, points, why):
        xml = junitparser.JUnitXml.fromfile(self.path("junit.xml"))
        suites = list(xml)
        self.assertEqual(len(suites), programs)
        if points is None:
            return
        (suite,) = suites
        cases = list(suite)
        self.assertEqual([c.is_passed for c in cases], [p > 0 for p in points])
        failures = [c.result[0].text for c in cases if not c.is_passed]
        if why:
            self.assertTrue(any(why.splitlines()[0] in text for text in failures), failures)


class Class(Folder):
    """A class graded against the exercise: the text forms gain the tests."""

    def write_class(self):
        write(self.path("class/alice/sum.asm"), SUM)
        write(self.path("class/bob.asm"), CONSTANT)
        write(self.path("class/carol/work/sum.asm"), TYPOS)

    def test_csv_has_a_column_per_test_and_the_total(self):
        self.write_class()
        r = grade(["--exercise", "ex", "--csv", "class"], self.dir)
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertEqual(r.stderr, b"1 of 3 passed\n")
        rows = list(csv.DictReader(io.StringIO(r.stdout.decode(), newline="")))
        self.assertEqual([(row["student"], row["expected.json"], row["expected2.json"],
                           row["total"], row["result"]) for row in rows],
                         [("alice", "1", "2", "3", "PASS"),
                          ("bob", "0", "2", "2", "FAIL"),
                          ("carol", "0", "0", "0", "FAIL")])
        self.assertEqual(rows[2]["errors"], "2")

    def test_json_and_table_give_each_test(self):
        self.write_class()
        r = grade(["--exercise", "ex", "--json", "class"], self.dir)
        report = json.loads(r.stdout)
        bob = report["submissions"][1]
        self.assertEqual((bob["student"], bob["points"], bob["max_points"]), ("bob", 2, 3))
        self.assertEqual([(t["name"], t["init"], t["result"]) for t in bob["tests"]],
                         [("expected.json", "init.json", "FAIL"),
                          ("expected2.json", "init2.json", "PASS")])
        self.assertEqual(bob["tests"][0]["mismatches"], ["[2]: expected d11, got 5d"])
        table = grade(["--exercise", "ex", "class"], self.dir).stdout.decode().splitlines()
        self.assertEqual(table[0].split(), ["file", "assembled", "expected.json",
                                            "expected2.json", "points", "first", "mismatch"])
        self.assertEqual(table[2].split()[:6], ["class/bob.asm", "yes", "FAIL", "PASS", "2", "of"])
        self.assertEqual(table[-1], "1 of 3 passed")

    def test_an_exercise_folder_with_a_fault_grades_nothing(self):
        write(self.path("good.asm"), SUM)
        cases = [
            ({"expected2.json": '{"points": -1}'}, "expected2.json: points: expected a number"),
            ({"expected2.json": '{"points": "2"}'}, "expected2.json: points: expected a number"),
            ({"init3.json": "{}"}, "init3.json: has no expected3.json"),
            ({"expected2.json": '{"colour": 1}'}, "expected2.json: colour: unknown field"),
        ]
        for files, message in cases:
            with self.subTest(message):
                self.fresh()
                write(self.path("good.asm"), SUM)
                for name, text in files.items():
                    write(self.path("ex/" + name), text)
                r = grade(["--exercise", "ex", "good.asm"], self.dir)
                self.assertEqual(r.returncode, 2)
                self.assertIn(message, r.stderr.decode())
                self.assertEqual(r.stdout, b"")
        os.makedirs(self.path("empty"))
        for args, message in [(["--exercise", "empty"], "holds no expected.json"),
                              (["--exercise", "nowhere"], "not an exercise folder"),
                              (["--exercise", "ex", "--expect", "ex/expected.json"],
                               "--exercise excludes --expect")]:
            r = grade(args + ["good.asm"], self.dir)
            self.assertEqual(r.returncode, 2, args)
            self.assertIn(message, r.stderr.decode())

    def test_expect_alone_still_counts_its_points(self):
        write(self.path("good.asm"), SUM)
        r = grade(["--expect", "ex/expected2.json", "--init", "ex/init2.json",
                   "--gradescope", "gs.json", "good.asm"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(self.path("gs.json"), encoding="utf-8") as f:
            self.assertEqual(json.load(f)["score"], 2)


# The same exercise with its recipe and sample solution: three hidden starts
# drawn at grading time beside the two public ones.
RECIPE = """{"inputs": {"memory": {"0x00": [-1000, 1000], "0x01": [-1000, 1000]}},
 "outputs": {"memory": ["0x02"], "running": false}, "public": 2, "hidden": 3, "seed": 11}"""


class HiddenStarts(Folder):
    """Hidden starts: run by the grader, their inputs said only to the teacher."""

    def setUp(self):
        super().setUp()
        write(self.path("ex/exercise.json"), RECIPE)
        write(self.path("ex/solution.asm"), SUM)
        write(self.path("sub/sum.asm"), CONSTANT)

    def platforms(self, *more):
        r = grade(["--exercise", "ex", "--gradescope", "gs.json", "--prairielearn", "pl.json",
                   "--junit", "junit.xml", *more, "sub"], self.dir)
        texts = [r.stdout.decode()]
        for name in ["gs.json", "pl.json", "junit.xml"]:
            with open(self.path(name), encoding="utf-8") as f:
                texts.append(f.read())
        return r, texts

    def hidden_inputs(self):
        r = grade(["--exercise", "ex", "--json", "--show-hidden", "sub"], self.dir)
        tests = json.loads(r.stdout)["submissions"][0]["tests"]
        return [json.dumps(t["init"], separators=(",", ":")) for t in tests if t["hidden"]]

    def test_a_copied_answer_passes_no_hidden_start(self):
        r, _ = self.platforms()
        self.assertEqual(r.returncode, 3, r.stderr)
        with open(self.path("gs.json"), encoding="utf-8") as f:
            gs = json.load(f)
        self.assertEqual([(t["name"], t["visibility"], t["status"]) for t in gs["tests"]],
                         [("expected.json from init.json", "visible", "failed"),
                          ("expected2.json from init2.json", "visible", "passed")] +
                         [("hidden start %d" % n, "after_published", "failed") for n in (1, 2, 3)])
        # Seen before the grades are published: nothing of the hidden results.
        self.assertEqual(gs["output"], "sub/sum.asm: 1 of 2 public starts passes; 3 hidden "
                                       "starts are shown when the grades are published.\n")
        with open(self.path("pl.json"), encoding="utf-8") as f:
            pl = json.load(f)
        self.assertEqual([t["name"] for t in pl["tests"]][2:],
                         ["hidden start 1", "hidden start 2", "hidden start 3"])
        self.assertEqual(pl["message"], "sub/sum.asm: 1 of 2 public starts passes; 0 of 3 hidden "
                                        "starts pass, 2 of 6 points.")
        cases = list(next(iter(junitparser.JUnitXml.fromfile(self.path("junit.xml")))))
        self.assertEqual([c.name for c in cases][2:],
                         ["hidden start 1", "hidden start 2", "hidden start 3"])
        self.assertEqual([c.is_passed for c in cases], [False, True, False, False, False])

    def test_inputs_are_said_only_with_show_hidden(self):
        inputs = self.hidden_inputs()
        self.assertEqual(len(set(inputs)), 3)
        for start in inputs:
            self.assertIn('"0x00":', start)
        for more, said in [([], False), (["--show-hidden"], True)]:
            _, texts = self.platforms(*more)
            csv_text = grade(["--exercise", "ex", "--csv", *more, "sub"], self.dir).stdout.decode()
            for text in texts + [csv_text]:
                # as JSON strings, CSV fields and XML attributes quote them
                plain = text.replace("&quot;", '"').replace('\\"', '"').replace('""', '"')
                for start in inputs:
                    self.assertEqual(start in plain, said, (more, start, text[:300]))

    def test_a_student_copy_holds_no_solution_and_no_seed(self):
        r = grade(["--student-copy", "ex", "copy"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(self.path("copy"))),
                         sorted(list(EXERCISE) + ["exercise.json"]))
        self.assertEqual(r.stdout.decode().count("wrote "), len(EXERCISE) + 1)
        with open(self.path("copy/exercise.json"), encoding="utf-8") as f:
            recipe = json.load(f)
        self.assertNotIn("seed", recipe)
        self.assertEqual(recipe["hidden"], 3)
        # Graded on the copy, the hidden starts are said not to have run.
        r = grade(["--exercise", "copy", "sub"], self.dir)
        self.assertEqual(r.returncode, 3)
        self.assertIn("copy: 3 hidden starts are not run", r.stderr.decode())
        self.assertNotIn("hidden start", r.stdout.decode())
        # Nothing already in a folder is written over.
        for args in [["--student-copy", "ex", "copy"], ["--student-copy", "ex", "ex"]]:
            r = grade(args, self.dir)
            self.assertEqual(r.returncode, 2, args)
            self.assertIn("already holds files", r.stderr.decode())
        with open(self.path("ex/exercise.json"), encoding="utf-8") as f:
            self.assertEqual(f.read(), RECIPE)
        for args in [["--show-hidden", "sub"], ["--student-copy", "ex"],
                     ["--student-copy", "ex", "a", "b"]]:
            self.assertEqual(grade(args, self.dir).returncode, 2, args)


class HostileNames(Folder):
    """A student names the file: every form must stay readable."""

    NAMES = [b'quote"and\'apos.asm', b"less<than>&amp;.asm", b"]]>cdata.asm",
             b"tab\tbell\x07.asm", b"latin1 \xe9t\xe9.asm", b"cut\xe2\x82.asm",
             b"=cmd|' /C calc'!A0.asm"]

    def test_junit_json_and_csv_read_back(self):
        for name in self.NAMES:
            write(os.path.join(self.dir.encode(), b"class", name), SUM)
        r = grade(["--exercise", "ex", "--junit", "junit.xml", "--json", "class"], self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        report = json.loads(r.stdout.decode("utf-8"))
        names = [s["file"] for s in report["submissions"]]
        self.assertEqual(len(names), len(self.NAMES))
        root = ET.parse(self.path("junit.xml")).getroot()
        self.assertEqual([s.get("name") for s in root.iter("testsuite")], names)
        for name in self.NAMES:
            if name.isascii() and name.decode().isprintable():
                self.assertIn("class/" + name.decode(), names)
        self.assertEqual(len(list(junitparser.JUnitXml.fromfile(self.path("junit.xml")))),
                         len(self.NAMES))
        r = grade(["--exercise", "ex", "--csv", "class"], self.dir)
        rows = list(csv.reader(io.StringIO(r.stdout.decode("utf-8"), newline="")))
        self.assertEqual(len(rows), len(self.NAMES) + 1)
        for row in rows[1:]:
            self.assertNotIn(row[0][:1], ["=", "+", "-", "@"])
            self.assertNotIn(row[1][:1], ["=", "+", "-", "@"])

    def test_one_hostile_hand_in_for_the_platforms(self):
        for name in self.NAMES:
            with self.subTest(name):
                self.fresh()
                write(os.path.join(self.dir.encode(), b"sub", name), TYPOS)
                grade(["--exercise", "ex", "--gradescope", "gs.json", "--prairielearn",
                       "pl.json", "--junit", "junit.xml", "sub"], self.dir)
                for results in ["gs.json", "pl.json"]:
                    with open(self.path(results), "rb") as f:
                        json.loads(f.read().decode("utf-8"))
                ET.parse(self.path("junit.xml"))


if __name__ == "__main__":
    GRADE = os.path.abspath(sys.argv.pop(1))
    unittest.main()
