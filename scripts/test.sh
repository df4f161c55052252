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
# CI holds the release build to the warnings too; a user's compiler may warn
# where the project's does not, so only CI turns them into errors there.
werror=()
if [ "${CI:-}" = true ]; then
  werror=(-DQUILLBROOK_WERROR=ON)
fi
cmake --preset "$preset" "${werror[@]}"
cmake --build --preset "$preset"
ctest --preset "$preset" --output-on-failure
