#!/usr/bin/env bash
# Set-up, build and start a program in runs/: ./run.sh [kalvo|kalvo4|kalvo-headless|kalvo4-headless] [args...]
# runs/ is made on the first start and gets a copy of every sample of
# examples/ that it does not hold yet; a copy there is never overwritten.
set -euo pipefail
cd "$(dirname "$0")"
program=${1:-kalvo}
shift || true
case "$program" in
  kalvo | kalvo4 | kalvo-headless | kalvo4-headless) ;;
  *)
    echo "usage: ./run.sh [kalvo|kalvo4|kalvo-headless|kalvo4-headless] [args...]" >&2
    exit 2
    ;;
esac
./setup.sh >&2
# Only the program started and what it needs; ./test.sh builds everything.
cmake -S . -B build > /dev/null
cmake --build build -j"$(nproc)" --target "$program" >&2
mkdir -p runs
for sample in examples/*; do
  [ -e "runs/${sample##*/}" ] || cp "$sample" runs/
done
cd runs
exec ../build/"$program" "$@"
