#!/usr/bin/env bash
# PrairieLearn's external grader runs this (the question's info.json names
# it as its entrypoint): the student's files are in /grade/student, this
# folder is /grade/tests, and PrairieLearn reads /grade/results/results.json.
set -uo pipefail
root="${GRADE_ROOT:-/grade}"
grade="${MOX77_GRADE:-mox77-grade}"
mkdir -p "$root/results"
cd "$root/student" || exit 1
"$grade" --exercise "$root/tests/exercise" --prairielearn "$root/results/results.json" .
status=$?
if [ "$status" -eq 2 ] || [ ! -s "$root/results/results.json" ]; then
  echo "run.sh: mox77-grade could not grade (status $status)" >&2
  exit 1
fi
