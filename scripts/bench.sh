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
# Environment: LUMORA_BENCH_BUILD_DIR (default build-bench), BENCH_RUNS, BENCH_ONLY (figures to
# measure, separated by commas, e.g. "a,j,k,l"; default all; (n), (n2), (o) and (p) build the
# desktop program too),
# BENCH_SWEEP (the sizes of (l) in
# megapixels, default "2 12 24 50 100"), BENCH_SWEEP_PHOTOS (photos per run in (l), default 4),
# BENCH_SINGLE (the sizes of (r) in megapixels, default "12 24 50 100"),
# BENCH_BASELINE (the revision (o) compares the outputs with, default cb4c6aa: the last one
# writing standard Huffman tables and 4:2:0 always; built in LUMORA_BENCH_BUILD_DIR-baseline/build),
# BENCH_BUILD_TYPE (default Release).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${LUMORA_BENCH_BUILD_DIR:-$root/build-bench}
runs=${BENCH_RUNS:-3}
only=${BENCH_ONLY:-}
sweep_sizes=${BENCH_SWEEP:-2 12 24 50 100}
sweep_photos=${BENCH_SWEEP_PHOTOS:-4}
# want X: true when figure X is to be measured.
want() { [ -z "$only" ] || [[ ",$only," == *",$1,"* ]]; }

"$root/scripts/install-deps.sh" ukui-wallpapers libjpeg-turbo-progs imagemagick libvips-tools time \
  libheif-examples libimage-exiftool-perl
# The desktop program is built only for the figures that drive its windows: (n), (n2), (o), (p).
ui=OFF
targets=(lumora-batch lumora-bench-preview lumora-bench-blocks)
if want n || want n2; then
  ui=ON
  targets+=(lumora-bench-desktop)
fi
if want o; then
  ui=ON
  targets+=(lumora-bench-output-preview)
fi
# (p) drives the template editor.
if want p; then
  ui=ON
  targets+=(lumora-bench-editor)
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BENCH_BUILD_TYPE:-Release}" -DLUMORA_BUILD_UI=$ui \
  -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target "${targets[@]}" --parallel 2 >/dev/null

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

# The ImageMagick command a person would write: the text with its blurred shadow drawn on a
# small transparent layer, composited onto the photo's centre, quality 98 at 4:2:0.
imagemagick_stamp() { # PHOTO OUTPUT
  convert "$1" \( -size 1400x800 xc:none -font DejaVu-Sans -pointsize 146 -gravity center \
    -fill 'rgba(0,0,0,0.4)' -annotate -30x-30+3+3 'Lumora Plenum' -blur 0x4 \
    -fill '#9e330b' -annotate -30x-30+0+0 'Lumora Plenum' \) \
    -gravity center -composite -quality 98 -sampling-factor 2x2 "$2"
}

imagemagick_watermark() {
  for photo in "${five[@]}"; do
    imagemagick_stamp "$photo" "$work/ref/$(basename "$photo")"
  done
}

# libvips, one thread: the text rendered (vips text) and composited (vips composite2) at
# (X, Y). composite2 needs an overlay with the photo's bands plus alpha: the coloured RGBA
# overlay is made from the text once, before anything is timed.
vips_text() { VIPS_CONCURRENCY=1 vips text "$work/ref/text.v" 'Lumora Plenum' --font 'DejaVu Sans 146'; }
vips_text
vips linear "$work/ref/text.v" "$work/ref/colour.v" "0 0 0" "158 51 11" --uchar
vips bandjoin "$work/ref/colour.v $work/ref/text.v" "$work/ref/rgba.v"
vips copy "$work/ref/rgba.v" "$work/ref/overlay.v" --interpretation srgb
vips_stamp() { # PHOTO OUTPUT X Y
  vips_text
  VIPS_CONCURRENCY=1 vips composite2 "$1" "$work/ref/overlay.v" "$2[Q=98,subsample-mode=on]" over --x "$3" --y "$4"
}

vips_watermark() {
  for photo in "${five[@]}"; do
    vips_stamp "$photo" "$work/ref/$(basename "$photo")" 1500 1100
  done
}

echo "Workload: ${#photos[@]} photos of $(identify -format '%wx%h' "${photos[0]}") from ukui-wallpapers;" \
  "median of $runs runs; $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo

