#!/usr/bin/env bash
# Runs the main job on the built-in sample data.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh normal
echo "demo: nothing to show yet"
