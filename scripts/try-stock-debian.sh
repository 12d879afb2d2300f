#!/usr/bin/env bash
# Tries the README's Quick start as a new user would: a stock Debian chroot
# of SUITE (bookworm, trixie, ...) made with debootstrap, a clean clone of
# this repository's HEAD copied in, then scripts/start.sh and scripts/test.sh
# run as written, as root. Prints each command's exit status and the suite's
# count. Not part of CI: it takes 15-25 minutes a suite.
#
# Usage: sudo scripts/try-stock-debian.sh SUITE [--keep]
#   --keep   leave the chroot in place (its folder is printed) for a look;
#            its mounts are taken down all the same.
# MIRROR=URL picks the archive debootstrap fetches from (its own default
# otherwise); STOCK_DIR=DIR where the chroot is made (a new folder in /var/tmp
# otherwise).
set -euo pipefail

usage() {
  echo "usage: $0 SUITE [--keep]" >&2
  exit 2
}
[ $# -ge 1 ] || usage
suite="$1"
keep=no
[ "${2:-}" = --keep ] && keep=yes
[ $# -le 2 ] || usage
if [ "$(id -u)" -ne 0 ]; then
  echo "==> debootstrap and the chroot's mounts need root: run it with sudo" >&2
  exit 1
fi

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if ! command -v debootstrap >/dev/null 2>&1; then
  echo "==> installing: debootstrap"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

root="${STOCK_DIR:-$(mktemp -d "/var/tmp/mox77-stock-$suite.XXXXXX")}"
# The chroot's / as on any system: mktemp's 0700 would keep every user but
# root out of the whole tree, which the tests acting as another user notice.
mkdir -p "$root"
chmod 0755 "$root"
mounted=()

# Every mount comes down, newest first, however the script ends; the
# chroot goes too unless it is to be kept. Nothing is removed while a mount
# is still up, so the host's /dev or /proc is never touched.
cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  local i p
  # What still runs in the chroot (a build, a browser) holds its mounts.
  for sig in TERM KILL; do
    for p in /proc/[0-9]*; do
      [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -s "$sig" "${p#/proc/}" 2>/dev/null || true
    done
    sleep 1
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  if grep -q " $root/" /proc/mounts; then
    echo "==> mounts remain below $root; it is left in place" >&2
  elif [ "$keep" = yes ]; then
    echo "==> the chroot is kept in $root"
  else
    rm -rf --one-file-system "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

bind() {
  mkdir -p "$root$2"
  mount "${@:3}" "$1" "$root$2"
  mounted+=("$root$2")
}

echo "==> debootstrap $suite into $root"
# shellcheck disable=SC2086
debootstrap "$suite" "$root" ${MIRROR:-} >"$root.debootstrap.log" 2>&1 || {
  tail -20 "$root.debootstrap.log" >&2
  exit 1
}
rm -f "$root.debootstrap.log"

bind proc /proc -t proc
bind sysfs /sys -t sysfs
bind /dev /dev --bind
bind /dev/pts /dev/pts --bind
bind tmpfs /dev/shm -t tmpfs
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The machine's own certificate authorities, for npm where the network
# passes through a proxy of its own; the chroot's packages stay stock.
ca="${NODE_EXTRA_CA_CERTS:-}"
if [ -n "$ca" ] && [ -f "$ca" ]; then
  cp "$ca" "$root/root/host-ca.pem"
  ca=/root/host-ca.pem
fi

git clone --quiet --no-local "$repo" "$root/root/mox77"

run() {
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${ca:+NODE_EXTRA_CA_CERTS=$ca} \
    bash -c "cd /root/mox77 && $1" </dev/null
}

log="$repo/build/stock-$suite"
mkdir -p "$log"
status=()
for cmd in scripts/start.sh scripts/test.sh; do
  echo "==> $suite: $cmd (log: $log/$(basename "$cmd" .sh).log)"
  start=$(date +%s)
  # In the background, so that a signal reaches the traps at once.
  run "$cmd" >"$log/$(basename "$cmd" .sh).log" 2>&1 &
  code=0
  wait $! || code=$?
  status+=("$cmd: exit $code in $(($(date +%s) - start)) s")
done

echo "==> $suite ($(cat "$root/etc/debian_version"))"
printf '    %s\n' "${status[@]}"
count=$(grep -E '^[0-9]+% tests passed' "$log/test.log" | tail -1 || true)
echo "    suite: ${count:-no count (see $log/test.log)}"
grep -E '^\s+[0-9]+ - .*\((Failed|Timeout|Not Run|SEGFAULT|Subprocess)' "$log/test.log" | sed 's/^/    /' || true
