#!/usr/bin/env bash
# Configures and builds one build tree.   scripts/build.sh [normal|asan]
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-normal}
case "$kind" in
  -h | --help) echo "usage: scripts/build.sh [normal|asan]   builds build/ (normal) or build-asan/ (sanitizers)"; exit 0 ;;
  normal) dir=build; flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)   dir=build-asan; flags=(-DCMAKE_BUILD_TYPE=Debug -DQS_SANITIZE=ON -DQS_BUILD_BENCHMARKS=OFF) ;;
  *) echo "usage: $0 [normal|asan]" >&2; exit 2 ;;
esac
cmake -S . -B "$dir" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$dir" -j2
