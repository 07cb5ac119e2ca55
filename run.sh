#!/usr/bin/env bash
# Sets up what is missing, builds, and starts Tolvek.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
exec ./build/tolvek "$@"