ours_jobs1() { stamp --jobs 1 "${photos[@]}"; }
ours_jobs2() { stamp --jobs 2 "${photos[@]}"; }
ours_resized() { stamp --jobs 1 --resize "${photos[@]}"; }
ours_five() { stamp --jobs 1 "${five[@]}"; }

if want a; then
paired ours_jobs1 reference_jpeg
report "(a) lumora-batch --jobs 1, 20 photos" "$med_a" s "djpeg, then cjpeg -quality 98 (4:2:0)" "$med_b" \
  "$(ratio "$med_a" "$med_b")" "<=" 1.5
fi

if want b; then
paired ours_five imagemagick_watermark
report "(b) ImageMagick speed-up, 5 photos" "$med_a" s "convert: shadowed text layer composited" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 2.5
fi

if want c; then
paired ours_five vips_watermark
report "(c) libvips speed-up, 5 photos (one thread)" "$med_a" s "vips text + composite2 + Q=98" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 1
fi

if want d; then
paired ours_jobs2 ours_jobs1
report "(d) --jobs 2 throughput, 20 photos" "$med_a" s "--jobs 1" "$med_b" "$(ratio "$med_b" "$med_a")" ">=" 1.7
fi

if want e; then
paired ours_resized ours_jobs1
report "(e) resizing to 800 wide speed-up, 20 photos" "$med_a" s "without resizing" "$med_b" \
  "$(ratio "$med_b" "$med_a")" ">=" 4
fi

if want f; then
peak_kib=$(/usr/bin/time -f '%M' "$batch" --data-dir "$data" --jobs 1 "${photos[0]}" 2>&1 >/dev/null | tail -n 1)
peak=$(awk -v k="$peak_kib" 'BEGIN { printf "%.1f", k / 1024 }')
report "(f) peak memory, one photo" "$peak" MiB "limit" "150" "$peak" "<=" 150
fi

if want g; then
preview=$("$build/bin/lumora-bench-preview" 200 2>/dev/null)
preview_ms=$(echo "$preview" | awk '{ print $2 }')
report "(g) editor preview median ($preview_ms ms)" "$preview_ms" ms "limit" "10" "$preview_ms" "<=" 10
fi

if want h; then
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
fi

# (i) A phone's photo: a 12 MP HEIC (a wallpaper scaled to 4000 x 3000, encoded by heif-enc)
# stamped to JPEG, against heif-convert converting it to JPEG at the same quality alone.
if want i; then
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
fi

# (j) Lossless JPEG outputs (--lossless): only the blocks under the watermark are encoded again.
lossless_data=$work/data-lossless
cp -r "$data" "$lossless_data"
sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-lossless</OutputFolderPath>#" \
  "$lossless_data/preference.xml"
ours_lossless() { "$batch" --data-dir "$lossless_data" --jobs 1 --lossless "${photos[@]}"; }
if want j || want k; then
  paired ours_lossless ours_jobs1
  if want j; then
    report "(j) --lossless speed-up, 20 photos" "$med_a" s "the full path, --jobs 1" "$med_b" \
      "$(ratio "$med_b" "$med_a")" ">=" 1.8
  fi
fi

# (k) A lossless output is about as large as its photo plus the blocks encoded again, each
# counted at the photo's mean bytes per block: the largest output / (photo size x (1 +
# changed blocks / all blocks)) of the 20.
if want k; then
  worst=0
  worst_name=
  for photo in "${photos[@]}"; do
    output=$work/out-lossless/$(basename "${photo%.jpg}")_new.jpg
    read -r changed total < <("$build/bin/lumora-bench-blocks" "$photo" "$output")
    share=$(awk -v o="$(stat -c %s "$output")" -v s="$(stat -c %s "$photo")" -v c="$changed" -v t="$total" \
      'BEGIN { printf "%.3f", o / (s * (1 + c / t)) }')
    if awk -v a="$share" -v b="$worst" 'BEGIN { exit !(a > b) }'; then
      worst=$share
      worst_name="$(basename "$photo"), $changed of $total blocks"
    fi
  done
  report "(k) lossless size, largest ($worst_name)" "$worst" "" "photo + changed blocks" "1" "$worst" "<=" 1.1
fi

