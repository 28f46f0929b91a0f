#!/bin/bash
# Stamps photos on many machines: GNU parallel sends each photo over SSH to one of the hosts,
# lumora-batch stamps it there and the output comes back here.
#
#   lumora-stamp-cluster HOSTFILE DATA-DIR OUTPUT-DIR PHOTO...
#   (scripts/stamp-cluster.sh in the source tree)
#
# HOSTFILE    GNU parallel's --sshloginfile: one SSH login a line ("host", "user@host");
#             "4/host" runs 4 photos at a time there (default: one per core of the host,
#             when GNU parallel is installed on it, else one). Empty lines and lines starting
#             with "#" are left out; a file that cannot be read or names no host is refused
#             before any photo is looked at (":", this machine, is not a host here).
# DATA-DIR    the data folder (templates and settings). It is prepared here when it is
#             incomplete (this needs lumora-batch here), copied once to each host, and only
#             read there.
# OUTPUT-DIR  where the outputs are put, named as "lumora-batch --output-dir OUTPUT-DIR"
#             names them (the name suffix option and the format of preference.xml, every
#             format); byte for byte the files a local "lumora-batch --jobs 1" writes.
# PHOTO...    the photos; a single "-" reads NUL-separated names from standard input
#             (find ... -print0).
#
# A photo that fails on a host is tried again on another (LUMORA_RETRIES times, default 3).
# The job log is OUTPUT-DIR/.stamp-cluster.joblog. Started again with the same photos after an
# interruption, the run resumes (GNU parallel's --resume): only the photos whose output is not
# here yet are sent again. The hosts share no file system with this machine.
#
# What each host needs: the lumora-batch package (the program and its fonts; the same version
# on every host), rsync, an SSH login without a password prompt, and the pictures of image
# layers at the same paths as here.
#
# Environment: LUMORA_BATCH (lumora-batch here), LUMORA_REMOTE_BATCH (lumora-batch on the
# hosts), LUMORA_FORMAT (jpg, jpeg, png, bmp, tif, tiff or webp instead of the format of
# preference.xml), LUMORA_RETRIES, PARALLEL_SSH (the ssh command GNU parallel uses, e.g.
# "ssh -F ~/.ssh/render-config").
#
# Exit status: 0 when every photo's output is here, 1 when any is missing, 2 on a usage error.
set -euo pipefail

usage() {
  echo "usage: lumora-stamp-cluster HOSTFILE DATA-DIR OUTPUT-DIR PHOTO... (PHOTO - reads NUL-separated names)" >&2
  exit 2
}
[ $# -ge 4 ] || usage
hostfile=$1
data=$2
outdir=$3
shift 3
local_batch=${LUMORA_BATCH:-lumora-batch}
remote_batch=${LUMORA_REMOTE_BATCH:-lumora-batch}
retries=${LUMORA_RETRIES:-3}
format=${LUMORA_FORMAT:-}

# The host file: readable, and naming at least one host. An empty one would make GNU parallel
# run every photo on this machine, where the transfers find nothing.
if [ ! -f "$hostfile" ] || [ ! -r "$hostfile" ]; then
  echo "stamp-cluster: cannot read the host file $hostfile" >&2
  exit 2
fi
if ! grep -Eqv '^[[:space:]]*(#.*)?$|^[[:space:]]*([0-9]+/)?:[[:space:]]*$' "$hostfile"; then
  echo "stamp-cluster: the host file $hostfile names no host (one SSH login a line)" >&2
  exit 2
fi
command -v parallel >/dev/null || { echo "stamp-cluster: GNU parallel is not installed" >&2; exit 2; }
case "$format" in
  "") ;;
  jpg | jpeg) format=jpeg ;;
  tif | tiff) format=tiff ;;
  png | bmp | webp) ;;
  *) echo "stamp-cluster: LUMORA_FORMAT is one of jpg, jpeg, png, bmp, tif, tiff, webp" >&2; exit 2 ;;
esac

# The data folder, complete: the hosts only read it.
if [ ! -e "$data/preference.xml" ] || [ ! -e "$data/templates" ]; then
  "$local_batch" --data-dir "$data" --list-templates >/dev/null
