#!/usr/bin/env bash
# Builds Quillbrook and runs every benchmark; each prints its own figures.
#   scripts/bench.sh            all of them
#   scripts/bench.sh NAME...    only the named ones (e.g. addfolder_tree)
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release

benchmarks=("$@")
if [ ${#benchmarks[@]} -eq 0 ]; then
  benchmarks=(runandwait_latency zip_extract filelist_bench addfolder_tree
              addfolder_shapes outputnames_claim equalnames_run log_reason
              conversion_fixed_cost conversion_overhead conversion_parallel
              library_run mobicheck_cost tall_message converter_server)
fi
for name in "${benchmarks[@]}"; do
  echo "== $name"
  QT_QPA_PLATFORM=offscreen "build/release/bench/$name"
  if [ "$name" = conversion_parallel ]; then
    echo "== $name --headless"
    QT_QPA_PLATFORM=offscreen "build/release/bench/$name" --headless
  fi
done