# (m) Text fields: the cost of reading a photo's tags and filling the fields of a text layer. The
# 20 photos, tagged with exiftool, stamped with --resize (decoding and encoding, the same on both
# sides, then take less of the time) with the demonstration layer holding fields, against the same
# layer holding the filled text written out; the difference per photo of the processes' CPU time
# (user + system, which other work on the machine does not inflate as it does wall time), median
# of at least 5 runs each, alternating.
if want m; then
  mkdir -p "$work/tagged" "$work/out-fields" "$work/out-literal"
  tagged=()
  for photo in "${photos[@]}"; do
    cp "$photo" "$work/tagged/"
    tagged+=("$work/tagged/$(basename "$photo")")
  done
  exiftool -q -q -overwrite_original -EXIF:DateTimeOriginal='2023:07:14 09:05:33' \
    -EXIF:Make='NIKON CORPORATION' -EXIF:Model='NIKON D750' -EXIF:LensModel='24-70mm f/2.8' \
    -EXIF:ExposureTime=1/250 -EXIF:FNumber=5.6 -EXIF:ISO=200 -EXIF:FocalLength=35 \
    -EXIF:Artist='Ann Example' -XMP-dc:Rights='Ann Example' "${tagged[@]}"
  for kind in fields literal; do
    cp -r "$data" "$work/data-$kind"
    sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-$kind</OutputFolderPath>#" \
      "$work/data-$kind/preference.xml"
  done
  sed -i -e 's#<textContent>.*</textContent>#<textContent>© {artist} · {date} · {camera} · {exposure}</textContent>#' \
    -e 's#<ScaleTextWT>1</ScaleTextWT>#&\r\n<BTextTokens>1</BTextTokens>#' \
    "$work/data-fields/templates/Demo 1_Layer 1.xml"
  sed -i -e 's#<textContent>.*</textContent>#<textContent>© Ann Example · 2023-07-14 · NIKON D750 · 1/250 s f/5.6 ISO 200 35 mm</textContent>#' \
    "$work/data-literal/templates/Demo 1_Layer 1.xml"
  # cpu_ms KIND: the CPU milliseconds of stamping the tagged photos with data-KIND.
  cpu_ms() {
    /usr/bin/time -f '%U %S' "$batch" --data-dir "$work/data-$1" --jobs 1 --resize "${tagged[@]}" 2>&1 >/dev/null |
      tail -n 1 | awk '{ printf "%d", ($1 + $2) * 1000 }'
  }
  cpu_fields=()
  cpu_literal=()
  for _ in $(seq 1 $((runs < 5 ? 5 : runs))); do
    cpu_fields+=("$(cpu_ms fields)")
    cpu_literal+=("$(cpu_ms literal)")
  done
  med_a=$(median_of "${cpu_fields[@]}")
  med_b=$(median_of "${cpu_literal[@]}")
  per_photo=$(awk -v a="$med_a" -v b="$med_b" -v n="${#tagged[@]}" 'BEGIN { printf "%.2f", (a - b) * 1000 / n }')
  report "(m) text fields, CPU per photo (run: $med_a s)" "$per_photo" ms "the same text written out (CPU s)" \
    "$med_b" "$per_photo" "<=" 2
fi

