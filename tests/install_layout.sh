#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the desktop integration files.
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quorix bin/quorix-convert share/quorix/quorix.html \
         share/applications/org.quorix.Quorix.desktop \
         share/mime/packages/org.quorix.Quorix.xml \
         share/metainfo/org.quorix.Quorix.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.quorix.Quorix.svg \
         share/icons/hicolor/48x48/apps/org.quorix.Quorix.png; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/org.quorix.Quorix.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.quorix.Quorix.metainfo.xml" >/dev/null
grep -q 'glob pattern="\*.qrx"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
grep -q 'value="\\xab\\xaa\\x00\\x00"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
grep -q 'value="\\xaa\\xaa\\x00\\x00"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
# The installed converter runs.
"$prefix/bin/quorix-convert" --help | grep -q "Usage: quorix-convert"
echo "install layout ok"
