#!/usr/bin/env bash
# Sets everything up, builds Quillbrook and runs the whole test suite.
#   scripts/test.sh             release build
#   scripts/test.sh --sanitize  debug build with AddressSanitizer + UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

preset=release
if [ "${1:-}" = "--sanitize" ]; then
  preset=dev
fi

bash scripts/install-deps.sh
cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --output-on-failure