fi
mkdir -p "$outdir"
data=$(cd "$data" && pwd)
outdir=$(cd "$outdir" && pwd)

# The output name of a photo, as lumora-batch makes it from preference.xml: the name up to its
# last dot, the suffix when the file name option is 1, the format's extension.
setting() {
  perl -CSD -0777 -ne 'if (m{<\Q'"$1"'\E>(.*?)</\Q'"$1"'\E>}s) { $_ = $1; s/&lt;/</g; s/&gt;/>/g; s/&quot;/"/g;
    s/&apos;/'"'"'/g; s/&#x([0-9a-fA-F]+);/chr(hex($1))/ge; s/&#([0-9]+);/chr($1)/ge; s/&amp;/&/g; print }' \
    "$data/preference.xml"
}
name_option=$(setting OutputFileNameOpts)
suffix=$(setting OutputFileNameSuffix)
[ "$(printf '%s' "${name_option:-0}" | tr -d ' \t\r\n')" = 1 ] || suffix=
case "$suffix" in
  */*) echo "stamp-cluster: the file name suffix \"$suffix\" of $data/preference.xml contains \"/\"" >&2; exit 1 ;;
esac
# The format numbers of preference.xml; any other value writes JPEG, as lumora-batch does.
if [ -z "$format" ]; then
  case "$(setting OutputFormat | tr -d ' \t\r\n')" in
    1) format=png ;; 2) format=bmp ;; 3) format=tiff ;; 4) format=webp ;; *) format=jpeg ;;
  esac
fi
case "$format" in jpeg) extension=jpg ;; *) extension=$format ;; esac

# The photos as absolute paths, their output names, and the folder they are sent from: each
# photo from a folder of its own (STAGE/SEQ/NAME, a link to it), so that jobs side by side on
# one host never share a folder that another job's clean-up removes when it empties it.
photos=()
if [ $# -eq 1 ] && [ "$1" = - ]; then
  mapfile -d '' -t photos
else
  photos=("$@")
fi
[ ${#photos[@]} -gt 0 ] || usage
state=$outdir/.stamp-cluster
stage=$state.stage
list=$(mktemp "$state.list.XXXXXX")
names=$(mktemp "$state.names.XXXXXX")
trap 'rm -f "$list" "$names"' EXIT
rm -rf "$stage"
mkdir -p "$stage"
cp -R "$data" "$stage/.lumora-data"
failed=0
printf '%s\0' "${photos[@]}" | perl -e '
  use strict;
  my ($cwd, $suffix, $extension, $outdir, $stage, $list, $names) = @ARGV;
  local $/ = "\0";
  open(my $l, ">", $list) or die "$list: $!\n";
  open(my $n, ">", $names) or die "$names: $!\n";
  my (%claimed, $refused);
  my $seq = 0;
  while (my $photo = <STDIN>) {
    chomp $photo;
    $photo = "$cwd/$photo" unless $photo =~ m{^/};
    (my $file = $photo) =~ s{.*/}{}s;
    (my $stem = $file) =~ s{\.[^.]*$}{}s;
    my $name = "$stem$suffix.$extension";
    # Two photos with one output name: the later one is refused, as lumora-batch refuses it.
    if (exists $claimed{$name}) {
      print STDERR "$photo: the output $outdir/$name is also the output of $claimed{$name}, earlier in the list\n";
      $refused = 1;
      next;
    }
    $claimed{$name} = $photo;
    $seq++;
    mkdir("$stage/$seq") and symlink($photo, "$stage/$seq/$file") or die "$stage/$seq: $!\n";
    print $l "$photo\0";
    print $n "$name\0";
  }
  exit($refused ? 3 : 0);' "$PWD" "$suffix" "$extension" "$outdir" "$stage" "$list" "$names" || failed=$?
[ "$failed" -eq 0 ] || [ "$failed" -eq 3 ] || exit 1

# GNU parallel's job log says which photos are done; it is kept for the same photo list only.
# A photo counts as done when its job ended well and its output is here: an output can fail
# to come back (the host went away after stamping) while the job is logged as done.
# prune_joblog all   before a run: keeps the jobs that ended well and whose output is here;
#                    an output here whose job the interruption kept out of the log gets a
#                    line of its own; every other photo is sent again
# prune_joblog lost  after a run: leaves out the jobs that ended well without their output
#                    (failed jobs stay: they were retried already); prints their number
joblog=$state.joblog
if ! cmp -s "$list" "$state.photos"; then
  rm -f "$joblog"
  cp "$list" "$state.photos"
