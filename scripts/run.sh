#!/usr/bin/env bash
# Sets everything up, builds Quillbrook and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
exec build/release/program/quillbrook "$@"
