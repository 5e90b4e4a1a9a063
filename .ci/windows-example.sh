#!/usr/bin/env bash
# The example site converted by quillery.exe under Wine must give byte for
# byte the files the Linux program gives: in place, and into an output folder
# (whose note names the source as each system writes a path). Both programs
# run in the same folder, one after the other.
# Usage: .ci/windows-example.sh <Linux build folder> <Windows build folder>
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
source=$(realpath "$(dirname "$0")/../examples/site")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
words=(/OPTINCLUDETOC=1 /LEVELSTOBREAK=2 /TOCBULLETS=1 /USINGTEMPLATE=1
       /USEHEADER=1 /USEFOOTER=1 /USEMAXWIDTH=1 -q)
for system in linux windows; do
  if [ "$system" = linux ]; then
    run=("$linux/quillery")
  else
    run=(env WINEDEBUG=-all wine "$windows/quillery.exe")
  fi
  mkdir "$work/run"
  cp -r "$source" "$work/run/site"
  cp -r "$source" "$work/run/source"
  (cd "$work/run" && "${run[@]}" /MAINFILE=site/Report.htm "${words[@]}" &&
     "${run[@]}" /MAINFILE=source/Report.htm "${words[@]}" /OUTDIR=out)
  mv "$work/run" "$work/$system"
done
note=.quillery-output
sed -i 's|Z:\\|/|; s|\\|/|g' "$work/windows/out/$note"
diff -r "$work/linux" "$work/windows"
echo "quillery.exe gives the Linux program's example site, in place and with /OUTDIR"
