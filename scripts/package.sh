#!/usr/bin/env bash
# Builds the release and makes the Debian package quillbrook_<version>_<arch>.deb
# in build/release/package/. The package's path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# CI holds the release build to the warnings too; a user's compiler may warn
# where the project's does not, so only CI turns them into errors there.
werror=()
if [ "${CI:-}" = true ]; then
  werror=(-DQUILLBROOK_WERROR=ON)
fi
cmake --preset release "${werror[@]}"
cmake --build --preset release
package=$(cpack --config build/release/CPackConfig.cmake |
  tee /dev/stderr | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
if [ -z "$package" ] || [ ! -f "$package" ]; then
  echo "package.sh: CPack named no package it made" >&2
  exit 1
fi
echo "$package"
