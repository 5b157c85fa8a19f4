#!/usr/bin/env bash
# Fuzzes the dispatch frame decoder (src/platform/dispatch/wire.cc) with
# libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer.
#
#   scripts/fuzz-wire.sh [SECONDS]      (default 60)
#
# Needs clang++ and libFuzzer's runtime, which Debian ships in clang and
# libclang-rt-14-dev; both are installed with apt-get when missing. Not part
# of `make test`. Work files go to build-fuzz/ (override with FUZZ_DIR); the
# corpus grows there from run to run, and a crashing input is left there as
# crash-<hash> for replaying with `build-fuzz/wire_fuzz FILE`.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
work=${FUZZ_DIR:-$root/build-fuzz}

cxx=""
for candidate in clang++ clang++-14; do
  if command -v "$candidate" >/dev/null; then cxx=$candidate; break; fi
done
has_fuzzer() {
  [ -n "$cxx" ] && echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    "$cxx" -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null
}
if ! has_fuzzer; then
  echo "Installing clang and libFuzzer (clang-14, libclang-rt-14-dev) ..."
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
  cxx=clang++-14
  has_fuzzer || { echo "libFuzzer is still not usable with $cxx" >&2; exit 1; }
fi

mkdir -p "$work/corpus"
# The wire code and the runtime layer it stands on; rtl depends on nothing
# outside itself.
sources=("$root/src/platform/dispatch/wire.cc" "$root"/src/platform/rtl/*.cc)
flags=(-std=c++20 -g -O1 -I"$root/src" -fno-sanitize-recover=undefined)

echo "Building $work/wire_fuzz with $cxx ..."
"$cxx" "${flags[@]}" -fsanitize=fuzzer,address,undefined \
  "$root/fuzz/wire_fuzz.cc" "${sources[@]}" -o "$work/wire_fuzz"
"$cxx" "${flags[@]}" -DWIRE_FUZZ_SEEDS \
  "$root/fuzz/wire_fuzz.cc" "${sources[@]}" -o "$work/wire_fuzz_seeds"
"$work/wire_fuzz_seeds" "$work/corpus"

# -malloc_limit_mb: any single allocation above it counts as a finding, which
# is how a count that escaped its checks shows up on short inputs.
cd "$work"
exec ./wire_fuzz -max_total_time="$seconds" -malloc_limit_mb=64 -rss_limit_mb=2048 \
  -max_len=4096 -print_final_stats=1 corpus
