#!/usr/bin/env bash
# Times whole Tovix processes side by side with `cat` of the same output (the
# floor: the bytes written, nothing computed) and with `xxd -i` of the raw
# configuration data, checks that the time per byte stays flat from a 7a35t
# to a 256 MiB 'e' field, and records peak memory. Prints a table of medians
# and ratios with PASS or FAIL per goal, and exits 1 if any goal fails.
#
#     Scripts/bench.sh
#
# Timings depend on the machine and on whatever else it runs, so they are
# never asserted in the tests or CI. Results go to build/bench-results/; the
# large temporary files go to $TMPDIR (or /tmp) when that is on a disk, else
# under build/, and are removed at the end. BENCH_RUNS sets the number of
# timed runs at the 7a35t size (default 40).
set -euo pipefail
cd "$(dirname "$0")/.."

Scripts/install-deps.sh build bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2
bin=$PWD/build/bench/bin
results=$PWD/build/bench-results
mkdir -p "$results"

small=2192012            # a full 7a35t configuration
large=$((256 * 1024 * 1024))
runs=${BENCH_RUNS:-40}
large_runs=5

# Timing writes to memory would flatter every command alike and hide the
# cost of the disk, so the files go to a real file system.
on_disk() { case $(stat -f -c %T "$1") in tmpfs | ramfs) return 1 ;; esac }
base=${TMPDIR:-/tmp}
on_disk "$base" || base=$PWD/build
on_disk "$base" || { echo "bench: no disk-backed directory for the temporary files" >&2; exit 2; }
need=$((large * 8))  # the large input, two copies of its C output, and room
avail=$(df --output=avail -B1 "$base" | tail -n 1)
((avail > need)) || { echo "bench: $base has $avail bytes free, $need needed" >&2; exit 2; }
work=$(mktemp -d "$base/tovix-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

"$bin/MakeSampleBit" small.bit >/dev/null
"$bin/MakeSampleBit" large.bit "$large" >/dev/null
# The sample writes its 'e' field last, so the data is the file's tail.
tail -c "$small" small.bit >small.data
"$bin/Tovix" small.bit small.c >/dev/null

echo "== Formatter alone (Google Benchmark)"
"$bin/CSourceBench" --benchmark_out="$results/formatter.csv" --benchmark_out_format=csv

# Every command writes a file of its own, replaced on every run, and runs
# under the same shell, whose start-up hyperfine subtracts. Writes between
# runs are flushed so that no run pays for an earlier run's write-back.
echo "== Whole processes at the 7a35t size, side by side"
hyperfine --style basic --warmup 5 --runs "$runs" --prepare sync \
    --export-csv "$results/7a35t.csv" \
    -n tovix "'$bin/Tovix' small.bit out.c" \
    -n cat "cat small.c > copy.c" \
    -n xxd "xxd -i small.data > xxd.c"

echo "== Tovix with a 256 MiB 'e' field"
hyperfine --style basic --warmup 1 --runs "$large_runs" --prepare sync \
    --export-csv "$results/256mib.csv" \
    -n tovix "'$bin/Tovix' large.bit large.c"

peak_kib() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }
sync
rss_large=$(peak_kib "$bin/Tovix" large.bit large.c)
rss_small=$(peak_kib "$bin/Tovix" small.bit out.c)
rss_cat=$(peak_kib cat small.c)
rss_xxd=$(peak_kib xxd -i small.data)

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

median() { awk -F, -v name="$2" '$1 == name {print $4}' "$1"; }
t_tovix=$(median "$results/7a35t.csv" tovix)
t_cat=$(median "$results/7a35t.csv" cat)
t_xxd=$(median "$results/7a35t.csv" xxd)
t_large=$(median "$results/256mib.csv" tovix)

# One row per goal: what, Tovix's figure, the reference, ratio, goal, verdict.
status=0
awk -v t_tovix="$t_tovix" -v t_cat="$t_cat" -v t_xxd="$t_xxd" -v t_large="$t_large" \
    -v small="$small" -v large="$large" -v rss_large="$rss_large" \
    -v rss_small="$rss_small" -v rss_cat="$rss_cat" -v rss_xxd="$rss_xxd" \
    -v runs="$runs" -v large_runs="$large_runs" -v cpus="$(nproc)" \
    -v load_before="$load_before" -v load_after="$load_after" '
function verdict(ok) { if (!ok) failed = 1; return ok ? "PASS" : "FAIL" }
function row(what, figure, reference, ratio, goal, ok) {
    printf "| %s | %s | %s | %s | %s | %s |\n", what, figure, reference, ratio, goal, verdict(ok)
}
BEGIN {
    printf "Medians of %d runs (7a35t, %d bytes) and %d runs (256 MiB), %d CPUs, load average %s before, %s after.\n\n", \
        runs, small, large_runs, cpus, load_before, load_after
    print "| Check | Tovix | Reference | Ratio | Goal | Result |"
    print "|---|---|---|---|---|---|"
    r = t_tovix / t_cat
    row("7a35t: Tovix vs `cat` of its output", sprintf("%.1f ms", t_tovix * 1e3), \
        sprintf("%.1f ms", t_cat * 1e3), sprintf("%.2f", r), "<= 1.5", r <= 1.5)
    r = t_tovix / t_xxd
    row("7a35t: Tovix vs `xxd -i` of the data", sprintf("%.1f ms", t_tovix * 1e3), \
        sprintf("%.1f ms", t_xxd * 1e3), sprintf("%.3f", r), "<= 0.10", r <= 0.10)
    per_large = t_large / large * 1e9; per_small = t_tovix / small * 1e9
    r = per_large / per_small
    row("256 MiB: time per data byte vs 7a35t", sprintf("%.2f ns (%.0f ms)", per_large, t_large * 1e3), \
        sprintf("%.2f ns", per_small), sprintf("%.2f", r), "<= 1.3", r <= 1.3)
    over = (rss_large - large / 1024) / 1024
    row("256 MiB: peak RSS over the data size", sprintf("%.1f MiB", rss_large / 1024), \
        sprintf("%.1f MiB", large / 1048576), sprintf("+%.1f MiB", over), "<= +8 MiB", over <= 8)
    printf "\nPeak RSS at the 7a35t size: Tovix %.1f MiB, cat %.1f MiB, xxd -i %.1f MiB.\n", \
        rss_small / 1024, rss_cat / 1024, rss_xxd / 1024
    exit failed
}' | tee "$results/summary.md" || status=$?
# The formatter alone, in configuration bytes per second.
awk -F, '/^"WriteCSourceToNull\// {
    split($1, name, "/"); sub(/"$/, "", name[2]); line = line sep name[2] " bytes: " sprintf("%.2f GB/s", $6 / 1e9); sep = ", "
} END { print "Formatter alone (to the null device): " line "." }' "$results/formatter.csv" | tee -a "$results/summary.md"
echo "Results: $results"
exit "$status"
