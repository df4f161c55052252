#!/usr/bin/env bash
# Builds the zip component's fuzz target with clang (its own build in
# build/fuzz) and runs it.
#   scripts/fuzz.sh [SECONDS]   runs the overflow reproducers, then fuzzes for
#                               SECONDS (default 60) from the seed corpus; fails
#                               on any finding
#   scripts/fuzz.sh --coverage  line coverage of archive/component over the
#                               corpus gathered so far, seeds and reproducers
# New inputs collect in build/fuzz/corpus and are kept for the next run;
# a finding is saved in build/fuzz/findings/ and can be run again alone with
#   build/fuzz/fuzz_extraction build/fuzz/findings/crash-...
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mode=fuzz
seconds=60
case "${1:-}" in
  --coverage) mode=coverage ;;
  '') ;;
  *) seconds=$1 ;;
esac

# Where the fuzz target cannot be built it is skipped, except under CI, which
# must not pass with nothing fuzzed.
skip() {
  if [ "${CI:-}" = true ]; then
    echo "fuzz: $1; under CI that is a failure" >&2
    exit 1
  fi
  echo "fuzz: $1; the fuzz target is skipped"
  exit 0
}

bash scripts/install-deps.sh
if ! command -v clang++ >/dev/null; then
  skip "clang++ is not installed"
fi

build=$root/build/fuzz
target=fuzz_extraction
[ "$mode" = coverage ] && target=fuzz_extraction_coverage
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUILLBROOK_FUZZ=ON >/dev/null
if ! grep -q '^QUILLBROOK_HAS_LIBFUZZER:INTERNAL=1' "$build/CMakeCache.txt"; then
  skip "clang cannot build -fsanitize=fuzzer here"
fi
cmake --build "$build" --target "$target"

seeds=$build/seeds
corpus=$build/corpus
findings=$build/findings
reproducers=$root/tests/archive/fixtures
python3 -B "$root/archive/fuzz/make-seeds.py" "$seeds"
mkdir -p "$corpus" "$findings"
# The runs extract into a sandbox under TMPDIR; memory is faster than disk.
if [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

if [ "$mode" = coverage ]; then
  profiles=$build/profiles
  rm -rf "$profiles"
  LLVM_PROFILE_FILE="$profiles/%p.profraw" "$build/$target" -runs=0 \
    "$corpus" "$seeds" "$reproducers" 2>&1 | grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' || true
  profdata=$(command -v llvm-profdata || command -v llvm-profdata-14)
  cov=$(command -v llvm-cov || command -v llvm-cov-14)
  "$profdata" merge -sparse "$profiles"/*.profraw -o "$build/coverage.profdata"
  "$cov" report "$build/$target" -instr-profile="$build/coverage.profdata" \
    "$root/archive/component"
  exit 0
fi

echo "fuzz: the overflow reproducers"
"$build/$target" -artifact_prefix="$findings/" "$reproducers"/*.zip
echo "fuzz: $seconds seconds from the seed corpus"
"$build/$target" -max_total_time="$seconds" -timeout=25 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$corpus" "$seeds" "$reproducers"
echo "fuzz: no finding"
