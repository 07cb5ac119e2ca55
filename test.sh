#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test (unit, data layer
# against a real ODBC driver, and end to end through the FreeTDS driver).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cd build
ctest --output-on-failure -j"$(nproc)" "$@"