# (l) The full path from 2 to 100 megapixels: photos made from the first wallpaper, a run of
# $sweep_photos copies with --jobs 1 each time, every photo timed as its output line appears. The
# first photo of a run carries the program's start and its memory's first touch and is shown
# apart; the median and best are over the other photos. References per photo: djpeg | cjpeg
# (the floor, two processes), libvips and ImageMagick as above. Targets: at most 1.2 x the
# floor, faster than libvips, at least 2.5 x faster than ImageMagick, and at 100 megapixels a
# median at most 1.3 x the best.
ms_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }
median_ms() { printf '%s\n' "$@" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] }'; }
best_ms() { printf '%s\n' "$@" | sort -n | head -n 1; }
if want l; then
  mkdir -p "$work/sweep" "$work/out-sweep"
  sweep_data=$work/data-sweep
  cp -r "$data" "$sweep_data"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-sweep</OutputFolderPath>#" \
    "$sweep_data/preference.xml"
  base=${wallpapers[0]}
  read -r base_w base_h < <(identify -format '%w %h\n' "$base")
  echo
  echo "(l) full path per photo by size (ms; first = first photo of a run, with the start)"
  printf '%6s %9s %8s %6s %8s | %9s %6s | %8s %6s | %9s %6s | %s\n' MP median best med/bst first \
    "djpeg|cjpeg" ratio vips ratio ImageMagick ratio verdict
  sizes_done=()
  medians_done=()
  floors_done=()
  for mp in $sweep_sizes; do
    scale=$(awk -v mp="$mp" -v w="$base_w" -v h="$base_h" 'BEGIN { printf "%.6f", sqrt(mp * 1e6 / (w * h)) }')
    source=$work/sweep/p$mp.jpg
    vips resize "$base" "$source[Q=92,subsample-mode=on]" "$scale"
    read -r w h < <(identify -format '%w %h\n' "$source")
    copies=()
    for i in $(seq 1 "$sweep_photos"); do
      cp "$source" "$work/sweep/p${mp}_$i.jpg"
      copies+=("$work/sweep/p${mp}_$i.jpg")
    done
    steady=()
    firsts=()
    floor=()
    vips_t=()
    im_t=()
    for _ in $(seq 1 "$runs"); do
      start=$EPOCHREALTIME
      previous=$start
      n=0
      while IFS= read -r _; do
        now=$EPOCHREALTIME
        took=$(awk -v a="$previous" -v b="$now" 'BEGIN { printf "%.1f", (b - a) * 1000 }')
        if [ "$n" -eq 0 ]; then firsts+=("$took"); else steady+=("$took"); fi
        previous=$now
        n=$((n + 1))
      done < <("$batch" --data-dir "$sweep_data" --jobs 1 "${copies[@]}" 2>/dev/null)
      t0=$EPOCHREALTIME
      djpeg "$source" | cjpeg -quality 98 -sample 2x2 >"$work/ref/floor.jpg"
      floor+=("$(ms_since "$t0")")
      t0=$EPOCHREALTIME
      vips_stamp "$source" "$work/ref/vips.jpg" $((w / 2 - 500)) $((h / 2 - 80)) 2>/dev/null
      vips_t+=("$(ms_since "$t0")")
      t0=$EPOCHREALTIME
      imagemagick_stamp "$source" "$work/ref/im.jpg" 2>/dev/null
      im_t+=("$(ms_since "$t0")")
    done
    med=$(median_ms "${steady[@]}")
    best=$(best_ms "${steady[@]}")
    f=$(median_ms "${floor[@]}")
    v=$(median_ms "${vips_t[@]}")
    m=$(median_ms "${im_t[@]}")
    spread=$(ratio "$med" "$best")
    to_floor=$(ratio "$med" "$f")
    to_vips=$(ratio "$v" "$med")
    to_im=$(ratio "$m" "$med")
    verdict=$(awk -v f="$to_floor" -v v="$to_vips" -v m="$to_im" -v s="$spread" -v mp="$mp" \
      'BEGIN { ok = f <= 1.2 && v >= 1 && m >= 2.5 && (mp < 100 || s <= 1.3); print ok ? "PASS" : "FAIL" }')
    [ "$verdict" = PASS ] || failures=$((failures + 1))
    printf '%6s %9s %8s %6s %8s | %9s %6s | %8s %6s | %9s %6s | %s\n' "$mp" "$med" "$best" "$spread" \
      "$(median_ms "${firsts[@]}")" "$f" "$to_floor" "$v" "$to_vips" "$m" "$to_im" "$verdict"
    sizes_done+=("$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.2f", w * h / 1e6 }')")
    medians_done+=("$med")
    floors_done+=("$f")
    rm -f "${copies[@]}" "$work"/out-sweep/*
  done
  if [ ${#sizes_done[@]} -ge 2 ]; then
    last=$((${#sizes_done[@]} - 1))
    growth() { awk -v a="$1" -v b="$2" -v x="${sizes_done[0]}" -v y="${sizes_done[$last]}" \
      'BEGIN { printf "%.2f", (b - a) / (y - x) }'; }
    echo "growth from ${sizes_done[0]} to ${sizes_done[$last]} MP: lumora-batch" \
      "$(growth "${medians_done[0]}" "${medians_done[$last]}") ms/MP, djpeg | cjpeg" \
      "$(growth "${floors_done[0]}" "${floors_done[$last]}") ms/MP"
  fi
fi

# (r) One photo per run, the program's start included: a photo of 12 to 100 megapixels (made
# as in (l)) stamped alone by a fresh lumora-batch, as a photographer stamping one panorama or a
# worker starting a process per photo does. Time against djpeg | cjpeg (the floor, as in (l));
# peak memory (the maximum resident size by /usr/bin/time) against vips copy to Q98. Targets:
# at most 1.3 x the floor's time at every size, at 100 MP at most 2 x libvips' memory.
if want r; then
  mkdir -p "$work/single" "$work/out-single"
  single_data=$work/data-single
  cp -r "$data" "$single_data"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-single</OutputFolderPath>#" \
    "$single_data/preference.xml"
  base=${wallpapers[0]}
  read -r base_w base_h < <(identify -format '%w %h\n' "$base")
  echo
  echo "(r) one photo per run, with the program's start (ms; peak memory in MiB)"
  printf '%6s %9s %11s %6s | %8s %8s %6s | %s\n' MP time "djpeg|cjpeg" ratio memory vips ratio verdict
  peak_mib() { /usr/bin/time -f %M -o "$work/ref/peak" "$@" >/dev/null 2>&1 || true; awk '{ printf "%.1f", $1 / 1024 }' "$work/ref/peak"; }
  for mp in ${BENCH_SINGLE:-12 24 50 100}; do
    scale=$(awk -v mp="$mp" -v w="$base_w" -v h="$base_h" 'BEGIN { printf "%.6f", sqrt(mp * 1e6 / (w * h)) }')
    single=$work/single/p$mp.jpg
    vips resize "$base" "$single[Q=92,subsample-mode=on]" "$scale"
    ours_single() { rm -f "$work"/out-single/*; "$batch" --data-dir "$single_data" --jobs 1 "$single"; }
    floor_single() { djpeg "$single" | cjpeg -quality 98 -sample 2x2 >"$work/ref/floor.jpg"; }
    paired ours_single floor_single
    t=$(awk -v s="$med_a" 'BEGIN { printf "%.1f", s * 1000 }')
    f=$(awk -v s="$med_b" 'BEGIN { printf "%.1f", s * 1000 }')
    mem=()
    vmem=()
    for _ in $(seq 1 "$runs"); do
      rm -f "$work"/out-single/*
      mem+=("$(peak_mib "$batch" --data-dir "$single_data" --jobs 1 "$single")")
      vmem+=("$(peak_mib vips copy "$single" "$work/ref/copy.jpg[Q=98]")")
    done
    m=$(median_ms "${mem[@]}")
    v=$(median_ms "${vmem[@]}")
    to_floor=$(ratio "$t" "$f")
    to_vips=$(ratio "$m" "$v")
    verdict=$(awk -v f="$to_floor" -v v="$to_vips" -v mp="$mp" \
      'BEGIN { ok = f <= 1.3 && (mp < 100 || v <= 2); print ok ? "PASS" : "FAIL" }')
    [ "$verdict" = PASS ] || failures=$((failures + 1))
    printf '%6s %9s %11s %6s | %8s %8s %6s | %s\n' "$mp" "$t" "$f" "$to_floor" "$m" "$v" "$to_vips" "$verdict"
    rm -f "$single" "$work"/out-single/*
  done
fi

# (n) The desktop program's batch (its main window on the offscreen platform, driven by
# lumora-bench-desktop, the program's renderer and the data folder's output settings): the 20
# photos two at a time against one at a time, each run a fresh program. The time is the run's,
# from its start to its end as the program reports it (the program's start and its window's
# set-up are the same for both and are left out); the runs alternate as in paired.
if want n; then
  desktop_data=$work/data-desktop
  cp -r "$data" "$desktop_data"
  mkdir -p "$work/out-desktop"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-desktop</OutputFolderPath>#" \
    "$desktop_data/preference.xml"
  desktop_threads2() { "$build/bin/lumora-bench-desktop" "$desktop_data" 2 "${photos[@]}"; }
  desktop_threads1() { "$build/bin/lumora-bench-desktop" "$desktop_data" 1 "${photos[@]}"; }
  run_ms() { "$1" 2>/dev/null | awk '/ stamped, / { for (i = 1; i < NF; i++) if ($i == "in") printf "%d", $(i + 1) * 1000 }'; }
  a=()
  b=()
  for _ in $(seq 1 "$runs"); do
    a+=("$(run_ms desktop_threads2)")
    b+=("$(run_ms desktop_threads1)")
  done
  med_a=$(median_of "${a[@]}")
  med_b=$(median_of "${b[@]}")
  report "(n) desktop batch, 2 threads, 20 photos" "$med_a" s "one photo at a time" "$med_b" \
    "$(ratio "$med_b" "$med_a")" ">=" 1.7
  # The files are those of lumora-batch.
  stamp --jobs 2 "${photos[@]}" >/dev/null
  for photo in "${photos[@]}"; do
    name=$(basename "${photo%.jpg}")_new.jpg
    cmp -s "$work/out/$name" "$work/out-desktop/$name" || { echo "(n) $name differs from lumora-batch's" >&2; failures=$((failures + 1)); }
  done
fi

# (o) Paging forward through ten 24 MP photos (6000 x 4000, made from the wallpapers with
# vips resize) in the desktop program's output preview (offscreen, lumora-bench-output-preview),
# a second after each page: the median time from the key to the paint that shows the photo.
if want o; then
  mkdir -p "$work/photos24"
  big=()
  for i in $(seq 1 10); do
    photo=$work/photos24/b$(printf %02d "$i").jpg
    vips resize "${wallpapers[$(((i - 1) % ${#wallpapers[@]}))]}" "$photo[Q=92]" 1.5625 --vscale 1.66667
    big+=("$photo")
  done
  pages=()
  for _ in $(seq 1 "$runs"); do
    median_ms=$(XDG_CACHE_HOME="$work/cache" "$build/bin/lumora-bench-output-preview" "$data" "${big[@]}" 2>/dev/null |
      awk '/ pages, median / { print $4 }')
    pages+=("${median_ms:-100000}")
  done
  med_o=$(printf '%s\n' "${pages[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] }')
  report "(o) output preview, a page of 24 MP photos" "$med_o" ms "" "" "$med_o" "<=" 100
fi

if want p; then
# (p) Typing 20 characters at 10 per second into the template editor's text field with a
# 24 MP photo (6000 x 4000 JPEG) in its preview: from each key to the preview showing it, and
# the window thread's longest stretch of work between two ticks of a 4 ms timer.
typing=$(QT_QPA_PLATFORM=offscreen "$build/bin/lumora-bench-editor" 2>/dev/null | grep '^key to preview')
echo "$typing"
typing_median=$(echo "$typing" | sed -E 's/.*median ([0-9.]+) ms.*/\1/')
typing_p95=$(echo "$typing" | sed -E 's/.*95th percentile ([0-9.]+) ms.*/\1/')
typing_busy=$(echo "$typing" | sed -E 's/.*longest ([0-9.]+) ms of processor time.*/\1/')
report "(p) key to preview, median" "$typing_median" ms "limit" "50" "$typing_median" "<=" 50
report "(p) key to preview, 95th percentile" "$typing_p95" ms "limit" "120" "$typing_p95" "<=" 120
report "(p) window thread busy at most" "$typing_busy" ms "limit" "16" "$typing_busy" "<=" 16
fi

