#!/usr/bin/env bash
# Installs the Debian packages the toolkit needs to build, test and run.
# Idempotent: packages that are already there are left alone.
set -euo pipefail

packages=(
  build-essential cmake git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-svg-dev libqscintilla2-qt6-dev fonts-liberation2
  nlohmann-json3-dev
  emscripten nodejs
  clang clang-format libclang-rt-14-dev
  xterm
  dpkg-dev file scdoc lintian desktop-file-utils appstream man-db
  nodejs emscripten chromium firefox-esr webkit2gtk-driver xvfb
  neovim unzip
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "==> all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "==> installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
echo "==> packages installed"