fi
prune_joblog() {
  [ -f "$joblog" ] || { echo 0; return; }
  perl -e '
    use strict;
    my ($mode, $joblog, $names, $outdir) = @ARGV;
    open(my $n, "<", $names) or die "$names: $!\n";
    my @outputs = do { local $/ = "\0"; map { chomp; $_ } <$n> };
    open(my $in, "<", $joblog) or die "$joblog: $!\n";
    my (@kept, %logged);
    my $lost = 0;
    while (my $line = <$in>) {
      my ($seq, $exitval, $signal) = (split /\t/, $line)[0, 6, 7];
      if ($seq eq "Seq") { push @kept, $line; next; }
      next unless defined $signal && $seq =~ /^\d+$/ && $seq >= 1 && $seq <= @outputs;
      my $done = $exitval eq "0" && $signal eq "0";
      my $here = -s "$outdir/$outputs[$seq - 1]";
      if ($mode eq "all" ? ($done && $here && !$logged{$seq}) : !($done && !$here)) {
        push @kept, $line;
        $logged{$seq} = 1;
      } elsif ($mode eq "lost") {
        $lost++;
      }
    }
    if ($mode eq "all") {
      for my $seq (1 .. @outputs) {
        push @kept, "$seq\t:\t" . time() . "\t0\t0\t0\t0\t0\t(output already in $outdir)\n"
          if !$logged{$seq} && -s "$outdir/$outputs[$seq - 1]";
      }
    }
    open(my $out, ">", "$joblog.new") or die "$joblog.new: $!\n";
    print $out @kept;
    close($out) or die "$joblog.new: $!\n";
    rename("$joblog.new", $joblog) or die "$joblog: $!\n";
    print "$lost\n";' "$1" "$joblog" "$names" "$outdir"
}

# Each host works in a folder of its own for this output folder, beside its login folder:
# the data folder as .lumora-data, each photo in a folder named by its number, the outputs
# beside them. Newer rsync quotes remote names itself; GNU parallel quotes them already.
export RSYNC_OLD_ARGS=1
workdir=lumora-stamp-$(printf '%s' "$outdir" | sha1sum | cut -c1-16)
format_option=()
[ -z "${LUMORA_FORMAT:-}" ] || format_option=(--format "$format")

prune_joblog all >/dev/null
for round in $(seq 1 "$retries"); do
  status=0
  parallel --null --link --sshloginfile "$hostfile" --workdir "$workdir" --rsync-opts -rLDzR \
    --basefile "$stage/./.lumora-data" \
    --transferfile "$stage/./{#}/{1/}" --return "$outdir/./{2}" --cleanup \
    --retries "$retries" --joblog "$joblog" --resume -q \
    sh -c 'exec "$0" "$@" >/dev/null' "$remote_batch" --data-dir .lumora-data --output-dir . --jobs 1 \
    "${format_option[@]}" '{#}/{1/}' :::: "$list" :::: "$names" || status=$?
  lost=$(prune_joblog lost)
  [ "$lost" -gt 0 ] || break
  echo "stamp-cluster: $lost outputs did not come back (round $round); their photos are sent again" >&2
done

# Every output here, whole: rsync writes each under a temporary name and renames it.
missing=0
mapfile -d '' -t outputs <"$names"
mapfile -d '' -t sent <"$list"
for i in "${!outputs[@]}"; do
  if [ ! -s "$outdir/${outputs[$i]}" ]; then
    echo "${sent[$i]}: no output came back (see $joblog)" >&2
    missing=$((missing + 1))
  fi
done
if [ $missing -eq 0 ] && [ $status -eq 0 ]; then
  parallel --nonall --sshloginfile "$hostfile" rm -rf -- "$workdir" || true
  rm -rf "$stage"
fi
echo "stamp-cluster: $((${#outputs[@]} - missing)) of ${#outputs[@]} outputs in $outdir" >&2
[ $missing -eq 0 ] && [ "$failed" -eq 0 ] || exit 1