# (n2) Many small photos through the desktop program's batch: 3000 photos of 640 x 400 (made
# from the first wallpaper), two at a time, against lumora-batch --jobs 2 on the same photos.
# The desktop's time is its run's (as in (n)), lumora-batch's the whole program's; the runs
# alternate. The desktop's files must equal lumora-batch's.
if want n2; then
  mkdir -p "$work/small" "$work/out-small" "$work/out-small-desktop"
  convert "${wallpapers[0]}" -resize '640x400!' -quality 90 "$work/small/base.jpg"
  small=()
  for i in $(seq 1 3000); do
    cp "$work/small/base.jpg" "$work/small/s$(printf %04d "$i").jpg"
    small+=("$work/small/s$(printf %04d "$i").jpg")
  done
  rm "$work/small/base.jpg"
  small_data=$work/data-small
  small_desktop_data=$work/data-small-desktop
  cp -r "$data" "$small_data"
  cp -r "$data" "$small_desktop_data"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-small</OutputFolderPath>#" \
    "$small_data/preference.xml"
  sed -i "s#<OutputFolderPath>.*</OutputFolderPath>#<OutputFolderPath>$work/out-small-desktop</OutputFolderPath>#" \
    "$small_desktop_data/preference.xml"
  small_desktop_ms() {
    "$build/bin/lumora-bench-desktop" "$small_desktop_data" 2 "${small[@]}" 2>/dev/null |
      awk '/ stamped, / { for (i = 1; i < NF; i++) if ($i == "in") printf "%d", $(i + 1) * 1000 }'
  }
  small_batch() { "$batch" --data-dir "$small_data" --jobs 2 "${small[@]}"; }
  a=()
  b=()
  for _ in $(seq 1 "$runs"); do
    a+=("$(small_desktop_ms)")
    b+=("$(elapsed_ms small_batch)")
  done
  med_a=$(median_of "${a[@]}")
  med_b=$(median_of "${b[@]}")
  report "(n2) desktop batch, 3000 photos 640 x 400" "$med_a" s "lumora-batch --jobs 2" "$med_b" \
    "$(ratio "$med_a" "$med_b")" "<=" 1.3
  for photo in "${small[@]}"; do
    name=$(basename "${photo%.jpg}")_new.jpg
    cmp -s "$work/out-small/$name" "$work/out-small-desktop/$name" || { echo "(n2) $name differs from lumora-batch's" >&2; failures=$((failures + 1)); break; }
  done
