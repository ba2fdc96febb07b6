#!/usr/bin/env bash
# The Debian package: built with scripts/package from the existing build
# directory (lintian must show no error), then - as root only, which CI is -
# installed with apt, run from /usr/bin and removed again.
#   package_test.sh BUILD_DIR build   builds and lints the package
#   package_test.sh BUILD_DIR install installs the built package (root)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: package_test.sh BUILD_DIR build|install}" && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

case "${2:-}" in
  build)
    command -v lintian >/dev/null || fail "lintian is missing (scripts/setup installs it)"
    deb=$(BRISVEL_BUILD="$build" "$root/scripts/package" | tail -1)
    [ -f "$deb" ] || fail "no package built"
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "dependencies not computed from the binaries"
    echo "package: $deb"
    ;;
  install)
    if [ "$(id -u)" -ne 0 ]; then
      echo "SKIP: installing the package needs root (CI runs as root)"
      exit 77
    fi
    deb=$(ls "$build"/package/brisvel-console_*.deb 2>/dev/null | head -1)
    [ -f "$deb" ] || fail "no package in $build/package (the build step failed?)"
    was_installed=0
    dpkg-query -W -f='${Status}' brisvel-console 2>/dev/null | grep -q "install ok installed" && was_installed=1
    cleanup() { [ "$was_installed" = 0 ] && apt-get purge -y -qq brisvel-console >/dev/null 2>&1 || true; }
    trap cleanup EXIT
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-download "$deb" >/dev/null 2>&1 \
      || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" || fail "apt-get install"
    version=$(dpkg-deb -f "$deb" Version)
    [ "$(/usr/bin/brisvelctl --version)" = "brisvelctl $version" ] || fail "brisvelctl --version"
    [ "$(/usr/bin/brisvelctl params | wc -l)" = 618 ] || fail "brisvelctl params"
    [ -f /usr/lib/udev/rules.d/70-brisvel-dsp.rules ] || fail "udev rule not installed"
    grep -q 'application/x-brisvel-scene:\*\.cae' /usr/share/mime/globs2 || fail "MIME cache not updated"
    echo "package installed from $deb and ran"
    ;;
  *) fail "usage: package_test.sh BUILD_DIR build|install" ;;
esac
