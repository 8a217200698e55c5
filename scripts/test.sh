#!/usr/bin/env bash
# Sets up the machine, then builds and runs the whole test suite twice: a normal build and an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
#   scripts/test.sh            both builds
#   scripts/test.sh normal     only the normal build (faster while working)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help)
    echo "usage: scripts/test.sh [normal|asan]...   sets up, builds and runs the suite (default: both builds)"
    exit 0 ;;
esac
for kind in "$@"; do
  case "$kind" in normal | asan) ;; *) echo "usage: scripts/test.sh [normal|asan]..." >&2; exit 2 ;; esac
done
scripts/setup.sh
scripts/format.sh --check
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(normal asan)
for kind in "${kinds[@]}"; do
  echo "== $kind build =="
  scripts/build.sh "$kind"
  dir=build; [ "$kind" = asan ] && dir=build-asan
  (cd "$dir" && ctest --output-on-failure -j2 --timeout 300)
  # A minute of the soak test (in a network namespace of its own), where the build has it.
  if [ "$kind" = normal ] && [ -x build/bin/quorvex_soak ]; then
    bench/soak.sh 60
  fi
done
