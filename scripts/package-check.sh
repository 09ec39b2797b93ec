#!/usr/bin/env bash
# Installs a build into a scratch prefix and validates what desktops and distributions read
# from it (desktop entry, AppStream metainfo, MIME type, icon, manual pages), then builds the
# Debian package and runs the programs from its unpacked contents.
# Usage: scripts/package-check.sh [BUILD_DIR]   (default: build, configured and built)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "package check: $*" >&2
  exit 1
}

# A command whose output must be empty: validators print warnings without failing.
quiet() {
  local output
  output=$("$@" 2>&1) || fail "$* failed:"$'\n'"$output"
  [ -z "$output" ] || fail "$* reported:"$'\n'"$output"
}

cmake --build "$build" -j2
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
[ -n "$version" ] || fail "no project version in $build/CPackConfig.cmake"

installed=(
  bin/morvane-editor bin/morvane bin/morvane-sim
  share/morvane/init.syx share/morvane/instr.txt share/morvane/parms.txt
  share/applications/morvane-editor.desktop
  share/icons/hicolor/scalable/apps/morvane-editor.svg
  share/metainfo/org.keltano.mrveditor.metainfo.xml
  share/mime/packages/morvane-editor.xml
  share/man/man1/morvane.1.gz share/man/man1/morvane-sim.1.gz
)

# Every file in place under prefix, and each one valid for the tool that reads it.
check_tree() {
  local prefix=$1
  for file in "${installed[@]}"; do
    [ -f "$prefix/$file" ] || fail "$prefix/$file is missing"
  done
  quiet desktop-file-validate "$prefix/share/applications/morvane-editor.desktop"
  appstreamcli validate --no-net --strict --pedantic \
    "$prefix/share/metainfo/org.keltano.mrveditor.metainfo.xml"
  # The metainfo's launchable must name the desktop entry that lies beside it.
  appstreamcli validate-tree --no-net --strict "$prefix"
  quiet xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/morvane-editor.svg"
  for page in morvane morvane-sim; do
    zcat "$prefix/share/man/man1/$page.1.gz" >"$scratch/$page.1"
    quiet groff -man -ww -z -Tutf8 "$scratch/$page.1"
  done
  # The MIME package compiles, and .syx files get the type the desktop entry opens.
  local mime=$scratch/share/mime
  rm -rf "$mime" && mkdir -p "$mime/packages"
  cp "$prefix/share/mime/packages/morvane-editor.xml" "$mime/packages/"
  XDG_DATA_DIRS=$scratch/share quiet update-mime-database "$mime"
  grep -q '^audio/x-sysex:\*\.syx$' "$mime/globs" || fail ".syx is not audio/x-sysex"
  grep -q '^MimeType=audio/x-sysex;$' "$prefix/share/applications/morvane-editor.desktop" ||
    fail "the desktop entry does not open audio/x-sysex"
}

echo "--- cmake --install into a scratch prefix"
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
check_tree "$scratch/prefix"
echo "installed tree valid (desktop entry, metainfo, icon, MIME type, manual pages)"

echo "--- cpack -G DEB"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/package" >/dev/null
debs=("$scratch"/package/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb"
deb=${debs[0]}
dpkg-deb --field "$deb" Package Version Architecture Depends
depends=$(dpkg-deb --field "$deb" Depends)
for library in libqt6widgets6 librtmidi6 libstdc++6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$scratch/root"
check_tree "$scratch/root/usr"
bin=$scratch/root/usr/bin
for program in morvane morvane-sim; do
  help=$("$bin/$program" --help) || fail "$program --help failed"
  [[ $help == *"Usage: $program "* ]] || fail "$program --help printed: $help"
done
editor_version=$(QT_QPA_PLATFORM=offscreen "$bin/morvane-editor" --version)
[ "$editor_version" = "Morvane editor $version" ] ||
  fail "morvane-editor --version printed '$editor_version'"
echo "$(basename "$deb"): tree valid; morvane --help, morvane-sim --help and" \
  "morvane-editor --version ($editor_version) run from the unpacked package"
