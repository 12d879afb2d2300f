#!/usr/bin/env bash
# Grades a class's hand-ins for every exercise into one CSV per exercise,
# ready for a gradebook's import: a row per student, a column of points per
# test and the total.
# Layout: EXERCISES/<exercise>/ (its init*.json and expected*.json) and
# SUBMISSIONS/<exercise>/<student>/... or SUBMISSIONS/<exercise>/<student>.asm.
# Usage: grade-class.sh [EXERCISES [SUBMISSIONS [GRADES]]]
set -uo pipefail
exercises="${1:-exercises}"
submissions="${2:-submissions}"
grades="${3:-grades}"
grade="${MOX77_GRADE:-mox77-grade}"
mkdir -p "$grades"
worst=0
for ex in "$exercises"/*/; do
  name="$(basename "$ex")"
  [ -d "$submissions/$name" ] || continue
  "$grade" --exercise "$ex" --csv "$submissions/$name" >"$grades/$name.csv"
  status=$?
  echo "$name: $grades/$name.csv (status $status)"
  # 3 (someone failed) is a grade; 1 and 2 want the teacher's eye.
  if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then worst=1; fi
done
exit "$worst"
