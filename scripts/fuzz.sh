#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs them, one after the other, on
# their seed corpora (fuzz/corpus/TARGET/) and on the new inputs they find. A target is an
# executable fuzz_TARGET of fuzz/CMakeLists.txt with a seed corpus directory of the same name.
# The seeds are copied to a scratch directory first, so the repository's corpus stays as it is.
# Fails when any target finds a crash, a sanitizer report, a failed check or a hang; the input
# that caused it is kept in out/fuzz/ with the run's log.
#   scripts/fuzz.sh [TARGET|all] [SECONDS]     default: all, 30 seconds each
set -euo pipefail
cd "$(dirname "$0")/.."
usage="usage: scripts/fuzz.sh [TARGET|all] [SECONDS]
Installs clang and its fuzzer runtime (apt-get), builds build-fuzz/, and runs one or every fuzz
target for SECONDS each (default: all, 30 s) on fuzz/corpus/TARGET/ and new inputs.
Findings and logs go to out/fuzz/. Targets: $(cd fuzz/corpus && echo *)"
case "${1:-}" in
  -h | --help) echo "$usage"; exit 0 ;;
esac
[ $# -le 2 ] || { echo "$usage" >&2; exit 2; }
which=${1:-all}
seconds=${2:-30}
case "$seconds" in '' | *[!0-9]* | 0) echo "$usage" >&2; exit 2 ;; esac
mapfile -t known < <(cd fuzz/corpus && ls -1)
if [ "$which" = all ]; then
  targets=("${known[@]}")
else
  [ -d "fuzz/corpus/$which" ] || { echo "fuzz: no target $which; targets: ${known[*]}" >&2; exit 2; }
  targets=("$which")
fi

# Debian's clang; -fsanitize=fuzzer and the sanitizer runtimes come in libclang-rt-14-dev, which
# clang only recommends.
scripts/setup.sh clang libclang-rt-14-dev

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DQS_BUILD_FUZZ=ON -DQS_BUILD_TESTS=OFF -DQS_BUILD_BENCHMARKS=OFF "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]/#/fuzz_}"

out=out/fuzz
mkdir -p "$out"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=()
for target in "${targets[@]}"; do
  corpus=$scratch/$target
  cp -r "fuzz/corpus/$target" "$corpus"
  log=$out/$target.log
  echo "== fuzz_$target for $seconds s"
  status=0
  # An input that runs longer than 25 s counts as a hang.
  build-fuzz/bin/fuzz_"$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" "$corpus" >"$log" 2>&1 || status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  if [ $status -ne 0 ]; then
    failed+=("$target")
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz check failed|.*runtime error)' "$log" | head -n 5 >&2 || true
    echo "fuzz: fuzz_$target found a fault (exit $status): see $log; the input is $out/$target-*" >&2
  else
    echo "fuzz: fuzz_$target: ${executions:-?} executions, nothing found"
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: ${#targets[@]} target(s), $seconds s each, nothing found"
