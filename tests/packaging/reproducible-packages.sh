#!/usr/bin/env bash
# Catches packages that differ by the folder they were built in (run paths, debug paths, times, order).
# usage: reproducible-packages.sh SOURCE_DIR C_COMPILER CXX_COMPILER BUILD_TYPE [LAUNCHER]
set -euo pipefail

source_dir="$1" cc="$2" cxx="$3" build_type="${4:-RelWithDebInfo}" launcher="${5:-}"
work="$(mktemp -d "${TMPDIR:-/tmp}/zova-reproducible-XXXXXX")"
trap 'rm -rf "$work"' EXIT

build() {
  local dir="$1"
  cmake -S "$source_dir" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" \
    ${launcher:+-DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher"} >/dev/null
  cmake --build "$dir" -j2 --target packages >/dev/null
  (cd "$dir/packages" && find . -name '*.deb' | LC_ALL=C sort | xargs sha256sum)
}

first="$(build "$work/a")"
second="$(build "$work/a-second-build-folder-with-a-longer-name")"
echo "$first"
if [ "$first" != "$second" ] || [ "$(echo "$first" | wc -l)" -ne 4 ]; then
  echo "the packages differ between build folders:" >&2
  diff <(echo "$first") <(echo "$second") >&2 || true
  exit 1
fi
