#!/usr/bin/env bash
# The browser tests: the example site (the run-example target's output) and a
# generated site of 1,500 headings, both converted with the shipped template,
# header and footer, read in headless Chromium. Needs Debian's chromium and
# node; installs puppeteer-core from the lock file when it is missing.
#
#   tests/browser/run.sh [BUILD_DIR] [--screenshots DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../../build}" && pwd)
shift || true

if [ ! -d "$here/node_modules/puppeteer-core" ]; then
  (cd "$here" && npm ci --no-audit --no-fund --loglevel=error)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/source"
"$build/generate_site" "$work/source" 3 1500 3000
"$build/quillery" "/MAINFILE=$work/source/Report.htm" /OPTINCLUDETOC=1 \
  "/OUTDIR=$work/generated" /LEVELSTOBREAK=2 /USINGTEMPLATE=1 /USEHEADER=1 \
  /USEFOOTER=1 -q

cd "$here"
node run.js "$@" "$build/example-output" "$work/generated"
