#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs: the programs with the engine
# library beside them, the desktop entry, and file types that name RFF, RFC and STADAF files by their
# extension and STADAF files by their first bytes. Usage: InstallTest.sh BUILD_DIR SAMPLES_DIR
set -euo pipefail
build=$1
samples=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kwviewer bin/kwdump bin/kwisam bin/libctreew95.so share/applications/kwviewer.desktop \
  share/mime/packages/kestrelwing-kwviewer.xml; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
grep -q '^Exec=kwviewer %F$' "$prefix/share/applications/kwviewer.desktop"
grep -q '^MimeType=application/x-kestrelwing-rff;application/x-kestrelwing-rfc;application/x-kestrelwing-stadaf;$' \
  "$prefix/share/applications/kwviewer.desktop"
# The installed dump finds its engine library beside it and reads a sample.
"$prefix/bin/kwdump" --limit 1 --format csv "$samples/fares.rff" | head -1 | grep -q '^CXR,ORIGIN,DEST'
# The viewer answers --help without a display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/kwviewer" --help | head -1 | grep -q '^usage: kwviewer'
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/mime/packages/kestrelwing-kwviewer.xml"
fi
if command -v update-mime-database >/dev/null; then
  update-mime-database "$prefix/share/mime" >/dev/null 2>&1
  grep -q '^50:application/x-kestrelwing-stadaf:\*\.daf$' "$prefix/share/mime/globs2"
  grep -q '^50:application/x-kestrelwing-rff:\*\.rff$' "$prefix/share/mime/globs2"
  grep -q '^50:application/x-kestrelwing-rfc:\*\.rfc$' "$prefix/share/mime/globs2"
  grep -aq 'STADAF2.10' "$prefix/share/mime/magic"
fi
echo "install ok"
