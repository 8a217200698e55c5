#!/usr/bin/env bash
# Runs the main job on the built-in sample data: the recorded LHBP feed through the proxy's
# parser, enriched from the sample lookup files, printed as the proxy's aircraft list.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh normal
cd samples
# Replay at the recording's own date, so that lines without the leading fields are accepted.
exec ../build/bin/sbs-table --at "2025/05/14 09:33:00" --packets feed-lhbp.sbs
