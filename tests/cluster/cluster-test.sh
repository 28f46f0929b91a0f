#!/usr/bin/env bash
# scripts/stamp-cluster.sh on three hosts made on this machine (test-hosts.sh): network
# namespaces with veth pairs, each running its own SSH server and its own copy of lumora-batch,
# sharing no home folder with this machine or each other. Traffic goes only to those
# addresses. Cases:
#   two hundred photos   the outputs equal a local "lumora-batch --jobs 1" run byte for byte,
#                        every host took photos, nothing is left on the hosts
#   a host goes away     one host's SSH server and sessions end in the middle of the run; the
#                        run still finishes, every output whole, the rest stamped elsewhere
#   interrupt, resume    the run is interrupted (Ctrl+C); run again, it stamps only the photos
#                        whose output is missing and leaves the others untouched
#   WebP, other names    outputs in WebP without a name suffix (preference.xml) and in TIFF
#                        (LUMORA_FORMAT=tif) equal the local run's
#   no host              an empty or host-less host file is refused before any photo, with
#                        nothing made (run also where the hosts cannot be made)
#
#   cluster-test.sh LUMORA-BATCH PHOTO-MAKER RECIPE
#
# Skipped (exit 77) where network namespaces cannot be made. Every wait is bounded (all of them
# together stay under the ctest time limit, so that the clean-up always runs); the hosts
# and the work folder are removed at the end, also when a case fails or the test is stopped.
set -uo pipefail

batch=$1
maker=$2
recipe=$3
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=test-hosts.sh
. "$here/test-hosts.sh"

# --- a host file without a host: refused before anything is read or made ------------------
nohost=$(mktemp -d /tmp/lumora-cluster-nohost.XXXXXX)
: >"$nohost/empty"
printf '# render hosts\n\n   \n:\n' >"$nohost/comments"
nohost_failed=0
for file in empty comments; do
  err=$(LUMORA_BATCH=$batch bash "$recipe" "$nohost/$file" "$nohost/data" "$nohost/out" "$nohost/photo.jpg" 2>&1)
  status=$?
  if [ $status -ne 2 ] || [[ $err != *"names no host"* ]] || [ -e "$nohost/data" ] || [ -e "$nohost/out" ]; then
    echo "FAIL: a host file that names no host ($file): exit $status, $err"
    nohost_failed=1
  fi
done
rm -rf "$nohost"
[ $nohost_failed -eq 0 ] && echo "PASS: a host file that names no host is refused before any photo"

if ! why=$(hosts_can_run); then
  echo "SKIP: $why"
  [ $nohost_failed -eq 0 ] && exit 77
  exit 1
fi

