#!/usr/bin/env bash
# Builds a libFuzzer target with clang and the sanitizers and runs it on a copy of its seed
# corpus (fuzz/seeds/<target>/).
#
#   scripts/fuzz.sh <target> [seconds]    e.g. scripts/fuzz.sh fuzz_xml_document 60
#   scripts/fuzz.sh all [seconds]         every fuzz/fuzz_*.cpp in turn, [seconds] each
#
# Ends with one summary line per target (executions, findings) and exits non-zero when any
# target produced a crash-, leak-, timeout- or oom- file; those files are kept in
# build-fuzz/findings/<target>/ and the log in build-fuzz/findings/<target>.log.
# Environment: LUMORA_FUZZ_BUILD_DIR (default build-fuzz), LUMORA_FUZZ_TIMEOUT (seconds per
# input, default 10), LUMORA_FUZZ_RSS_MB (default 2048).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_FUZZ_BUILD_DIR:-$root/build-fuzz}
per_input_timeout=${LUMORA_FUZZ_TIMEOUT:-10}
rss_limit=${LUMORA_FUZZ_RSS_MB:-2048}

usage() {
  echo "usage: $0 <target>|all [seconds]" >&2
  echo "targets:" $(cd "$root/fuzz" && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//') >&2
  exit 2
}

[ $# -ge 1 ] || usage
which=$1
seconds=${2:-60}
[[ "$seconds" =~ ^[0-9]+$ ]] || usage

if [ "$which" = all ]; then
  targets=$(cd "$root/fuzz" && ls fuzz_*.cpp | sed 's/\.cpp$//')
else
  [ -f "$root/fuzz/$which.cpp" ] || usage
  targets=$which
fi

# clang and the libFuzzer runtime; the tools that make the HEIF and WebP seeds.
"$root/scripts/install-deps.sh" clang libclang-rt-14-dev

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMORA_FUZZ=ON -DLUMORA_BUILD_UI=OFF -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $targets -j2

# The targets write their scratch files to the temporary folder; in memory when possible,
# and removed afterwards even when a target crashed.
scratch=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}" )/lumora-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Seeds for fuzz_photo_formats, made with Debian's tools: small HEIC, AVIF, WebP (lossy, lossless
# with alpha, animated, with EXIF, XMP and an ICC profile) and TIFF files.
make_photo_seeds() {
  local out=$1 work
  work=$(mktemp -d)
  convert -size 48x32 gradient:orange-navy "$work/a.png"
  convert -size 48x32 gradient:navy-orange -alpha set -channel A -evaluate set 50% "$work/alpha.png"
  convert "$work/a.png" -quality 90 "$work/meta.jpg"
  exiftool -q -overwrite_original -EXIF:Orientation#=6 -EXIF:Make=Seed -XMP-dc:Title=Seed \
    "-icc_profile<=/usr/share/color/icc/colord/AdobeRGB1998.icc" "$work/meta.jpg"
  heif-enc -q 50 -o "$out/seed.heic" "$work/meta.jpg" >/dev/null
  heif-enc -q 50 -o "$out/seed.avif" "$work/meta.jpg" >/dev/null
  cwebp -quiet -q 50 -metadata all "$work/meta.jpg" -o "$out/seed-meta.webp"
  cwebp -quiet -lossless "$work/alpha.png" -o "$out/seed-alpha.webp"
  img2webp -lossy "$work/a.png" "$work/alpha.png" -o "$out/seed-animated.webp" >/dev/null 2>&1
  convert "$work/a.png" "$work/meta.tiff"
  exiftool -q -overwrite_original -EXIF:Make=Seed -GPSLatitude=10 -XMP-dc:Title=Seed \
    "-icc_profile<=/usr/share/color/icc/colord/sRGB.icc" "$work/meta.tiff"
  cp "$work/meta.tiff" "$out/seed.tiff"
  rm -rf "$work"
}

summary=()
failed=0
for target in $targets; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/findings/$target.log
  rm -rf "$corpus" "$findings"
  mkdir -p "$corpus" "$findings"
  if [ -d "$root/fuzz/seeds/$target" ]; then
    cp -R "$root/fuzz/seeds/$target/." "$corpus/"
  fi
  if [ "$target" = fuzz_photo_formats ]; then
    make_photo_seeds "$corpus"
  fi

  echo "== $target: ${seconds}s on $(find "$corpus" -type f | wc -l) seed files"
  status=0
  TMPDIR=$scratch \
  ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
  UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout="$per_input_timeout" \
    -rss_limit_mb="$rss_limit" -artifact_prefix="$findings/" -print_final_stats=1 \
    "$corpus" >"$log" 2>&1 || status=$?
  tail -n 20 "$log"

  executions=$(awk '/^stat::number_of_executed_units:/ {print $2}' "$log" | tail -n 1)
  count=$(find "$findings" -maxdepth 1 -type f \
    \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  # A fuzzer that died without leaving a file (for example killed) counts as a finding too.
  if [ "$status" -ne 0 ] && [ "$count" -eq 0 ]; then
    count=1
  fi
  [ "$count" -eq 0 ] || failed=1
  summary+=("fuzz summary: $target: ${executions:-0} executions, $count findings (${seconds}s; log $log)")
done

printf '%s\n' "${summary[@]}"
exit $failed
