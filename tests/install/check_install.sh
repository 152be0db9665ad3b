#!/usr/bin/env bash
# Installs the build into a staging folder and checks what a desktop user gets: the programs,
# the menu entry, the icon, the AppStream metainfo and the samples; then makes the Debian
# package and checks its dependencies were found.
#
#   check_install.sh BUILD_DIR PROJECT_VERSION
set -euo pipefail
build="$1"
version="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
stage="$work/stage"
share="$stage/usr/share"

fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR="$stage" cmake --install "$build" --prefix /usr --strip >/dev/null

for prog in limnova-viewer lmvtool limnova-logger-sim; do
    [ -x "$stage/usr/bin/$prog" ] || fail "usr/bin/$prog missing or not executable"
done
desktop="$share/applications/limnova-viewer.desktop"
metainfo="$share/metainfo/cn.com.corvala.LimnovaViewer.metainfo.xml"
for f in "$desktop" "$metainfo" \
         "$share/limnova-viewer/samples/store/城东排水管网/城东排水管网.lmvprj" \
         "$share/limnova-viewer/samples/store/水库入库监测/水库入库监测.lmvprj" \
         "$share/limnova-viewer/samples/logger-rva/logger.ini" \
         "$share/limnova-viewer/samples/logger-rvb/logger.ini"; do
    [ -s "$f" ] || fail "${f#"$stage"} missing or empty"
done

desktop-file-validate "$desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$work/as.log" || { cat "$work/as.log"; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"

# The menu entry must start an installed program and name an installed icon.
exec_prog="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")"
[ -x "$stage/usr/bin/$exec_prog" ] || fail "Exec=$exec_prog is not an installed program"

# A double-click in the file manager opens .lmv, .lmvprj and .lmvpos files with the viewer: the
# entry takes a file (%f) and names the types the installed shared-mime-info file defines, and
# the mime database built from the staged tree maps each suffix to its type.
grep -q '^Exec=limnova-viewer %f$' "$desktop" || fail "Exec does not take a file (%f)"
mimexml="$share/mime/packages/limnova-viewer.xml"
[ -s "$mimexml" ] || fail "${mimexml#"$stage"} missing"
xmllint --noout "$mimexml" || fail "mime type file is not well-formed XML"
# Built in a copy: the package carries the type file only, the system builds its own database.
cp -r "$share/mime" "$work/mime"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database"
declared="$(sed -n 's/^MimeType=//p' "$desktop")"
for pair in lmv:application/x-limnova-data lmvprj:application/x-limnova-project lmvpos:application/x-limnova-point; do
    suffix="${pair%%:*}"; type="${pair#*:}"
    [[ ";$declared" == *";$type;"* ]] || fail "desktop entry does not declare $type"
    grep -qx "$type:\*\.$suffix" "$work/mime/globs" || fail "*.$suffix is not mapped to $type"
done
icon="$(sed -n 's/^Icon=//p' "$desktop")"
[ -s "$share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon.svg"
for size in 48 256; do
    png="$share/icons/hicolor/${size}x${size}/apps/$icon.png"
    file "$png" | grep "PNG image data, $size x $size" >/dev/null || fail "$icon.png is not $size x $size"
done

# The package is made with the project's CPack settings from the staged tree, away from the build
# folder: packing the build directly would first check every target of the tree for changes,
# which takes most of this test's time on a loaded machine.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$stage;." >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb="$(ls "$work"/deb/limnova-viewer_"$version"_*.deb)"
dpkg-deb -I "$deb" >"$work/info"
grep -q "^ Package: limnova-viewer$" "$work/info" || fail "package name"
grep -q "^ Section: " "$work/info" || fail "no section"
grep -q "^ Maintainer: " "$work/info" || fail "no maintainer"
depends="$(sed -n 's/^ Depends: //p' "$work/info")"
[[ "$depends" == *libqt5widgets5* && "$depends" == *libqt5serialport5* && "$depends" == *libqwt-qt5-6* ]] ||
    { cat "$work/info"; fail "Depends lacks the Qt libraries the programs link"; }
[[ "$depends" == *fonts-wqy-microhei* ]] || { cat "$work/info"; fail "Depends lacks the report font"; }
dpkg-deb -c "$deb" >"$work/contents"
for f in usr/bin/lmvtool usr/share/applications/limnova-viewer.desktop usr/share/mime/packages/limnova-viewer.xml; do
    grep -q "\./$f$" "$work/contents" || fail "$f not in the package"
done
echo "install tree, menu entry, metainfo and $(basename "$deb") checked"
