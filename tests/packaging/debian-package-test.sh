#!/usr/bin/env bash
# The Debian packages as a packaging reviewer and a user meet them:
#   build       dpkg-buildpackage -b -uc -us on a copy of the sources gives the packages
#               lumora-batch and lumora-plenum; lumora-batch depends on no widget library
#   lintian     lintian --pedantic finds no error and no warning in either package
#   hardening   hardening-check passes for every program (but for control-flow protection,
#               which no program of Debian 12 has)
#   CLI alone   installed with dpkg --root into a fresh root that holds nothing else but the
#               libraries lumora-batch loads (no Qt Widgets library), lumora-batch stamps a
#               photo there (chroot), and lumora-stamp-cluster and the manual pages are there
#   desktop     with lumora-plenum installed too, the desktop program starts under Xvfb from
#               that root, finds its skin in /usr/share/lumora-plenum and shows its window
#
#   debian-package-test.sh SOURCE-DIR WORK-DIR
#
# WORK-DIR keeps the copy of the sources at the same place from run to run, so that the
# compiler cache (ccache, when installed) serves a build after the first. Skipped (exit 77)
# with the reason where a tool is missing or the test does not run as root (chroot).
set -uo pipefail
source_dir=$(cd "$1" && pwd)
work=$2

missing=()
for tool in dpkg-buildpackage dh lintian hardening-check Xvfb xwininfo chroot; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: needs ${missing[*]} (Debian packages dpkg-dev, debhelper, lintian, devscripts, xvfb, x11-utils)"
  exit 77
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing into a fresh root and running a program there (chroot) needs root"
  exit 77
fi

passed=0
failed=0
# shellcheck source=../support/case-report.sh
. "$(dirname "$0")/../support/case-report.sh"
finish() {
  echo "$passed passed, $failed failed"
  [ $failed -eq 0 ]
  exit
}

