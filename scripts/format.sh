#!/usr/bin/env bash
# Formats the C++ sources with the repository's .clang-format, or checks that they are formatted.
#   scripts/format.sh           formats every tracked source in place
#   scripts/format.sh --check   lists the sources that are not formatted and fails if there are any
set -euo pipefail
cd "$(dirname "$0")/.."
mode=fix
case "${1:-}" in
  -h | --help) echo "usage: scripts/format.sh [--check]   formats the C++ sources (or only checks them)"; exit 0 ;;
  --check) mode=check ;;
  '') ;;
  *) echo "usage: scripts/format.sh [--check]" >&2; exit 2 ;;
esac
command -v clang-format >/dev/null || { echo "format: clang-format is missing (scripts/setup.sh installs it)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "$mode" = fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
mapfile -t bad < <(clang-format --dry-run "${files[@]}" 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
if [ ${#bad[@]} -gt 0 ]; then
  echo "format: ${#bad[@]} source(s) not formatted; run scripts/format.sh:" >&2
  printf '  %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} sources formatted"
