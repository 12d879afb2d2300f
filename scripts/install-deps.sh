#!/usr/bin/env bash
# Installs the Debian packages the toolkit needs to build, test and run.
# Idempotent: packages that are already there are left alone. Run it as
# yourself: it asks for sudo only when something is missing (as root it
# runs apt directly).
set -euo pipefail

# "a|b": the first of these the system's archive knows, so that one list
# serves Debian 12, Debian 13 and Ubuntu 24.04.
packages=(
  build-essential cmake git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqscintilla2-qt6-dev "fonts-liberation2|fonts-liberation"
  nlohmann-json3-dev libpugixml-dev python3 python3-junitparser python3-yaml
  emscripten nodejs
  clang clang-format libclang-rt-dev
  xterm
  dpkg-dev file scdoc lintian desktop-file-utils appstream man-db
  chromium firefox-esr webkit2gtk-driver xvfb xauth
  neovim unzip
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

known() {
  [ -n "$(apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p' | grep -v '(none)')" ]
}

apt_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    apt_root=(sudo)
  fi
fi

# Groups of which nothing is installed yet.
wanted=()
for p in "${packages[@]}"; do
  IFS='|' read -r -a choices <<<"$p"
  have=no
  for c in "${choices[@]}"; do
    if installed "$c"; then have=yes; break; fi
  done
  [ "$have" = yes ] || wanted+=("$p")
done
# Debian packages npm apart from Node; a Node from elsewhere brings its own,
# and Debian's npm would not install beside it.
command -v npm >/dev/null 2>&1 || wanted+=(npm)

if [ ${#wanted[@]} -eq 0 ]; then
  echo "==> all packages present"
  exit 0
fi

if [ "$(id -u)" -ne 0 ] && [ ${#apt_root[@]} -eq 0 ]; then
  echo "==> missing: ${wanted[*]}" >&2
  echo "==> installing them needs root: run scripts/install-deps.sh as root, or install sudo" >&2
  exit 1
fi
"${apt_root[@]}" apt-get update -qq
missing=()
for p in "${wanted[@]}"; do
  IFS='|' read -r -a choices <<<"$p"
  chosen="${choices[0]}"
  for c in "${choices[@]}"; do
    if known "$c"; then chosen="$c"; break; fi
  done
  missing+=("$chosen")
done
echo "==> installing: ${missing[*]}"
"${apt_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "==> packages installed"