# Hosts of an earlier run of this test that was killed before its clean-up: their names end
# with the process id of a run that is gone.
for ns in $(ip netns list | awk '/^lumora-h[0-9]+-[0-9]+/ { print $1 }'); do
  pid=${ns##*-}
  if ! kill -0 "$pid" 2>/dev/null; then
    # shellcheck disable=SC2046
    kill -KILL $(ip netns pids "$ns") 2>/dev/null
    ip netns delete "$ns" 2>/dev/null
  fi
done
for link in $(ip -o link show | awk -F': ' '/ lmo[0-9]+-[0-9]+[@:]/ { sub(/@.*/, "", $2); print $2 }'); do
  pid=${link##*-}
  kill -0 "$pid" 2>/dev/null || ip link delete "$link" 2>/dev/null
done

work=$(mktemp -d /tmp/lumora-cluster.XXXXXX)
recipe_pid=
# end_session SID: ends every process of the session the recipe was started in (GNU parallel
# puts each job in a process group of its own, so a signal to the recipe's group misses them),
# by process id, within 5 s.
end_session() {
  local sid=$1 round pids
  for round in $(seq 1 50); do
    pids=$(ps -eo pid=,sid= | awk -v s="$sid" '$2 == s { print $1 }')
    [ -n "$pids" ] || return 0
    # shellcheck disable=SC2086
    kill -KILL $pids 2>/dev/null
    sleep 0.1
  done
}
cleanup() {
  [ -z "$recipe_pid" ] || end_session "$recipe_pid"
  hosts_down
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

passed=$((1 - nohost_failed))
failed=$nohost_failed
# shellcheck source=../support/case-report.sh
. "$here/../support/case-report.sh"

# The hosts, the photos, the data folder and the reference outputs.
if ! hosts_up 3 "$work/hosts"; then
  echo "FAIL: the test hosts could not be made"
  exit 1
fi
for i in 1 2 3; do
  cp "$batch" "$(host_bin_folder "$i")/lumora-batch"
done
hostfile=$work/hostfile
for address in "${HOST_ADDRESSES[@]}"; do
  echo "2/$address"
done >"$hostfile"
export PARALLEL_SSH="ssh -F $SSH_CONFIG"
export LUMORA_BATCH=$batch
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache
unset LUMORA_REMOTE_BATCH LUMORA_FORMAT LUMORA_RETRIES

"$maker" 200 "$work/photos" || { echo "FAIL: the photos could not be made"; exit 1; }
# Names that must survive the shells and rsync on both sides.
mv "$work/photos/photo-007.jpg" "$work/photos/photo 007 it's.jpg"
mv "$work/photos/photo-013.jpg" "$work/photos/photo-013 \"ü\" (\$x).jpg"
mapfile -t photos < <(ls "$work"/photos/*.jpg | sort)
data=$work/data
"$batch" --data-dir "$data" --list-templates >/dev/null || { echo "FAIL: no data folder"; exit 1; }
if ! "$batch" --data-dir "$data" --jobs 1 --output-dir "$work/local" "${photos[@]}" >/dev/null; then
  echo "FAIL: the local run failed"
  exit 1
fi
tree_state() { (cd "$1" && find . -printf '%p %y %s %T@\n' | sort && find . -type f -exec sha1sum {} + | sort); }
data_before=$(tree_state "$data")

# compare_outputs OUTDIR COUNT: the outputs of the first COUNT photos equal the local ones
# byte for byte, and OUTDIR holds nothing else but the recipe's own files.
compare_outputs() {
  local outdir=$1 count=$2 i name expected=()
  for i in $(seq 0 $((count - 1))); do
    name=$(basename "${photos[$i]}" .jpg)_new.jpg
    expected+=("$name")
    if ! cmp -s "$work/local/$name" "$outdir/$name"; then
      problem "$name differs from the local output or is missing"
    fi
  done
  local extra
  extra=$(comm -13 <(printf '%s\n' "${expected[@]}" | sort) \
    <(cd "$outdir" && find . -mindepth 1 ! -name '.stamp-cluster.photos' ! -name '.stamp-cluster.joblog' \
      -printf '%P\n' | sort))
  [ -z "$extra" ] && return 0
  problem "unexpected files in the output folder: $(echo "$extra" | tr '\n' ' ')"
}

# joblog_jobs JOBLOG: "seq host start exit signal" per job, header left out.
joblog_jobs() {
  awk -F'\t' 'NR > 1 { print $1, $2, $3, $7, $8 }' "$1"
}

# every_job_once JOBLOG COUNT: each of the COUNT photos has exactly one job that ended well.
every_job_once() {
  local seqs
  seqs=$(joblog_jobs "$1" | awk '$4 == 0 && $5 == 0 { print $1 }' | sort -n | tr '\n' ' ')
  [ "$seqs" = "$(seq 1 "$2" | tr '\n' ' ')" ] || problem "the job log does not hold each photo once, done: $seqs"
  local bad
  bad=$(joblog_jobs "$1" | awk '$4 != 0 || $5 != 0')
  [ -z "$bad" ] || problem "jobs that did not end well are left in the job log: $bad"
}

# wait_for_jobs JOBLOG N SECONDS: until the job log holds N jobs (polled every 0.1 s).
wait_for_jobs() {
  local tries=0
  while [ "$(($(wc -l <"$1" 2>/dev/null || echo 1) - 1))" -lt "$2" ]; do
    tries=$((tries + 1))
    [ $tries -lt $(($3 * 10)) ] || return 1
    kill -0 "$recipe_pid" 2>/dev/null || return 1
    sleep 0.1
  done
}

# start_recipe OUTDIR LOG PHOTO...: the recipe in a process group of its own, with Ctrl+C
# able to reach it (a background job of a script starts with SIGINT ignored).
start_recipe() {
  local outdir=$1 log=$2
  shift 2
  setsid perl -e '$SIG{INT} = "DEFAULT"; exec @ARGV or die' \
    timeout 240 bash "$recipe" "$hostfile" "${recipe_data:-$data}" "$outdir" "$@" >"$log" 2>&1 &
  recipe_pid=$!
}

# At most WAIT seconds for the recipe; its exit status, or 124 when it had to be ended.
wait_recipe() {
  local limit=$1 tries=0
  while kill -0 "$recipe_pid" 2>/dev/null; do
    tries=$((tries + 1))
    if [ $tries -ge $((limit * 10)) ]; then
      end_session "$recipe_pid"
      wait "$recipe_pid" 2>/dev/null
      recipe_pid=
      return 124
    fi
    sleep 0.1
  done
  local status=0
  wait "$recipe_pid" || status=$?
  # Nothing of the run may go on writing after it ended.
  end_session "$recipe_pid"
  recipe_pid=
  return $status
}

# expect_recipe_end WAIT LOG WHAT: at most WAIT seconds for the recipe, which must end well;
# otherwise a problem names WHAT and the end of LOG.
expect_recipe_end() {
  local status=0
  wait_recipe "$1" || status=$?
  [ $status -eq 0 ] || problem "$3 ended with $status: $(tail -n 5 "$2")"
}

# --- two hundred photos -------------------------------------------------------------------
out=$work/out-all
started=$(date +%s)
start_recipe "$out" "$work/all.log" "${photos[@]}"
expect_recipe_end 240 "$work/all.log" "the recipe"
compare_outputs "$out" 200
every_job_once "$out/.stamp-cluster.joblog" 200
hosts_used=$(joblog_jobs "$out/.stamp-cluster.joblog" | awk '{ print $2 }' | sort -u | wc -l)
[ "$hosts_used" -eq 3 ] || problem "photos went to $hosts_used hosts, not 3"
for i in 1 2 3; do
  left=$(find "$work/hosts/host-$i/home" -mindepth 1 -maxdepth 1 -name 'lumora-stamp-*')
  [ -z "$left" ] || problem "host $i keeps $left"
done
[ "$(tree_state "$data")" = "$data_before" ] || problem "the data folder changed"
echo "    (200 photos on 3 hosts in $(($(date +%s) - started)) s)"
report "two hundred photos over three hosts equal a local run"

# --- WebP outputs without a suffix, then TIFF by LUMORA_FORMAT --------------------------------
webp_data=$work/data-webp
cp -R "$data" "$webp_data"
sed -i -e 's|<OutputFormat>[0-9]*</OutputFormat>|<OutputFormat>4</OutputFormat>|' \
  -e 's|<OutputFileNameOpts>[0-9]*</OutputFileNameOpts>|<OutputFileNameOpts>0</OutputFileNameOpts>|' \
  "$webp_data/preference.xml"
# check_outputs OUTDIR LOCAL EXTENSION SUFFIX: the outputs of the first 12 photos equal the local ones
check_outputs() {
  local i name
  for i in $(seq 0 11); do
    name=$(basename "${photos[$i]}" .jpg)$4.$3
    [ -s "$2/$name" ] || problem "the local run wrote no $name"
    cmp -s "$2/$name" "$1/$name" || problem "$name differs from the local output or is missing"
  done
  [ "$(find "$1" -maxdepth 1 -type f ! -name '.stamp-cluster*' | wc -l)" -eq 12 ] ||
    problem "$1 holds $(find "$1" -maxdepth 1 -type f ! -name '.stamp-cluster*' | wc -l) outputs, not 12"
}
"$batch" --data-dir "$webp_data" --jobs 1 --output-dir "$work/local-webp" "${photos[@]:0:12}" >/dev/null ||
  problem "the local WebP run failed"
recipe_data=$webp_data start_recipe "$work/out-webp" "$work/webp.log" "${photos[@]:0:12}"
expect_recipe_end 120 "$work/webp.log" "the WebP run"
check_outputs "$work/out-webp" "$work/local-webp" webp ""
"$batch" --data-dir "$data" --jobs 1 --format tiff --output-dir "$work/local-tiff" "${photos[@]:0:12}" >/dev/null ||
  problem "the local TIFF run failed"
LUMORA_FORMAT=tif start_recipe "$work/out-tiff" "$work/tiff.log" "${photos[@]:0:12}"
expect_recipe_end 120 "$work/tiff.log" "the TIFF run"
check_outputs "$work/out-tiff" "$work/local-tiff" tiff _new
for i in 1 2 3; do
  left=$(find "$work/hosts/host-$i/home" -mindepth 1 -maxdepth 1 -name 'lumora-stamp-*')
  [ -z "$left" ] || problem "host $i keeps $left"
done
report "WebP outputs without a suffix and TIFF outputs by LUMORA_FORMAT equal a local run"

# --- a host goes away in the middle ---------------------------------------------------------
out=$work/out-host-gone
start_recipe "$out" "$work/gone.log" "${photos[@]:0:60}"
if wait_for_jobs "$out/.stamp-cluster.joblog" 12 60; then
  stopped=$(date +%s.%N)
  host_stop_ssh 2 || problem "host 2 could not be stopped"
  expect_recipe_end 180 "$work/gone.log" "the recipe"
  compare_outputs "$out" 60
  every_job_once "$out/.stamp-cluster.joblog" 60
  gone=${HOST_ADDRESSES[1]}
  before=$(joblog_jobs "$out/.stamp-cluster.joblog" | awk -v h="$gone" '$2 == h' | wc -l)
  after=$(joblog_jobs "$out/.stamp-cluster.joblog" | awk -v t="$stopped" '$3 > t' | wc -l)
  on_gone=$(joblog_jobs "$out/.stamp-cluster.joblog" | awk -v t="$stopped" -v h="$gone" '$3 > t && $2 == h' | wc -l)
  [ "$before" -gt 0 ] || problem "host 2 took no photo before it went away"
  [ "$after" -gt 0 ] || problem "no photo was started after host 2 went away: the stop was not in the middle"
  [ "$on_gone" -eq 0 ] || problem "$on_gone photos are logged as stamped on host 2 after it went away"
  echo "    (host 2 took $before photos, $after were started after it went away)"
else
  problem "the run did not get to 12 photos: $(tail -n 5 "$work/gone.log")"
  wait_recipe 5
fi
report "a host whose SSH server stops in the middle: the run finishes elsewhere"

# --- interrupted, then resumed --------------------------------------------------------------
out=$work/out-resumed
start_recipe "$out" "$work/interrupted.log" "${photos[@]:0:60}"
if wait_for_jobs "$out/.stamp-cluster.joblog" 20 60; then
  kill -INT -- "-$recipe_pid"
  wait_recipe 60
  status=$?
  [ $status -ne 0 ] || problem "the interrupted run ended with 0"
  mapfile -t present < <(cd "$out" && find . -maxdepth 1 -name '*_new.jpg' -printf '%P\n' | sort)
  if [ ${#present[@]} -eq 0 ] || [ ${#present[@]} -ge 60 ]; then
    problem "the interruption was not in the middle: ${#present[@]} of 60 outputs"
  fi
  kept=$(cd "$out" && for f in "${present[@]}"; do stat -c '%n %i %Y.%y' "$f"; done)
  resumed=$(date +%s.%N)
  start_recipe "$out" "$work/resumed.log" "${photos[@]:0:60}"
  expect_recipe_end 180 "$work/resumed.log" "the resumed run"
  compare_outputs "$out" 60
  every_job_once "$out/.stamp-cluster.joblog" 60
  [ "$(cd "$out" && for f in "${present[@]}"; do stat -c '%n %i %Y.%y' "$f"; done)" = "$kept" ] ||
    problem "outputs that were there before the resumed run were written again"
  # The photos the resumed run sent are exactly those whose output was missing.
  sent=$(joblog_jobs "$out/.stamp-cluster.joblog" | awk -v t="$resumed" '$2 != ":" && $3 > t { print $1 }' |
    while read -r seq; do echo "$(basename "${photos[$((seq - 1))]}" .jpg)_new.jpg"; done | sort)
  missing=$(comm -23 <(for i in $(seq 0 59); do echo "$(basename "${photos[$i]}" .jpg)_new.jpg"; done | sort) \
    <(printf '%s\n' "${present[@]}"))
  [ "$sent" = "$missing" ] ||
    problem "the resumed run sent $(echo "$sent" | grep -c .) photos, $(echo "$missing" | grep -c .) were missing"
  echo "    (interrupted with ${#present[@]} of 60 outputs; the resumed run sent $(echo "$sent" | grep -c .))"
else
  problem "the run did not get to 20 photos: $(tail -n 5 "$work/interrupted.log")"
  wait_recipe 5
fi
report "an interrupted run resumed: only the missing photos are stamped"

echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
