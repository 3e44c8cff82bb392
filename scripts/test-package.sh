#!/usr/bin/env bash
# Builds the Debian package in build/package and checks it: its files, lintian (no errors),
# its AppStream metainfo, and the programs as installed into a temporary root, which must run
# without the build tree.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/package
cmake --preset package >/dev/null
cmake --build --preset package -j "$(nproc)"
rm -f "$build"/marlit_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
debs=("$build"/marlit_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "test-package: cpack made no package" >&2; exit 1; }
echo "test-package: $deb"

fail() {
  echo "test-package: $*" >&2
  exit 1
}

contents=$(dpkg-deb --contents "$deb" | awk '{ print $NF }')
for path in \
  usr/bin/marlit usr/bin/marlit-cli usr/bin/tessaly \
  usr/share/applications/marlit.desktop usr/share/applications/tessaly.desktop \
  usr/share/mime/packages/marlit.xml \
  usr/share/icons/hicolor/scalable/apps/marlit.svg \
  usr/share/metainfo/io.github.marlit.marlit.metainfo.xml \
  usr/share/man/man1/marlit.1.gz usr/share/man/man1/marlit-cli.1.gz \
  usr/share/man/man1/tessaly.1.gz \
  usr/share/doc/marlit/copyright usr/share/doc/marlit/changelog.gz \
  usr/share/locale/en/LC_MESSAGES/marlit.mo; do
  grep -qx "\./$path" <<<"$contents" || fail "the package lacks /$path"
done
for field in Maintainer Description Section Depends; do
  [ -n "$(dpkg-deb --field "$deb" "$field")" ] || fail "the package has no $field"
done

# Errors fail the test; warnings are shown.
status=0
report=$(lintian --fail-on error "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || fail "lintian found errors"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "appstreamcli refuses the metainfo file"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  zcat "$page" | grep -q '^\.SH EXIT STATUS' || fail "$(basename "$page") has no exit statuses"
done
for program in marlit marlit-cli tessaly; do
  binary="$root/usr/bin/$program"
  if readelf -d "$binary" | grep -Eq 'RPATH|RUNPATH'; then
    fail "$program looks for libraries in a path of its own"
  fi
  file "$binary" | grep -q ', stripped' || fail "$program is not stripped"
done
# The installed programs answer from the temporary root, with no library path and no display.
expected=$(sed -n 's/^project(Marlit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
for program in marlit marlit-cli tessaly; do
  version=$(env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \
    "$root/usr/bin/$program" --version) || fail "the installed $program --version failed"
  grep -q "^$program (.*) $expected\$" <<<"$version" ||
    fail "the installed $program --version says: $version"
  echo "test-package: installed: ${version%%$'\n'*}"
done
# The installed catalogue is found beside the installed programs: English under an English
# locale, the Chinese texts in the C locale.
english=$(LANGUAGE=en LC_ALL=en_US.UTF-8 "$root/usr/bin/marlit-cli" --version)
grep -q '^marlit-cli (Vesko Offset Converter) ' <<<"$english" ||
  fail "the installed marlit-cli --version in English says: $english"
chinese=$(LC_ALL=C "$root/usr/bin/marlit-cli" --version)
grep -q '^marlit-cli (Vesko偏移量轉換器) ' <<<"$chinese" ||
  fail "the installed marlit-cli --version in the C locale says: $chinese"
echo "test-package: passed"
