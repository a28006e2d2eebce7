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
         share/icons/hicolor/48x48/apps/org.quorix.Quorix.png \
         share/man/man1/quorix.1.gz share/man/man1/quorix-convert.1.gz \
         share/doc/quorix/copyright; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$prefix/share/applications/org.quorix.Quorix.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.quorix.Quorix.metainfo.xml" >/dev/null
grep -q 'glob pattern="\*.qrx"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
grep -q 'value="\\xab\\xaa\\x00\\x00"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
grep -q 'value="\\xaa\\xaa\\x00\\x00"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
# Card files too, by name and by their first bytes.
grep -q 'glob pattern="\*.crd"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
grep -q 'value="RRG"' "$prefix/share/mime/packages/org.quorix.Quorix.xml"
# The manual pages read cleanly, and the copyright file is machine-readable.
for page in quorix quorix-convert; do
  warnings=$(MANWIDTH=80 man --warnings -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null || true)
  [ -z "$warnings" ] || { echo "man $page: $warnings"; exit 1; }
done
head -n 1 "$prefix/share/doc/quorix/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/'
# The installed converter runs.
"$prefix/bin/quorix-convert" --help | grep -q "Usage: quorix-convert"
echo "install layout ok"
