#!/bin/sh
# install_check.sh CMAKE BUILD_DIR PREFIX: installs the build into an empty
# PREFIX and checks that the program, menu entry, icon, metainfo and help are in
# place and that the names they give each other resolve there.
set -eu
cmake=$1 build=$2 prefix=$3
id=io.github.kavrel.Kavrel
fail() { echo "FAIL: $*"; exit 1; }

rm -rf "$prefix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
cd "$prefix"
desktop=share/applications/$id.desktop
metainfo=share/metainfo/$id.metainfo.xml
for f in bin/kavrel "$desktop" share/icons/hicolor/scalable/apps/$id.svg "$metainfo"; do
  [ -f "$f" ] || fail "$f was not installed"
done

program() { [ -n "$1" ] && [ -f "bin/$1" ] && [ -x "bin/$1" ]; }
value() { sed -n "s|$1|\\1|p" "$2"; }
icon=$(value '^Icon=\(.*\)' "$desktop")
[ -f "share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "Icon=$icon names no installed icon"
exe=$(value '^Exec=\([^ ]*\).*' "$desktop")
program "$exe" || fail "Exec=$exe names no installed program"
grep -q '^MimeType=\(.*;\)*audio/mpeg;' "$desktop" || fail "the entry does not offer to open audio/mpeg"
[ "$(value '.*<id>\(.*\)</id>.*' "$metainfo")" = "$id" ] || fail "the metainfo's id is not $id"
launchable=$(value '.*<launchable type="desktop-id">\(.*\)</launchable>.*' "$metainfo")
[ -n "$launchable" ] && [ -f "share/applications/$launchable" ] || fail "launchable $launchable names no installed entry"
binary=$(value '.*<binary>\(.*\)</binary>.*' "$metainfo")
program "$binary" || fail "the metainfo's binary $binary is not installed"
# The help pages where the Help menu of bin/kavrel looks (../share/kavrel),
# every picture they show beside them, every link inside a page landing on
# an anchor of that page; the manual page.
[ -f share/man/man1/kavrel.1 ] || fail "the manual page was not installed"
for page in kavrel.local.help.file.htm kavrel.script.tutorial.htm; do
  html=share/kavrel/$page
  [ -f "$html" ] || fail "$html was not installed"
  for picture in $(grep -o '<img src="[^"]*"' "$html" | sed 's/<img src="\(.*\)"/\1/'); do
    [ -f "share/kavrel/$picture" ] || fail "$page shows $picture, which was not installed"
  done
  for anchor in $(grep -o 'href="#[^"]*"' "$html" | sed 's/href="#\(.*\)"/\1/'); do
    grep -q "id=\"$anchor\"" "$html" || fail "$page links to #$anchor, which it does not have"
  done
done
echo "installed to $prefix: program, entry, icon, metainfo and help agree"
