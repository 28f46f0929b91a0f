#!/usr/bin/env bash
# Benchmarks of lumora-batch against the reference tools, measured side by side in one run.
#
#   bash scripts/bench.sh
#
# Installs what it needs (Debian's ukui-wallpapers for the 3840 x 2400 JPEG photos,
# libjpeg-turbo-progs, imagemagick, libvips-tools, time), builds in Release into build-bench/,
# stamps the photos with the demonstration template (its shadow switched on) to JPEG with
# metadata, and prints every figure with its reference, the ratio, the target and PASS/FAIL.
# Each time is the median of BENCH_RUNS runs (default 3), a figure's runs alternating with its
# reference's so that both see the same load. Exits 1 when any target is missed.
# Environment: LUMORA_BENCH_BUILD_DIR (default build-bench), BENCH_RUNS.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BENCH_BUILD_DIR:-$root/build-bench}
runs=${BENCH_RUNS:-3}

"$root/scripts/install-deps.sh" ukui-wallpapers libjpeg-turbo-progs imagemagick libvips-tools time \
  libheif-examples
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMORA_BUILD_UI=OFF \
  -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target lumora-batch lumora-bench-preview --parallel 2 >/dev/null

batch=$build/bin/lumora-batch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos" "$work/out" "$work/ref"

