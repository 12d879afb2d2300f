#!/usr/bin/env bash
# Gradescope runs this once, as root, when it builds the autograder (choose
# the Ubuntu 24.04 base image). It installs mox77-grade: from the toolkit's
# Debian package when one was zipped in beside it (built on the same
# system), else from the toolkit's source, zipped in as the folder mox77/.
set -euo pipefail
source_dir="${AUTOGRADER_SOURCE:-/autograder/source}"
shopt -s nullglob
packages=("$source_dir"/mox77_*.deb)
if [ ${#packages[@]} -gt 0 ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${packages[0]}"
else
  "$source_dir/mox77/examples/grading/install-console-tools.sh" "$source_dir/mox77"
fi
mox77-grade --help >/dev/null
