#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and the sanitizers, then runs each
# for SECONDS seconds on its seed corpus and the dictionary.
# Usage: fuzz/run.sh SECONDS [target...]   (targets: encoder assembly loader typed format state history recipe)
# Exits non-zero when a target finds a crash, a leak or a broken property; the
# input that did it is kept in build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:?usage: fuzz/run.sh SECONDS [target...]}"
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(encoder assembly loader typed format state history recipe)

scripts/install-deps.sh # clang and its sanitizer runtimes
build=build/fuzz
echo "==> configuring (fuzz)"
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOX_FUZZ=ON \
    -DMOX_BUILD_GUI=OFF -DMOX_BUILD_TESTS=OFF -DMOX_BUILD_BENCH=OFF >/dev/null
echo "==> building (fuzz)"
cmake --build "$build" -j "${MOX_JOBS:-2}" --target "${targets[@]/%/_fuzz}" >/dev/null

# The longest input worth trying per target: one line, a source or program
# of a few kilobytes, a typed field, one 32-bit value.
declare -A maxLen=([encoder]=256 [assembly]=4096 [loader]=4096 [typed]=16 [format]=4 [state]=1024 [history]=2048 [recipe]=1024)

mkdir -p "$build/crashes"
failed=()
for t in "${targets[@]}"; do
    work="$build/corpus/$t"
    mkdir -p "$work"
    log="$build/$t.log"
    echo "==> fuzzing $t for ${seconds}s"
    status=0
    nice -n 19 "$build/bin/${t}_fuzz" -max_total_time="$seconds" -max_len="${maxLen[$t]}" \
        -dict=fuzz/mox.dict -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$t-" "$work" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "    $t: ${runs:-0} executions, exit $status"
    if [ "$status" -ne 0 ]; then
        failed+=("$t")
        grep -E 'property failed|ERROR|SUMMARY|runtime error' "$log" | head -20 || true
    fi
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz: failures in ${failed[*]}; see $build/*.log and $build/crashes/"
    exit 1
fi
echo "fuzz: all ${#targets[@]} targets clean"
