#!/usr/bin/env bash
# Makes the status page's world outline, proxy/status/res/world.json, from Natural Earth's public
# domain 1:50m countries as the npm package world-atlas ships them. Run once by hand (it needs
# npm, node and the npm registry); its output is committed, and the build never runs it.
#   scripts/make-world-outline.sh [VERSION]   (default 2.0.2, the version of the committed file)
set -euo pipefail
cd "$(dirname "$0")/.."
case "${1:-}" in
  -h | --help) sed -n 2,5p "$0" | cut -c3-; exit 0 ;;
esac
version=${1:-2.0.2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && npm pack --silent "world-atlas@$version" >/dev/null && tar xzf world-atlas-*.tgz)
node tools/world-outline/make-world-outline.mjs "$work/package" proxy/status/res/world.json