# --- build ------------------------------------------------------------------------------------
src=$work/src
rm -rf "$work"/*.deb "$work"/*.buildinfo "$work"/*.changes "$work/root" "$work/unpacked"
# A fresh copy: a file removed from the sources must not linger in the build (dpkg-buildpackage
# removes its build folder first anyway).
rm -rf "$src"
mkdir -p "$src"
# The sources as the repository has them (the build folders of a work tree are left out).
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$source_dir" && git ls-files -co --exclude-standard -z) >"$work/files"
else
  (cd "$source_dir" && find . -path './build*' -prune -o -path './obj-*' -prune -o -type f -print0) >"$work/files"
fi
rsync -a --from0 --files-from="$work/files" \
  "$source_dir/" "$src/" 2>"$work/rsync.log" || { echo "FAIL: the sources could not be copied"; cat "$work/rsync.log"; exit 1; }
started=$(date +%s)
if ! (cd "$src" && dpkg-buildpackage -b -uc -us) >"$work/build.log" 2>&1; then
  echo "FAIL: dpkg-buildpackage -b -uc -us failed:"
  tail -n 30 "$work/build.log"
  exit 1
fi
batch_deb=$(ls "$work"/lumora-batch_*.deb 2>/dev/null)
desktop_deb=$(ls "$work"/lumora-plenum_*.deb 2>/dev/null)
[ -f "$batch_deb" ] || problem "no lumora-batch package"
[ -f "$desktop_deb" ] || problem "no lumora-plenum package"
if [ ${#problems[@]} -gt 0 ]; then
  report "dpkg-buildpackage builds both packages"
  finish
fi
depends=$(dpkg-deb -f "$batch_deb" Depends)
[[ $depends != *libqt6widgets* ]] || problem "lumora-batch depends on the widget library: $depends"
[[ $(dpkg-deb -f "$desktop_deb" Depends) == *"lumora-batch (= "* ]] || problem "lumora-plenum does not depend on lumora-batch"
dpkg-deb -c "$batch_deb" | grep -q '/usr/share/lumora-plenum/' && problem "lumora-batch holds the skin"
for file in ./usr/bin/lumora-batch ./usr/bin/lumora-stamp-cluster ./usr/share/man/man1/lumora-stamp-cluster.1.gz; do
  dpkg-deb -c "$batch_deb" | awk '{ print $6 }' | grep -qx "$file" || problem "lumora-batch lacks $file"
done
for file in ./usr/bin/lumora-plenum ./usr/share/lumora-plenum/skin/en/maindlg.xml \
  ./usr/share/applications/org.lumora_plenum.LumoraPlenum.desktop; do
  dpkg-deb -c "$desktop_deb" | awk '{ print $6 }' | grep -qx "$file" || problem "lumora-plenum lacks $file"
done
echo "    (built in $(($(date +%s) - started)) s)"
report "dpkg-buildpackage builds lumora-batch (no widget library) and lumora-plenum"

# --- lintian ----------------------------------------------------------------------------------
lintian --pedantic --display-info --tag-display-limit 0 "$batch_deb" "$desktop_deb" >"$work/lintian.log" 2>&1
grep -v '^running with root privileges' "$work/lintian.log" | sed 's/^/    lintian: /'
if grep -E '^[EW]: ' "$work/lintian.log" >/dev/null; then
  problem "lintian reports errors or warnings: $(grep -E '^[EW]: ' "$work/lintian.log" | tr '\n' ' ')"
fi
report "lintian --pedantic: no error, no warning"

# --- hardening --------------------------------------------------------------------------------
unpacked=$work/unpacked
mkdir -p "$unpacked"
dpkg-deb -x "$batch_deb" "$unpacked"
dpkg-deb -x "$desktop_deb" "$unpacked"
for program in "$unpacked"/usr/bin/*; do
  [ "$(head -c 4 "$program" | tail -c 3)" = ELF ] || continue
  # Control-flow protection is left out: Debian 12 builds nothing with it (its C library's start
  # files carry no IBT/SHSTK property, so ls and cmake fail that check alike).
  hardening-check --nocfprotection "$program" >"$work/hardening.log" 2>&1 ||
    problem "hardening-check $(basename "$program"): $(grep -v ': yes' "$work/hardening.log" | tr '\n' ' ')"
done
report "hardening-check passes for every program"

# --- lumora-batch alone in a fresh root ---------------------------------------------------------
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/tmp" "$root/dev"
: >"$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends -i "$batch_deb" >"$work/dpkg.log" 2>&1 ||
  problem "dpkg --root cannot install lumora-batch: $(tail -n 3 "$work/dpkg.log")"
# What the program loads and nothing else: its libraries, the loader, the offscreen platform of
# the toolkit, the C library's converters and one font with the font configuration.
copy_with_libraries() {
  local file lib
  for file in "$@"; do
    cp -L --parents "$file" "$root/" 2>/dev/null
    for lib in $(ldd "$file" 2>/dev/null | awk '/=> \// { print $3 } /^\t\/[^ ]*ld-linux/ { print $1 }'); do
      [ -e "$root$lib" ] || cp -L --parents "$lib" "$root/"
    done
  done
}
batch=$root/usr/bin/lumora-batch
qt_plugins=$(dirname "$(dirname "$(find /usr/lib -path '*qt6/plugins/platforms/libqoffscreen.so' | head -1)")")
ldd "$batch" | awk '/=> \// { print $3 }' >"$work/batch-libraries"
copy_with_libraries "$batch" "$qt_plugins/platforms/libqoffscreen.so"
cp -R --parents /etc/fonts "$root/"
cp -R --parents /usr/share/fonts/truetype/dejavu "$root/" 2>/dev/null
mknod -m 666 "$root/dev/null" c 1 3 2>/dev/null
chroot=$(command -v chroot)
run_in_root() {
  env -i HOME=/tmp PATH=/usr/bin:/bin QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
    LD_LIBRARY_PATH=/lib/x86_64-linux-gnu:/usr/lib/x86_64-linux-gnu:/lib64:/usr/lib timeout 120 "$chroot" "$root" "$@"
}
# Without the C library's character set converters the settings are still written whole (in
# UTF-8, which needs no converter), never as empty files reported as written.
run_in_root /usr/bin/lumora-batch --data-dir /tmp/no-converters --list-templates >"$work/list.log" 2>&1 ||
  problem "lumora-batch --list-templates failed without the converters: $(tail -n 3 "$work/list.log")"
grep -q '<Preference' "$root/tmp/no-converters/preference.xml" 2>/dev/null ||
  problem "without the converters preference.xml was written as $(wc -c <"$root/tmp/no-converters/preference.xml" 2>/dev/null || echo nothing) bytes without its settings"
# The C library's character set converters, which it loads by itself (the XML files' encodings).
cp -R --parents "$(dirname "$(find /usr/lib /lib -path '*/gconv/gconv-modules' 2>/dev/null | head -1)")" "$root/"
if grep -q 'libQt6Widgets' "$work/batch-libraries" || find "$root" -name 'libQt6Widgets*' | grep -q .; then
  problem "lumora-batch loads the Qt Widgets library"
