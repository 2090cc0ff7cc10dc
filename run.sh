#!/usr/bin/env bash
# Set-up, build and start the program: ./run.sh (current edition) or ./run.sh kalvo4.
set -euo pipefail
cd "$(dirname "$0")"
./setup.sh
./build.sh build
exec ./build/"${1:-kalvo}"
