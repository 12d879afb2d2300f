#!/usr/bin/env bash
# Inputs of hostile size against the built programs: checks what they print
# and reports the peak memory of every run. Too slow for CI; run by hand.
# Usage: fuzz/stress.sh [bin-dir]   (default build/release/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(cd "${1:-build/release/bin}" && pwd)"
work="$(mktemp -d /tmp/moxstressXXXXXX)"
trap '[ -n "${MOX_KEEP:-}" ] || rm -rf "$work"' EXIT
cd "$work"

failures=0
fail() {
    echo "    FAILED: $*"
    failures=$((failures + 1))
}

# run NAME EXPECTED-LINE COMMAND...: runs the command with its output in
# NAME.out, checks that EXPECTED-LINE (when not empty) is one of its lines and prints the
# peak resident memory and the time taken.
run() {
    local name="$1" expect="$2"
    shift 2
    local status=0
    /usr/bin/time -f '%M %e' -o "$name.time" "$@" </dev/null >"$name.out" 2>&1 || status=$?
    local peak seconds
    read -r peak seconds < <(tail -1 "$name.time")
    printf '%-14s exit %-2s peak %5d MB  %6.1f s\n' "$name" "$status" $((peak / 1024)) "$seconds"
    [ -z "$expect" ] || grep -qxF -- "$expect" "$name.out" || fail "$name: no line '$expect'; last: $(tail -c 200 "$name.out")"
}
size() { stat -c %s "$1"; }

echo "==> generating inputs in $work"
# yes and head end each other early on purpose.
set +o pipefail
# 200 MB of one good line repeated, closed by a halt.
yes 'load ax, ff' | head -c 200000000 | head -n -1 >big.asm
echo halt >>big.asm
# 200 MB of random bytes but zero (which would end the text), a halt in the
# middle: a binary renamed to .asm.
head -c 110000000 /dev/urandom | tr -d '\000' | head -c 100000000 >noise.asm
printf "\nhalt\n" >>noise.asm
head -c 110000000 /dev/urandom | tr -d '\000' | head -c 100000000 >>noise.asm
# One line of 50 million characters, assembled; and one with nothing in it.
{ printf 'load ax, 0'; head -c 50000000 /dev/zero | tr '\0' ' '; printf '1\nhalt\n'; } >longline.asm
{ head -c 50000000 /dev/zero | tr '\0' 'x'; echo; } >longnohalt.asm
# 100 MB programs: inc bx 25 million times; the same with a line break after.
yes 9001 | tr -d '\n' | head -c 100000000 >prog.8xe
cp prog.8xe progbreak.8xe
echo >>progbreak.8xe
set -o pipefail
ls -l --block-size=M ./*.asm ./*.8xe | awk '{print "    " $5 "  " $9}'

echo "==> zerlant"
lines=$(wc -l <big.asm)
run big.asm "was succesful emu binary code (in hex)  named: big.8xe" "$bin/zerlant" big.asm
[ "$(size big.8xe)" -eq $((4 * lines)) ] || fail "big.8xe has $(size big.8xe) characters, not $((4 * lines))"
[ "$(head -c 8 big.8xe)" = 20ff20ff ] || fail "big.8xe starts with $(head -c 8 big.8xe)"
run noise.asm "" "$bin/zerlant" noise.asm
errors=$(grep -c '^error on line(' noise.asm.out || true)
grep -qxF "process stoped with  ($errors) fatal errors" noise.asm.out || fail "noise.asm: count line does not match its $errors error lines"
[ ! -e noise.8xe ] || fail "noise.asm wrote a .8xe"
run longline.asm "was succesful emu binary code (in hex)  named: longline.8xe" "$bin/zerlant" longline.asm
[ "$(cat longline.8xe)" = 2001f000 ] || fail "longline.8xe holds $(head -c 40 longline.8xe)"
run longnohalt.asm "fatal error: application requries a halt instruction" "$bin/zerlant" longnohalt.asm

echo "==> emurun"
run prog.8xe "executed 25000000 words" "$bin/emurun" prog.8xe
grep -qxF "  bx  17d7840" prog.8xe.out || fail "prog.8xe: bx is not 25000000 (17d7840)"
run progbreak.8xe "emurun: progbreak.8xe: invalid program: a line break at position 100000000 (counting from 0) is not a hexadecimal digit" \
    "$bin/emurun" progbreak.8xe

if [ "$failures" -ne 0 ]; then
    echo "stress: $failures check(s) failed"
    exit 1
fi
echo "stress: every check held"