fi
if run_in_root /usr/bin/lumora-batch --data-dir /tmp/data --sample /tmp/photo.png >"$work/sample.log" 2>&1 &&
  run_in_root /usr/bin/lumora-batch --data-dir /tmp/data -o /tmp/out /tmp/photo.png >"$work/stamp.log" 2>&1; then
  [ "$(cat "$work/stamp.log")" = /tmp/out/photo_new.jpg ] || problem "lumora-batch answered: $(cat "$work/stamp.log")"
  [ "$(head -c 3 "$root/tmp/out/photo_new.jpg" | od -An -tx1 | tr -d ' ')" = ffd8ff ] ||
    problem "no JPEG was written"
else
  problem "lumora-batch failed in the fresh root: $(cat "$work/sample.log" "$work/stamp.log" | tail -n 5)"
fi
[ -x "$root/usr/bin/lumora-stamp-cluster" ] || problem "lumora-stamp-cluster is not installed"
[ ! -e "$root/usr/bin/lumora-plenum" ] || problem "the desktop program came with lumora-batch"
report "lumora-batch from its package alone stamps a photo in a fresh root without Qt Widgets"

# --- the desktop program from the full install ---------------------------------------------------
dpkg --root="$root" --force-depends -i "$desktop_deb" >"$work/dpkg.log" 2>&1 ||
  problem "dpkg --root cannot install lumora-plenum: $(tail -n 3 "$work/dpkg.log")"
home=$work/home
rm -rf "$home"
mkdir -p "$home"
# Started from the root's /usr/bin with this machine's libraries: it must find its skin in the
# root's /usr/share/lumora-plenum.
HOME=$home XDG_DATA_HOME=$home/.local/share XDG_CONFIG_HOME=$home/.config XDG_CACHE_HOME=$home/.cache \
  LUMORA_NO_FILE_MANAGER=1 LUMORA_UPDATE_URL=http://127.0.0.1:9/lu_version.ini \
  timeout 120 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" & program=$!
    for i in $(seq 1 300); do
      [ -e "$2" ] && xwininfo -root -tree | grep -q "Lumora" && break
      kill -0 $program 2>/dev/null || break
      sleep 0.1
    done
    xwininfo -root -tree | grep "Lumora" >"$3"
    kill $program 2>/dev/null
    wait $program 2>/dev/null
    true' bash "$root/usr/bin/lumora-plenum" "$home/.local/share/Lumora Plenum/report_me.log" "$work/windows" \
  >"$work/desktop.log" 2>&1
[ -e "$home/.local/share/Lumora Plenum/report_me.log" ] ||
  problem "the desktop program did not load its skin: $(tail -n 5 "$work/desktop.log")"
[ -s "$work/windows" ] || problem "no window of the desktop program was shown"
report "the desktop program starts under Xvfb from the full install"

finish
