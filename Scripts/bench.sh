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
# never asserted in the tests or CI. To stay fair under a changing load the
# commands are timed in short interleaved rounds, and each ratio is the
# median of the rounds' ratios (their range is shown beside it).
#
# Results go to build/bench-results/. The large temporary files go to
# $TMPDIR (or /tmp) when that is on a disk, else under build/, and are
# removed at the end. BENCH_ROUNDS (default 5) and BENCH_RUNS (timed runs
# per command and round at the 7a35t size, default 8) set the effort.
set -euo pipefail
cd "$(dirname "$0")/.."

Scripts/install-deps.sh build bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j 2
bin=$PWD/build/bench/bin
results=$PWD/build/bench-results
mkdir -p "$results"
rm -f "$results"/*

small=2192012            # a full 7a35t configuration
large=$((256 * 1024 * 1024))
rounds=${BENCH_ROUNDS:-5}
runs=${BENCH_RUNS:-8}

# Timing writes to memory would flatter every command alike and hide the
# cost of the disk, so the files go to a real file system.
on_disk() { case $(stat -f -c %T "$1") in tmpfs | ramfs) return 1 ;; esac }
base=${TMPDIR:-/tmp}
on_disk "$base" || base=$PWD/build
on_disk "$base" || { echo "bench: no disk-backed directory for the temporary files" >&2; exit 2; }
need=$((large * 8))  # the large input, its C output, and room
avail=$(df --output=avail -B1 "$base" | tail -n 1)
((avail > need)) || { echo "bench: $base has $avail bytes free, $need needed" >&2; exit 2; }
work=$(mktemp -d "$base/tovix-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
echo "Temporary files in $work ($(stat -f -c %T "$work"))"

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

"$bin/MakeSampleBit" small.bit >/dev/null
"$bin/MakeSampleBit" large.bit "$large" >/dev/null
# The sample writes its 'e' field last, so the data is the file's tail.
tail -c "$small" small.bit >small.data
"$bin/Tovix" small.bit small.c >/dev/null
# Every timed run replaces the file that the run before it wrote.
"$bin/Tovix" large.bit large.c >/dev/null

echo "== Formatter alone (Google Benchmark)"
"$bin/CSourceBench" --benchmark_out="$results/formatter.csv" --benchmark_out_format=csv

# All commands run under the same shell, whose start-up hyperfine subtracts.
# Writes are flushed before each run so that no run pays for an earlier
# run's write-back.
for round in $(seq "$rounds"); do
    echo "== Round $round of $rounds: whole processes at the 7a35t size"
    hyperfine --style basic --warmup 2 --runs "$runs" --prepare sync \
        --export-csv "$results/round$round-7a35t.csv" \
        -n tovix "'$bin/Tovix' small.bit out.c" \
        -n cat "cat small.c > copy.c" \
        -n xxd "xxd -i small.data > xxd.c"
    echo "== Round $round of $rounds: Tovix with a 256 MiB 'e' field"
    hyperfine --style basic --runs 1 --prepare sync \
        --export-csv "$results/round$round-256mib.csv" \
        -n tovix "'$bin/Tovix' large.bit large.c"
done

peak_kib() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'; }
sync
rss_large=$(peak_kib "$bin/Tovix" large.bit large.c)
rss_small=$(peak_kib "$bin/Tovix" small.bit out.c)
rss_cat=$(peak_kib cat small.c)
rss_xxd=$(peak_kib xxd -i small.data)

load_after=$(cut -d' ' -f1-3 /proc/loadavg)

# Reads the rounds' medians (hyperfine's CSV: command,mean,stddev,median,...)
# and prints one row per goal: what, Tovix's figure, the reference, the
# ratio with its range over the rounds, the goal and the verdict.
status=0
awk -F, -v small="$small" -v large="$large" -v rss_large="$rss_large" \
    -v rss_small="$rss_small" -v rss_cat="$rss_cat" -v rss_xxd="$rss_xxd" \
    -v rounds="$rounds" -v runs="$runs" -v cpus="$(nproc)" \
    -v load_before="$load_before" -v load_after="$load_after" '
FNR == 1 { match(FILENAME, /round[0-9]+/); round = substr(FILENAME, RSTART + 5, RLENGTH - 5) + 0
           size = FILENAME ~ /256mib/ ? "large" : "small"; next }
{ t[size "," $1 "," round] = $4 }
function median(values, n,    i, j, v) {
    for (i = 2; i <= n; ++i) {
        v = values[i]
        for (j = i - 1; j >= 1 && values[j] > v; --j) values[j + 1] = values[j]
        values[j + 1] = v
    }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
}
function range(values, n,    i, lo, hi) {
    lo = hi = values[1]
    for (i = 2; i <= n; ++i) { if (values[i] < lo) lo = values[i]; if (values[i] > hi) hi = values[i] }
    return sprintf(format, lo) "-" sprintf(format, hi)
}
function of(key,    r, values) {
    for (r = 1; r <= rounds; ++r) values[r] = t[key "," r]
    return median(values, rounds)
}
# The median over the rounds of a per-round ratio, with its range.
function ratio(top, bottom, scale,    r, values) {
    for (r = 1; r <= rounds; ++r) values[r] = t[top "," r] / t[bottom "," r] * scale
    shown = range(values, rounds)
    return median(values, rounds)
}
function verdict(ok) { if (!ok) failed = 1; return ok ? "PASS" : "FAIL" }
function row(what, figure, reference, shownRatio, goal, ok) {
    printf "| %s | %s | %s | %s | %s | %s |\n", what, figure, reference, shownRatio, goal, verdict(ok)
}
END {
    printf "Medians of %d rounds of %d runs (7a35t, %d bytes) and of 1 run (256 MiB); %d CPUs, load average %s before, %s after.\n\n", \
        rounds, runs, small, cpus, load_before, load_after
    print "| Check | Tovix | Reference | Ratio (range over rounds) | Goal | Result |"
    print "|---|---|---|---|---|---|"
    tovix = of("small,tovix")
    format = "%.2f"; r = ratio("small,tovix", "small,cat", 1)
    row("7a35t: Tovix vs `cat` of its output", sprintf("%.1f ms", tovix * 1e3), \
        sprintf("%.1f ms", of("small,cat") * 1e3), sprintf("%.2f (%s)", r, shown), "<= 1.5", r <= 1.5)
    format = "%.3f"; r = ratio("small,tovix", "small,xxd", 1)
    row("7a35t: Tovix vs `xxd -i` of the data", sprintf("%.1f ms", tovix * 1e3), \
        sprintf("%.1f ms", of("small,xxd") * 1e3), sprintf("%.3f (%s)", r, shown), "<= 0.10", r <= 0.10)
    format = "%.2f"; r = ratio("large,tovix", "small,tovix", small / large)
    row("256 MiB: time per data byte vs 7a35t", \
        sprintf("%.2f ns (%.0f ms)", of("large,tovix") / large * 1e9, of("large,tovix") * 1e3), \
        sprintf("%.2f ns", tovix / small * 1e9), sprintf("%.2f (%s)", r, shown), "<= 1.3", r <= 1.3)
    over = (rss_large - large / 1024) / 1024
    row("256 MiB: peak RSS over the data size", sprintf("%.1f MiB", rss_large / 1024), \
        sprintf("%.1f MiB", large / 1048576), sprintf("+%.1f MiB", over), "<= +8 MiB", over <= 8)
    printf "\nPeak RSS at the 7a35t size: Tovix %.1f MiB, cat %.1f MiB, xxd -i %.1f MiB.\n", \
        rss_small / 1024, rss_cat / 1024, rss_xxd / 1024
    exit failed
}' "$results"/round*-7a35t.csv "$results"/round*-256mib.csv | tee "$results/summary.md" || status=$?

# The formatter alone, in configuration bytes per second.
awk -F, '/^"WriteCSourceToNull\// {
    split($1, name, "/"); sub(/"$/, "", name[2])
    line = line sep name[2] " bytes " sprintf("%.2f GB/s", $6 / 1e9); sep = ", "
} END { print "Formatter alone (Google Benchmark, to the null device): " line "." }' \
    "$results/formatter.csv" | tee -a "$results/summary.md"
echo "Results: $results"
exit "$status"
