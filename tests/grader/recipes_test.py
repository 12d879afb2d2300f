#!/usr/bin/env python3
"""The grading recipes of examples/grading, each run in a folder laid out
as its platform lays it out, with what it writes read back.

Usage: recipes_test.py BIN-DIR SOURCE-DIR
"""
import csv
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import yaml

BIN = SOURCE = None
EXERCISE_FILES = ["init.json", "expected.json", "init2.json", "expected2.json"]


def exercise(name):
    return os.path.join(SOURCE, "examples", "exercises", name)


def recipe(*parts):
    return os.path.join(SOURCE, "examples", "grading", *parts)


def copy_exercise(to):
    os.makedirs(to)
    for name in EXERCISE_FILES:
        shutil.copy(os.path.join(exercise("02-sum"), name), to)


def env(**more):
    e = dict(os.environ, PATH=BIN + os.pathsep + os.environ["PATH"])
    e.update(more)
    return e


# What a student hands in, and the points it earns of 02-sum's two.
HAND_INS = [
    ("the sample solution", {"sum.asm": "solution.asm"}, 2),
    ("the untouched start", {"sum.asm": "start.asm"}, 0),
    ("nothing", {}, None),
]


class Recipes(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def fresh(self):
        self.tearDown()
        self.setUp()

    def hand_in(self, folder, files):
        os.makedirs(folder, exist_ok=True)
        for name, sample in files.items():
            shutil.copy(os.path.join(exercise("02-sum"), sample), os.path.join(folder, name))

    def test_gradescope_run_autograder(self):
        for what, files, points in HAND_INS:
            with self.subTest(what):
                self.fresh()
                root = os.path.join(self.dir, "autograder")
                copy_exercise(os.path.join(root, "source", "exercise"))
                shutil.copy(recipe("gradescope", "run_autograder"), os.path.join(root, "source"))
                self.hand_in(os.path.join(root, "submission"), files)
                r = subprocess.run([os.path.join(root, "source", "run_autograder")],
                                   env=env(AUTOGRADER_ROOT=root), capture_output=True)
                self.assertEqual(r.returncode, 0, r.stderr)
                with open(os.path.join(root, "results", "results.json")) as f:
                    results = json.load(f)
                self.assertEqual(results["score"], points or 0)
                self.assertEqual(sum(t["max_score"] for t in results["tests"]), 2)
                if points is None:
                    self.assertIn("No .asm or .8xe file", results["output"])

    def test_prairielearn_grader_script(self):
        for what, files, points in HAND_INS:
            with self.subTest(what):
                self.fresh()
                root = os.path.join(self.dir, "grade")
                shutil.copytree(recipe("prairielearn", "tests"), os.path.join(root, "tests"))
                copy_exercise(os.path.join(root, "tests", "exercise"))
                self.hand_in(os.path.join(root, "student"), files)
                r = subprocess.run([os.path.join(root, "tests", "run.sh")],
                                   env=env(GRADE_ROOT=root), capture_output=True)
                self.assertEqual(r.returncode, 0, r.stderr)
                with open(os.path.join(root, "results", "results.json")) as f:
                    results = json.load(f)
                self.assertEqual(results["gradable"], points is not None)
                if points is not None:
                    self.assertEqual(results["score"], points / 2)
        with open(recipe("prairielearn", "info.json")) as f:
            info = json.load(f)
        self.assertEqual(info["externalGradingOptions"]["entrypoint"], "/grade/tests/run.sh")

    def test_github_classroom_workflow(self):
        with open(recipe("github-classroom", ".github", "workflows", "classroom.yml")) as f:
            workflow = yaml.safe_load(f)
        (job,) = workflow["jobs"].values()
        graders = [s for s in job["steps"]
                   if s.get("uses", "").startswith("classroom-resources/autograding-command-grader")]
        (reporter,) = [s for s in job["steps"]
                       if s.get("uses", "").startswith("classroom-resources/autograding-grader-reporter")]
        ids = [s["id"] for s in graders]
        self.assertEqual(reporter["with"]["runners"].split(","), ids)
        self.assertEqual(sorted(reporter["env"]), sorted(i.upper() + "_RESULTS" for i in ids))
        self.assertEqual(len(graders), 2)  # one per start of 02-sum
        for what, files, points in HAND_INS:
            with self.subTest(what):
                self.fresh()
                repo = os.path.join(self.dir, "repo")
                copy_exercise(os.path.join(repo, "exercise"))
                self.hand_in(repo, files)
                earned = 0
                for step in graders:
                    r = subprocess.run(["bash", "-c", step["with"]["command"]], cwd=repo,
                                       env=env(), capture_output=True)
                    self.assertIn(r.returncode, (0, 1, 3), r.stderr)
                    earned += step["with"]["max-score"] if r.returncode == 0 else 0
                self.assertEqual(earned, points or 0)

    def test_gradebook_csv_per_exercise(self):
        exercises = os.path.join(self.dir, "exercises")
        copy_exercise(os.path.join(exercises, "02-sum"))
        shutil.copytree(exercise("01-load-and-store"), os.path.join(exercises, "01-load-and-store"))
        self.hand_in(os.path.join(self.dir, "submissions", "02-sum", "alice"), {"sum.asm": "solution.asm"})
        self.hand_in(os.path.join(self.dir, "submissions", "02-sum"), {"bob.asm": "start.asm"})
        r = subprocess.run([recipe("gradebook", "grade-class.sh")], cwd=self.dir, env=env(),
                           capture_output=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(self.dir, "grades", "02-sum.csv"), newline="") as f:
            rows = list(csv.DictReader(f))
        self.assertEqual([(row["student"], row["total"]) for row in rows],
                         [("alice", "2"), ("bob", "0")])
        # No hand-ins for 01: no file, rather than an empty one.
        self.assertFalse(os.path.exists(os.path.join(self.dir, "grades", "01-load-and-store.csv")))


def doc_blocks(path, heading):
    """The fenced blocks of one section of a guide: (language, text) each."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    start = text.index("\n" + heading + "\n")
    end = text.find("\n## ", start + 1)
    section = text[start:end if end >= 0 else len(text)]
    return re.findall(r"^```(\w*)\n(.*?)^```$", section, re.S | re.M)


class GuideWalk(unittest.TestCase):
    """Writing an exercise in five minutes, command by command, in an empty
    folder with the toolkit's folder beside it: each command's output as the
    guide shows it."""

    def test_every_command_prints_what_the_guide_shows(self):
        blocks = doc_blocks(os.path.join(SOURCE, "docs", "grading.md"),
                            "## Writing an exercise in five minutes")
        self.assertGreater(sum(1 for lang, _ in blocks if lang == "sh"), 3)
        with tempfile.TemporaryDirectory() as work:
            os.symlink(SOURCE, os.path.join(work, "mox77"))
            printed = None
            for lang, text in blocks:
                if lang == "sh":
                    r = subprocess.run(["bash", "-euo", "pipefail", "-c", text], cwd=work,
                                       env=env(), capture_output=True, text=True)
                    # 3: a program graded there fails, as the start file does
                    self.assertIn(r.returncode, (0, 3), text + r.stderr)
                    printed = r.stdout
                elif lang == "":
                    self.assertEqual(printed, text, "the output shown after the command")
                elif lang == "json":
                    # The members shown of the results the last command wrote.
                    with open(os.path.join(work, "autograder", "results", "results.json")) as f:
                        results = json.load(f)
                    for key, value in json.loads(text).items():
                        self.assertEqual(results[key], value, key)


if __name__ == "__main__":
    BIN = os.path.abspath(sys.argv.pop(1))
    SOURCE = os.path.abspath(sys.argv.pop(1))
    unittest.main()
