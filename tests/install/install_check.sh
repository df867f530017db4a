#!/bin/sh
# install_check.sh CMAKE BUILD_DIR PREFIX: installs the build into an empty
# PREFIX and checks that the program, menu entry, icon and metainfo are in
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
echo "installed to $prefix: program, entry, icon and metainfo agree"