fi

# (q) The outputs against those of BENCH_BASELINE, built from that revision's sources. On 4
# camera-like photos made here (12 MP: a wallpaper scaled to 4000 x 3000 with the luminance noise
# of a sensor, quality 92, 4:2:0, tagged with EXIF, GPS, XMP and IPTC by exiftool) and on the
# distinct 4:4:4 wallpapers: each output set's size against the baseline's and against the
# photos', and the PSNR against the photo outside the mark (a central box of half the width and
# height, which holds the demonstration mark, is left out of both), for the default (sampling "as
# the photo") and for --sampling 420. Targets: the default's camera outputs at most 0.95 x the
# baseline's with identical pixels, and the full path's time per camera photo (--jobs 1) at most
# 1.05 x the baseline's.
if want q; then
  # The baseline's sources beside the build folder, built in their own build/ as a worktree
  # is, so that the compiler cache serves what other builds of the same sources compiled.
  baseline_src=${build}-baseline
  baseline_build=$baseline_src/build
  mkdir -p "$baseline_src" "$work/cam" "$work/out-o" "$work/out-o-base"
  git -C "$root" archive "${BENCH_BASELINE:-cb4c6aa}" | tar -x -C "$baseline_src"
  cmake -S "$baseline_src" -B "$baseline_build" -G Ninja -DCMAKE_BUILD_TYPE="${BENCH_BUILD_TYPE:-Release}" -DLUMORA_BUILD_UI=OFF \
    -DLUMORA_BUILD_TESTS=OFF -DLUMORA_BUILD_BENCH=OFF >/dev/null
  cmake --build "$baseline_build" --target lumora-batch --parallel 2 >/dev/null
  baseline=$baseline_build/bin/lumora-batch
  cameras=()
  for i in 0 1 2 3; do
    cam=$work/cam/cam$i.jpg
    vips thumbnail "${wallpapers[$((i % ${#wallpapers[@]}))]}" "$work/cam/base.v" 4000 --height 3000 --size force
    vips gaussnoise "$work/cam/noise.v" 4000 3000 --sigma 3 --mean 0
    vips bandjoin "$work/cam/noise.v $work/cam/noise.v $work/cam/noise.v" "$work/cam/noise3.v"
    vips add "$work/cam/base.v" "$work/cam/noise3.v" "$work/cam/sum.v"
    vips cast "$work/cam/sum.v" "$cam[Q=92,subsample-mode=on,strip]" uchar
    exiftool -q -overwrite_original -EXIF:Make=LumoraCam -EXIF:Artist=Bench -GPS:GPSLatitude=48.5 \
      -GPS:GPSLatitudeRef=N -XMP-dc:Title=Bench -IPTC:Keywords=Bench "$cam"
    cameras+=("$cam")
  done
  walls=()
  for wallpaper in "${wallpapers[@]}"; do
    cp "$wallpaper" "$work/cam/wall-$(basename "$wallpaper")"
    walls+=("$work/cam/wall-$(basename "$wallpaper")")
  done
  # psnr_outside SOURCE OUTPUT: the PSNR in dB with the central box blacked out in both.
  psnr_outside() {
    local w h
    read -r w h < <(identify -format '%w %h\n' "$1")
    local box="rectangle $((w / 4)),$((h / 4)) $((3 * w / 4)),$((3 * h / 4))"
    convert "$1" -fill black -draw "$box" "$work/cam/a.ppm"
    convert "$2" -fill black -draw "$box" "$work/cam/b.ppm"
    # compare exits with 1 when the pictures differ.
    { compare -metric MSE "$work/cam/a.ppm" "$work/cam/b.ppm" null: 2>&1 || true; } | tr -d '()' |
      awk '{ mse = $2 / 0.75; print (mse > 0) ? sprintf("%.1f", -10 * log(mse) / log(10)) : "inf" }'
  }
  total_size() { local sum=0 f; for f in "$@"; do sum=$((sum + $(stat -c %s "$f"))); done; echo "$sum"; }
  # outputs_of SET... : the output paths of the photos in $1's folder
  quality_set() { # NAME PROGRAM OUTPUT_DIR PHOTOS... (extra options in $extra)
    local name=$1 program=$2 dir=$3
    shift 3
    rm -rf "$dir"
    "$program" --data-dir "$data" --output-dir "$dir" --jobs 1 ${extra:-} "$@" >/dev/null
    local outs=() p psnrs=()
    for p in "$@"; do
      outs+=("$dir/$(basename "${p%.jpg}")_new.jpg")
      psnrs+=("$(psnr_outside "$p" "${outs[-1]}")")
    done
    set_size=$(total_size "${outs[@]}")
    set_psnr=$(printf '%s\n' "${psnrs[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    printf '%-34s %9.1f MB | %5.2f x the photos | PSNR outside the mark %s dB (median)\n' "$name" \
      "$(awk -v s="$set_size" 'BEGIN { print s / 1e6 }')" \
      "$(awk -v s="$set_size" -v p="$(total_size "$@")" 'BEGIN { print s / p }')" "$set_psnr"
  }
  for kind in camera wallpaper; do
    if [ "$kind" = camera ]; then set_photos=("${cameras[@]}"); else set_photos=("${walls[@]}"); fi
    echo "(q) ${#set_photos[@]} $kind photos, $(total_size "${set_photos[@]}" | awk '{ printf "%.1f", $1 / 1e6 }') MB:"
    extra='' quality_set "  baseline ${BENCH_BASELINE:-cb4c6aa}" "$baseline" "$work/out-o-base" "${set_photos[@]}"
    base_size=$set_size
    extra='' quality_set "  default (as the photo)" "$batch" "$work/out-o" "${set_photos[@]}"
    default_size=$set_size
    identical=yes
    for p in "${set_photos[@]}"; do
      name=$(basename "${p%.jpg}")_new.jpg
      cmp -s <(djpeg "$work/out-o/$name") <(djpeg "$work/out-o-base/$name") || identical=no
    done
    extra='--sampling 420' quality_set "  --sampling 420" "$batch" "$work/out-o-420" "${set_photos[@]}"
    if [ "$kind" = camera ]; then
      report "(q) default size, camera photos (pixels $identical)" "$default_size" B "baseline" "$base_size" \
        "$(awk -v a="$default_size" -v b="$base_size" 'BEGIN { printf "%.3f", a / b }')" "<=" 0.95
      [ "$identical" = yes ] || { echo "(q) camera outputs' pixels differ from the baseline's" >&2; failures=$((failures + 1)); }
    else
      echo "  default size against the baseline's: $(ratio "$default_size" "$base_size") x (pixels identical: $identical)"
    fi
  done
  ours_cameras() { stamp --output-dir "$work/out-o" --jobs 1 "${cameras[@]}"; }
  baseline_cameras() { "$baseline" --data-dir "$data" --output-dir "$work/out-o-base" --jobs 1 "${cameras[@]}"; }
  paired ours_cameras baseline_cameras
  report "(q) full path time, 4 camera photos" "$med_a" s "baseline" "$med_b" "$(ratio "$med_a" "$med_b")" "<=" 1.05
fi

echo
if [ "$failures" -eq 0 ]; then
  echo "All targets met."
else
  echo "$failures target(s) missed."
  exit 1
fi
