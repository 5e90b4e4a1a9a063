#!/usr/bin/env bash
# Benchmarks: the contents-link, link-table and page-dressing operations, and
# a whole conversion of a generated 100 MB site with 10,000 headings, 10,000
# contents links and 50,000 in-page links, against `cp -r` of the same site.
#
#   bench/run.sh [build folder=build] [megabytes=100] [work folder=a new one in $TMPDIR]
#
# The conversion writes 10,001 page files where cp -r writes 3, so the time of
# `cp -r` of the converted output is printed too: creating that many files is
# a cost no conversion can avoid.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
megabytes=${2:-100}

cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j2 >/dev/null

for bench in toc_links_bench links_bench dress_bench; do
  if [ -x "$build/$bench" ]; then
    echo "== $bench"
    "$build/$bench"
  fi
done

work=$(mktemp -d ${3:+-p "$3"})
trap 'rm -rf "$work"' EXIT
mkdir "$work/site"
"$build/generate_site" "$work/site" "$megabytes" 10000 50000
size=$(du -sb "$work/site" | cut -f1)
echo "== whole conversion of a ${size}-byte site (LEVELSTOBREAK=3)"

seconds() { date +%s.%N; }
best_copy=999999
best_convert=999999
for round in 1 2 3; do
  rm -rf "$work/copy" "$work/convert"
  sync
  start=$(seconds); cp -r "$work/site" "$work/copy"; end=$(seconds)
  copy=$(echo "$end - $start" | bc)
  cp -r "$work/site" "$work/convert"
  start=$(seconds)
  /usr/bin/time -f "%M" -o "$work/peak_kb" "$build/quillery" \
    "/MAINFILE=$work/convert/Report.htm" /OPTINCLUDETOC=1 /LEVELSTOBREAK=3 \
    /TOCBULLETS=1
  end=$(seconds)
  convert=$(echo "$end - $start" | bc)
  peak_kb=$(cat "$work/peak_kb")
  echo "round $round: cp -r ${copy}s, quillery ${convert}s, peak memory $((peak_kb / 1024)) MB"
  best_copy=$(echo "if ($copy < $best_copy) $copy else $best_copy" | bc)
  best_convert=$(echo "if ($convert < $best_convert) $convert else $best_convert" | bc)
done
start=$(seconds); cp -r "$work/convert" "$work/output-copy"; end=$(seconds)
output_copy=$(echo "$end - $start" | bc)
pages=$(ls "$work/convert" | grep -c '_p[0-9]*\.htm$')
echo "cp -r of the converted output (${pages} pages): ${output_copy}s"
echo "best: cp -r ${best_copy}s, quillery ${best_convert}s, ratio $(echo "scale=2; $best_convert / $best_copy" | bc)"
echo "peak memory / input: $(echo "scale=2; $peak_kb * 1024 / $size" | bc)"
