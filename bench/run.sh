#!/usr/bin/env bash
# Benchmarks: the contents-link, link-table, page-dressing and reference-scan
# operations, the folder handles' calls for each page, and a whole
# conversion of a generated 100 MB site with 10,000 headings, 10,000
# contents links and 50,000 in-page links, beside `cp -r` of its output.
#
#   bench/run.sh [build folder=build] [megabytes=100] [work folder]
#
# The work folder defaults to /dev/shm (tmpfs) when it can be written, so
# that the disk's own speed does not blur the comparison. The conversion is
# timed against `cp -r` of the very site it wrote (10,001 page files): no
# conversion can put those files down faster than a copy of them. Peak
# memory is measured with /usr/bin/time; with strace on the machine the
# system calls of one run are counted, and with BENCH_PROFILE=1 and perf a
# profile of one run is printed. Needs bc.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megabytes=${2:-100}
workRoot=${3:-}
if [ -z "$workRoot" ] && [ -w /dev/shm ]; then workRoot=/dev/shm; fi

cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null

for bench in toc_links_bench links_bench dress_bench references_bench \
    folder_handles_bench; do
  if [ -x "$build/$bench" ]; then
    echo "== $bench"
    "$build/$bench"
  fi
done

work=$(mktemp -d ${workRoot:+-p "$workRoot"})
trap 'rm -rf "$work"' EXIT
mkdir "$work/site"
"$build/generate_site" "$work/site" "$megabytes" 10000 50000
size=$(du -sb "$work/site" | cut -f1)
echo "== whole conversion of a ${size}-byte site in $workRoot (LEVELSTOBREAK=3)"

words=(/OPTINCLUDETOC=1 /LEVELSTOBREAK=3 /TOCBULLETS=1)
seconds() { date +%s.%N; }
best() { echo "if ($1 < $2) $1 else $2" | bc; }
best_convert=999999
best_output_copy=999999
for round in 1 2 3; do
  rm -rf "$work/convert" "$work/output-copy"
  cp -r "$work/site" "$work/convert"
  sync
  start=$(seconds)
  /usr/bin/time -f "%M" -o "$work/peak_kb" "$build/quillery" \
    "/MAINFILE=$work/convert/Report.htm" "${words[@]}"
  end=$(seconds)
  convert=$(echo "$end - $start" | bc)
  start=$(seconds); cp -r "$work/convert" "$work/output-copy"; end=$(seconds)
  output_copy=$(echo "$end - $start" | bc)
  peak_kb=$(cat "$work/peak_kb")
  echo "round $round: quillery ${convert}s, cp -r of its output ${output_copy}s, peak memory $((peak_kb / 1024)) MB"
  best_convert=$(best "$convert" "$best_convert")
  best_output_copy=$(best "$output_copy" "$best_output_copy")
done
pages=$(ls "$work/convert" | grep -c '_p[0-9]*\.htm$')
echo "best: quillery ${best_convert}s, cp -r of its output (${pages} pages) ${best_output_copy}s, ratio $(echo "scale=2; $best_convert / $best_output_copy" | bc)"
echo "peak memory / input: $(echo "scale=2; $peak_kb * 1024 / $size" | bc)"

if command -v strace >/dev/null; then
  rm -rf "$work/convert"; cp -r "$work/site" "$work/convert"
  strace -f -c -o "$work/strace" "$build/quillery" \
    "/MAINFILE=$work/convert/Report.htm" "${words[@]}"
  echo "system calls of one run:"
  awk '$NF ~ /^(openat|read|write|rename|newfstatat|close)$/ {
         print "  " $NF ": " ($4 ~ /^[0-9]+$/ ? $4 : $3) }' "$work/strace"
fi

if [ "${BENCH_PROFILE:-0}" = 1 ] && command -v perf >/dev/null; then
  rm -rf "$work/convert"; cp -r "$work/site" "$work/convert"
  perf record -q -g -o "$work/perf.data" "$build/quillery" \
    "/MAINFILE=$work/convert/Report.htm" "${words[@]}" 2>/dev/null
  echo "profile of one run, by component and by function (self time):"
  perf report -i "$work/perf.data" --no-children --sort dso -g none 2>/dev/null |
    grep '%' | head -5
  perf report -i "$work/perf.data" --no-children --sort symbol -g none \
    2>/dev/null | grep '%' | head -25 | cut -c1-110
fi