# The workload: 20 photos cycled from the wallpapers (3840 x 2400 and 3640 x 2400 JPEG).
mapfile -t wallpapers < <(ls /usr/share/backgrounds/*.jpg | sort)
[ ${#wallpapers[@]} -gt 0 ] || { echo "no JPEG photos in /usr/share/backgrounds" >&2; exit 1; }
photos=()
for i in $(seq 1 20); do
  photo=$work/photos/p$(printf %02d "$i").jpg
  cp "${wallpapers[$(((i - 1) % ${#wallpapers[@]}))]}" "$photo"
  photos+=("$photo")
done
five=("${photos[@]:0:5}")

# A data folder with the demonstration template, its shadow on; output to $work/out as JPEG;
# resizing to 800 pixels wide when --resize is given.
data=$work/data
"$batch" --data-dir "$data" --list-templates >/dev/null
sed -i 's#<BAddShadow>0</BAddShadow>#<BAddShadow>1</BAddShadow>#' "$data/templates/Demo 1_Layer 1.xml"
sed -i -e 's#<OutputFolderOpts>0</OutputFolderOpts>#<OutputFolderOpts>1</OutputFolderOpts>#' \
  -e "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out</OutputFolderPath>#" \
  -e 's#<OutputFormat>[0-9]*</OutputFormat>#<OutputFormat>0</OutputFormat>#' "$data/preference.xml"
printf '[常规]\r\nScaleType=1\r\nTargetWidth=800\r\nTargetHeight=600\r\nResizeEveryTime=0\r\n' \
  >"$data/resizing_config.ini"

# paired A B: runs the commands A and B (function names) alternately, $runs times each, so
# that both see the same load on a busy machine; sets med_a and med_b to their median wall
# times in seconds.
elapsed_ms() {
  local start end
  start=$(date +%s%N)
  "$1" >/dev/null 2>&1 || true
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median_of() { printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.3f", t[int((NR + 1) / 2)] / 1000 }'; }
paired() {
  local a=() b=()
  for _ in $(seq 1 "$runs"); do
    a+=("$(elapsed_ms "$1")")
    b+=("$(elapsed_ms "$2")")
  done
  med_a=$(median_of "${a[@]}")
  med_b=$(median_of "${b[@]}")
}

failures=0
# report LABEL VALUE UNIT REF_LABEL REF_VALUE RATIO RELATION TARGET
report() {
  local verdict
  verdict=$(awk -v r="$6" -v rel="$7" -v t="$8" 'BEGIN { ok = (rel == "<=") ? (r <= t) : (r >= t); print ok ? "PASS" : "FAIL" }')
  [ "$verdict" = PASS ] || failures=$((failures + 1))
  printf '%-44s %9s %-3s | %-44s %9s | ratio %6s (target %s %s) %s\n' "$1" "$2" "$3" "$4" "$5" "$6" "$7" "$8" "$verdict"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

stamp() { "$batch" --data-dir "$data" "$@"; }

reference_jpeg() {
  for photo in "${photos[@]}"; do
    djpeg -outfile "$work/ref/decoded.ppm" "$photo"
    cjpeg -quality 98 -sample 2x2 -outfile "$work/ref/$(basename "$photo")" "$work/ref/decoded.ppm"
  done
}

imagemagick_watermark() {
  for photo in "${five[@]}"; do
    convert "$photo" \
      \( +clone -alpha transparent -gravity center -font DejaVu-Sans -pointsize 146 \
         -fill 'rgba(0,0,0,0.4)' -annotate -30x-30+3+3 'Lumora Plenum' -blur 0x4 \) -composite \
      -gravity center -font DejaVu-Sans -pointsize 146 -fill '#9e330b' -annotate -30x-30+0+0 'Lumora Plenum' \
      -quality 98 -sampling-factor 2x2 "$work/ref/$(basename "$photo")"
  done
}

vips_watermark() {
  for photo in "${five[@]}"; do
    VIPS_CONCURRENCY=1 vips text "$work/ref/text.v" 'Lumora Plenum' --font 'DejaVu Sans 146'
    VIPS_CONCURRENCY=1 vips bandjoin "$work/ref/text.v $work/ref/text.v" "$work/ref/overlay.v"
    VIPS_CONCURRENCY=1 vips composite2 "$photo" "$work/ref/overlay.v" \
      "$work/ref/$(basename "$photo")[Q=98,subsample-mode=on]" over --x 1500 --y 1100
  done
}

echo "Workload: ${#photos[@]} photos of $(identify -format '%wx%h' "${photos[0]}") from ukui-wallpapers;" \
  "median of $runs runs; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo

ours_jobs1() { stamp --jobs 1 "${photos[@]}"; }
ours_jobs2() { stamp --jobs 2 "${photos[@]}"; }
ours_resized() { stamp --jobs 1 --resize "${photos[@]}"; }
ours_five() { stamp --jobs 1 "${five[@]}"; }

paired ours_jobs1 reference_jpeg
report "(a) lumora-batch --jobs 1, 20 photos" "$med_a" s "djpeg, then cjpeg -quality 98 (4:2:0)" "$med_b" \
  "$(ratio "$med_a" "$med_b")" "<=" 1.5

paired ours_five imagemagick_watermark
report "(b) ImageMagick speed-up, 5 photos" "$med_a" s "convert: text, blurred shadow, q98" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 5

paired ours_five vips_watermark
report "(c) libvips speed-up, 5 photos (one thread)" "$med_a" s "vips text + composite2 + Q=98" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 1

paired ours_jobs2 ours_jobs1
report "(d) --jobs 2 throughput, 20 photos" "$med_a" s "--jobs 1" "$med_b" "$(ratio "$med_b" "$med_a")" ">=" 1.7

paired ours_resized ours_jobs1
report "(e) resizing to 800 wide speed-up, 20 photos" "$med_a" s "without resizing" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 4

peak_kib=$(/usr/bin/time -f '%M' "$batch" --data-dir "$data" --jobs 1 "${photos[0]}" 2>&1 >/dev/null | tail -n 1)
peak=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')
report "(f) peak memory, one photo" "$peak" MiB "limit" "150" "$peak" "<=" 150

preview=$("$build/bin/lumora-bench-preview" 200 2>/dev/null)
preview_ms=$(echo "$preview" | awk '{ print $2 }')
report "(g) editor preview median ($preview_ms ms)" "$preview_ms" ms "limit" "10" "$preview_ms" "<=" 10

# (h) The cost of a photo does not grow with the number of files in the output folder: 2000
# small photos (hard links to one 64 x 40 JPEG), written into a folder that holds 100,000 other
# files and into one that holds only the outputs of the earlier runs.
mkdir -p "$work/small" "$work/out-empty" "$work/out-full"
convert "${photos[0]}" -resize 64x40 "$work/small/s0000.jpg"
small=("$work/small/s0000.jpg")
for i in $(seq 1 1999); do
  ln "$work/small/s0000.jpg" "$work/small/s$(printf %04d "$i").jpg"
  small+=("$work/small/s$(printf %04d "$i").jpg")
done
(cd "$work/out-full" && seq -f 'other%06g.jpg' 1 100000 | xargs touch)
for folder in empty full; do
  cp -r "$data" "$work/data-$folder"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-$folder</OutputFolderPath>#" \
    "$work/data-$folder/preference.xml"
done
ours_small_full() { "$batch" --data-dir "$work/data-full" --jobs 1 "${small[@]}"; }
ours_small_empty() { "$batch" --data-dir "$work/data-empty" --jobs 1 "${small[@]}"; }
paired ours_small_full ours_small_empty
report "(h) 2000 small photos, 100,000 files beside" "$med_a" s "into a folder without other files" "$med_b" \
  "$(ratio "$med_a" "$med_b")" "<=" 1.2

# (i) A phone's photo: a 12 MP HEIC (a wallpaper scaled to 4000 x 3000, encoded by heif-enc)
# stamped to JPEG, against heif-convert converting it to JPEG at the same quality alone.
mkdir -p "$work/heic" "$work/out-heic"
convert "${photos[0]}" -resize '4000x3000!' -quality 95 "$work/heic/phone.jpg"
heif-enc -q 85 -o "$work/heic/phone.heic" "$work/heic/phone.jpg" >/dev/null
cp -r "$data" "$work/data-heic"
sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-heic</OutputFolderPath>#" \
  "$work/data-heic/preference.xml"
ours_heic() { "$batch" --data-dir "$work/data-heic" --jobs 1 "$work/heic/phone.heic"; }
reference_heic() { heif-convert -q 98 "$work/heic/phone.heic" "$work/ref/phone.jpg"; }
paired ours_heic reference_heic
report "(i) 12 MP HEIC to JPEG, stamped" "$med_a" s "heif-convert -q 98 to JPEG alone" "$med_b" \
  "$(ratio "$med_a" "$med_b")" "<=" 1.3

echo
if [ "$failures" -eq 0 ]; then
  echo "All targets met."
else
  echo "$failures target(s) missed."
  exit 1
fi
