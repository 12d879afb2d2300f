#!/usr/bin/env bash
# Builds the Debian package from the release build and checks it: its
# contents, the desktop files and metadata, lintian, and the programs and
# manual pages as unpacked from it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The page is built after the configure, as a developer may well do: the
# package must take it all the same.
cmake --preset release >/dev/null
scripts/build-web.sh
echo "==> building the package"
cmake --build --preset release -j "$(nproc)" --target package
deb=build/release/mox77_$(sed -n 's/^project(mox77 VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)_amd64.deb

echo "==> checking its contents"
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in bin/{zerlant,emurun,mox77-grade,mox77-emulator,mox77-editor} \
  share/applications/mox77-{emulator,editor}.desktop \
  share/mime/packages/mox77.xml share/metainfo/org.mox77.mox77.metainfo.xml \
  share/doc/mox77/copyright share/mox77/mox77.html share/man/man1/{zerlant,emurun,mox77-grade,mox77-emulator,mox77-editor}.1.gz \
  share/icons/hicolor/scalable/{apps/mox77,mimetypes/application-x-mox77-program}.svg \
  share/icons/hicolor/{16x16,32x32,48x48,64x64,128x128,256x256}/{apps/mox77,mimetypes/application-x-mox77-program}.png; do
  grep -qx "./usr/$f" <<<"$contents" || { echo "missing from the package: /usr/$f"; exit 1; }
done
grep -q '^\./usr/share/doc/mox77/examples/exercises/[^/]*/solution\.asm$' <<<"$contents" ||
  { echo "no exercise in the package"; exit 1; }

root=$(mktemp -d)
page=build/web/mox77.html
trap 'rm -rf "$root"; [ -f "$root.page" ] && mv "$root.page" "$page"' EXIT

echo "==> installing without the page"
# Stops, saying how to build it, rather than leaving it out.
mv "$page" "$root.page"
if out=$(cmake --install build/release --prefix "$root/without-page" 2>&1); then
  echo "installed without the web page"; exit 1
fi
grep -q 'scripts/build-web.sh' <<<"$out" || { echo "no word on how to build the page: $out"; exit 1; }
[ ! -e "$root/without-page" ] || { echo "files installed before the missing page stopped it"; exit 1; }
mv "$root.page" "$page"
dpkg -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
echo "==> lintian"
# lintian warns when run as root (as in CI) but checks all the same.
lintian --fail-on error "$deb"

echo "==> running the unpacked programs"
work="$root/work"
mkdir "$work"
cp examples/arithmetic.asm "$work/"
(cd "$work" && "$root/usr/bin/zerlant" arithmetic.asm </dev/null)
"$root/usr/bin/emurun" "$work/arithmetic.8xe" | grep -q 'ended at a halt'
# The grader on the first exercise's sample solution, as a teacher would run it.
exercise=$(find "$root/usr/share/doc/mox77/examples/exercises" -name solution.asm -printf '%h\n' | sort | head -n 1)
init=()
[ -f "$exercise/init.json" ] && init=(--init "$exercise/init.json")
grade=$("$root/usr/bin/mox77-grade" --expect "$exercise/expected.json" "${init[@]}" "$exercise/solution.asm") ||
  { echo "mox77-grade fails $exercise/solution.asm:"; echo "$grade"; exit 1; }
grep -qw PASS <<<"$grade" || { echo "mox77-grade does not pass $exercise/solution.asm:"; echo "$grade"; exit 1; }
for page in zerlant emurun mox77-grade mox77-emulator mox77-editor; do
  manual="$root/usr/share/man/man1/$page.1.gz"
  warnings=$(man -l --warnings "$manual" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page(1): $warnings"; exit 1; }
  man -l "$manual" | grep -q '^EXIT STATUS' || { echo "$page(1) does not render"; exit 1; }
done
echo "==> package ok: $deb"
