#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs:
# the files in their places, and the desktop, AppStream, MIME and SVG files
# accepted by their validators.
#   install_tree_test.sh BUILD_DIR
set -euo pipefail
build=${1:?usage: install_tree_test.sh BUILD_DIR}
id=org.brisvel.Console
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

for tool in desktop-file-validate appstreamcli xmllint update-mime-database file; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/setup installs it)"
done

cmake --install "$build" --prefix "$prefix" >/dev/null

expect=(
  bin/brisvel-console bin/brisvelctl
  lib/udev/rules.d/70-brisvel-dsp.rules
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/mime/packages/$id.xml
  share/icons/hicolor/scalable/apps/$id.svg
)
for size in 16 22 24 32 48 64 128 256; do expect+=("share/icons/hicolor/${size}x${size}/apps/$id.png"); done
for f in "${expect[@]}"; do [ -f "$prefix/$f" ] || fail "$f not installed"; done
for f in bin/brisvel-console bin/brisvelctl; do [ -x "$prefix/$f" ] || fail "$f not executable"; done
for size in 16 22 24 32 48 64 128 256; do
  file "$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size" \
    || fail "icon ${size}x${size} has the wrong size"
done

desktop=$prefix/share/applications/$id.desktop
desktop-file-validate "$desktop" | grep -v '^.*: hint:' && fail "desktop-file-validate complains" || true
desktop-file-validate "$desktop" >/dev/null || fail "desktop-file-validate failed"
grep -qx 'Name=Brisvel DSP Console' "$desktop" || fail "desktop name"
grep -qx 'Exec=brisvel-console %F' "$desktop" || fail "desktop Exec without %F"
grep -q '^MimeType=.*application/x-brisvel-scene;' "$desktop" || fail "desktop lacks the .cae type"
grep -q '^MimeType=.*application/x-brisvel-batch-scene;' "$desktop" || fail "desktop lacks the .bae type"
grep -q '^Categories=.*Audio;.*HardwareSettings;' "$desktop" || fail "desktop categories"

metainfo=$prefix/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net --pedantic "$metainfo" >/dev/null || {
  appstreamcli validate --no-net "$metainfo" >&2; fail "appstreamcli validate"; }
grep -q '<modalias>usb:v2B53p0019\*</modalias>' "$metainfo" || fail "metainfo lacks the modalias"
grep -q '<release version=' "$metainfo" || fail "metainfo lacks a release"
grep -q '<screenshot' "$metainfo" || fail "metainfo lacks screenshots"

xmllint --noout "$metainfo" "$prefix/share/mime/packages/$id.xml" \
  "$prefix/share/icons/hicolor/scalable/apps/$id.svg" || fail "xmllint"

# The MIME database built from our package knows both globs and the magic.
update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q 'application/x-brisvel-scene:\*\.cae' "$prefix/share/mime/globs2" || fail ".cae glob"
grep -q 'application/x-brisvel-batch-scene:\*\.bae' "$prefix/share/mime/globs2" || fail ".bae glob"
grep -aq 'CAEConfig' "$prefix/share/mime/magic" || fail "[CAEConfig] magic"

cmp -s "$prefix/lib/udev/rules.d/70-brisvel-dsp.rules" "$(dirname "$0")/../../resources/udev/70-brisvel-dsp.rules" \
  || fail "udev rule differs from the source"
"$prefix/bin/brisvelctl" --version | grep -q '^brisvelctl [0-9]' || fail "brisvelctl --version"
echo "install tree: ${#expect[@]} files in place, validators pass"
