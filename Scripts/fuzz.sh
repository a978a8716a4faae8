#!/usr/bin/env bash
# Builds the fuzz preset and runs each fuzz target for a bounded time.
#
#     Scripts/fuzz.sh [seconds] [target...]
#
# seconds defaults to 60 per target; the targets default to FuzzLoader and
# FuzzPrefix. Each run starts from the seeds that MakeFuzzSeeds writes and
# keeps what it finds in build/fuzz/corpus/<target>, so that later runs go
# on from there. Any crash, leak or sanitizer report fails the script and
# leaves the input that caused it in build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=(FuzzLoader FuzzPrefix)

Scripts/install-deps.sh build fuzz
cmake --preset fuzz -DTOVIX_WARNINGS_AS_ERRORS=ON
cmake --build --preset fuzz

out=build/fuzz
rm -rf "$out/seeds"
"$out/bin/MakeFuzzSeeds" "$out/seeds"
mkdir -p "$out/artifacts"
for target in "${targets[@]}"; do
    mkdir -p "$out/corpus/$target"
    log="$out/$target.log"
    echo "Fuzzing $target for $seconds s (log: $log)"
    if ! "$out/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$out/artifacts/$target-" \
            "$out/corpus/$target" "$out/seeds/$target" >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "fuzz: $target failed; inputs in $out/artifacts/" >&2
        exit 1
    fi
    grep -E '^Done |^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' "$log"
done
