#!/usr/bin/env bash
# The whole conversion in each of its modes, for generated sites of several
# sizes: in place, into an output folder (/OUTDIR=), from a plain page
# (/BUILDTOC=1) and with the shipped template, header and footer. Each run
# is timed beside `cp -r` of the very output it wrote, in the same round,
# and the medians of the rounds are compared; peak memory is compared with
# the size of the content page. The last lines give the growth from one
# size to the next (linear is the ratio of the sizes).
#
#   bench/modes.sh [build folder=build] [sizes="1 10 100"] [rounds=5] [work folder]
#
# The work folder defaults to /dev/shm (tmpfs) when it can be written, so
# that the disk's own speed does not blur the comparison. The program's
# files (template, header, footer, bullet images) are taken from beside the
# program, as an installed program has them. Needs bc and /usr/bin/time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sizes=${2:-"1 10 100"}
rounds=${3:-5}
workRoot=${4:-}
if [ -z "$workRoot" ] && [ -w /dev/shm ]; then workRoot=/dev/shm; fi

work=$(mktemp -d ${workRoot:+-p "$workRoot"})
trap 'rm -rf "$work"' EXIT
# A copy of the program and its files, so that a rebuild during the
# rounds does not change what is measured.
mkdir "$work/program"
cp "$build/quillery" "$work/program/"
for file in "$build"/*.htm "$build"/*.gif "$build"/*.css "$build"/*.js; do
  if [ -f "$file" ]; then cp "$file" "$work/program/"; fi
done
program=$work/program/quillery

seconds() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One run of `mode` on the site at $1 into the round folder $2; prints
# "<quillery seconds> <cp -r seconds> <peak KB>".
run_once() {
  local mode=$1 site=$2 round=$3
  rm -rf "$round"
  mkdir -p "$round"
  cp -r "$site" "$round/site"
  local main=$round/site/Report.htm output=$round/site
  local words=(/OPTINCLUDETOC=1 /LEVELSTOBREAK=3 /TOCBULLETS=1)
  case $mode in
    outdir) output=$round/out; words+=("/OUTDIR=$output") ;;
    buildtoc)
      rm "$round/site/Report.htm" "$round/site/Report_toc.htm"
      main=$round/site/Report_body.htm
      words=(/OPTINCLUDETOC=1 /LEVELSTOBREAK=3 /BUILDTOC=1) ;;
    template) words+=(/USINGTEMPLATE=1 /USEHEADER=1 /USEFOOTER=1) ;;
  esac
  sync
  local start end convert copy
  start=$(seconds)
  /usr/bin/time -f "%M" -o "$round/peak_kb" "$program" "/MAINFILE=$main" \
    "${words[@]}" >/dev/null 2>"$round/stderr" || {
    cat "$round/stderr" >&2
    exit 1
  }
  end=$(seconds)
  convert=$(echo "$end - $start" | bc)
  start=$(seconds)
  cp -r "$output" "$round/copy"
  end=$(seconds)
  copy=$(echo "$end - $start" | bc)
  echo "$convert $copy $(tail -1 "$round/peak_kb")"
}

declare -A medians
printf '%-6s %-9s %8s %8s %6s %8s %6s %6s\n' size mode quillery "cp -r" ratio \
  "peak MB" "/input" files
for megabytes in $sizes; do
  site=$work/site$megabytes
  mkdir "$site"
  "$build/generate_site" "$site" "$megabytes" $((megabytes * 100)) \
    $((megabytes * 500)) >/dev/null
  content=$(stat -c %s "$site/Report_body.htm")
  for mode in inplace outdir buildtoc template; do
    : >"$work/times"
    for ((round = 1; round <= rounds; ++round)); do
      run_once "$mode" "$site" "$work/round" >>"$work/times"
    done
    convert=$(cut -d' ' -f1 "$work/times" | median)
    copy=$(cut -d' ' -f2 "$work/times" | median)
    peak=$(cut -d' ' -f3 "$work/times" | sort -g | tail -1)
    files=$(find "$work/round/copy" -type f | wc -l)
    medians[$megabytes.$mode]=$convert
    printf '%-6s %-9s %8.3f %8.3f %6.2f %8d %6.2f %6d\n' "${megabytes}MB" \
      "$mode" "$convert" "$copy" "$(echo "scale=3; $convert / $copy" | bc)" \
      $((peak / 1024)) "$(echo "scale=3; $peak * 1024 / $content" | bc)" \
      "$files"
  done
  rm -rf "$site"
done

previous=
for megabytes in $sizes; do
  if [ -n "$previous" ]; then
    for mode in inplace outdir buildtoc template; do
      printf 'growth %s to %s MB, %s: %.2fx (linear %sx)\n' "$previous" \
        "$megabytes" "$mode" \
        "$(echo "scale=3; ${medians[$megabytes.$mode]} / ${medians[$previous.$mode]}" | bc)" \
        "$((megabytes / previous))"
    done
  fi
  previous=$megabytes
done
