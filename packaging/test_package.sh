#!/usr/bin/env bash
# The package test: builds the Debian package in a temporary folder, checks its file list, control
# fields, desktop entry, copyright file and changelog, checks that every library the program links
# against comes from a package it depends on, runs lintian on it (no error allowed), then runs
# scripts/check_package.sh on it.
# usage: test_package.sh CPACK BUILD_DIR SOURCE_DIR PACKAGE VERSION (the Debian one: 8.01-1)
set -euo pipefail
cpack=$1 build=$2 source=$3 package=$4 version=$5

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && "$cpack" -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack -G DEB" >&2
    exit 1
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || {
    echo "FAIL: expected one .deb, found: ${debs[*]}" >&2
    exit 1
}
deb=${debs[0]}
arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "${package}_${version}_${arch}.deb" ] || fail "file name $(basename "$deb")"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# Exactly these files: the template database and no live one, nothing outside /usr, no build leftovers.
dpkg-deb -c "$deb" >"$work/contents"
grep -v '^d' "$work/contents" | sed -E 's/^([^ ]+ +){5}//' | sort >"$work/files"
sort >"$work/expected" <<LIST
./usr/bin/$package -> ../lib/$package/$package
./usr/lib/$package/$package
./usr/lib/$package/chengxi_exam
./usr/share/$package/Maindb.db
./usr/share/applications/$package.desktop
./usr/share/doc/$package/changelog.Debian.gz
./usr/share/doc/$package/copyright
./usr/share/man/man1/$package.1.gz
./usr/share/icons/hicolor/128x128/apps/$package.png
./usr/share/icons/hicolor/256x256/apps/$package.png
./usr/share/icons/hicolor/48x48/apps/$package.png
./usr/share/icons/hicolor/scalable/apps/$package.svg
LIST
diff -u "$work/expected" "$work/files" || fail "package contents differ from the list above"
for program in "./usr/lib/$package/$package" "./usr/lib/$package/chengxi_exam"; do
    grep -q -- "^-rwxr-xr-x root/root .* $program\$" "$work/contents" || fail "$program is not an executable owned by root"
done
grep -q -- "^-rw-r--r-- root/root .* ./usr/share/$package/Maindb.db\$" "$work/contents" ||
    fail "the template database is not a read-only file owned by root"
for doc in copyright changelog.Debian.gz; do
    grep -q -- "^-rw-r--r-- root/root .* ./usr/share/doc/$package/$doc\$" "$work/contents" ||
        fail "$doc is not a file of mode 0644 owned by root"
done

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = "$package" ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
depends=$(field Depends)
names=$(tr ',' '\n' <<<"$depends" | sed 's/(.*)//; s/ //g')
for needed in qt6-qpa-plugins qt6-translations-l10n fonts-wqy-microhei libqt6widgets6 libqt6gui6 libqt6core6 libqt6dbus6 \
    libsqlite3-0 libpq5 libxlsxwriter4 libzip4 libpugixml1v5 libgsf-1-114; do
    grep -qx "$needed" <<<"$names" || fail "Depends lacks $needed: $depends"
done
# Every package named must exist here (a misspelt name makes the package uninstallable).
for name in $names; do
    dpkg-query -W "$name" >/dev/null 2>&1 || apt-cache show "$name" >/dev/null 2>&1 || fail "no package $name"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
binary=$root/usr/lib/$package/chengxi_exam
# The libraries the program links against, each from a package in Depends.
objdump -p "$binary" >"$work/headers"
awk '$1 == "NEEDED" { print $2 }' "$work/headers" >"$work/needed"
[ -s "$work/needed" ] || fail "objdump found no NEEDED entries in $binary"
ldconfig -p >"$work/ldcache"
while read -r soname; do
    path=$(awk -v s="$soname" '$1 == s { print $NF; exit }' "$work/ldcache")
    [ -n "$path" ] || {
        fail "$soname is not installed on this machine"
        continue
    }
    owner=$(dpkg -S "$(readlink -f "$path")" 2>/dev/null || dpkg -S "$path" 2>/dev/null) || true
    owner=${owner%%:*}
    grep -qx "$owner" <<<"$names" || fail "$soname comes from ${owner:-no package}, which Depends does not name"
done <"$work/needed"
headers=$(objdump -x "$binary")
grep -qE '^ +R(UN)?PATH ' <<<"$headers" && fail "the installed program keeps a build RPATH"
grep -q ' \.debug_' <<<"$headers" && fail "the installed program is not stripped"

# The desktop entry.
desktop=$root/usr/share/applications/$package.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry 'Name')" = "澄溪标准化考试系统" ] || fail "Name=$(entry Name)"
[ "$(entry 'Name\[zh_CN\]')" = "澄溪标准化考试系统" ] || fail "Name[zh_CN]=$(entry 'Name\[zh_CN\]')"
[ -n "$(entry Comment)" ] && [ -n "$(entry 'Comment\[zh_CN\]')" ] || fail "Comment or Comment[zh_CN] missing"
[ "$(entry Categories)" = "Education;" ] || fail "Categories=$(entry Categories)"
[ -L "$root/usr/bin/$(entry Exec)" ] || fail "Exec=$(entry Exec) is not the launcher in /usr/bin"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/$(entry Icon).png" ] || fail "Icon=$(entry Icon) has no 48x48 icon"

# The licence in the machine-readable format, and the changelog: gzip -9n, its newest entry this
# version.
doc=$root/usr/share/doc/$package
copyright=$doc/copyright
head -n1 "$copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    fail "copyright does not start with the machine-readable format line"
grep -q '^Files: \*$' "$copyright" && grep -q '^Copyright: ' "$copyright" && grep -q '^License: ' "$copyright" ||
    fail "copyright lacks a Files, Copyright or License field"
changelog=$doc/changelog.Debian.gz
gzip -t "$changelog" || fail "changelog.Debian.gz is not gzip"
[ "$(od -An -tu4 -j4 -N4 "$changelog" | tr -d ' ')" = 0 ] || fail "changelog.Debian.gz keeps a time stamp (not gzip -n)"
gunzip -c "$changelog" >"$work/changelog"
[ "$(dpkg-parsechangelog -l "$work/changelog" -S Version)" = "$(field Version)" ] ||
    fail "the changelog's newest entry is not version $(field Version)"

# Lintian, Debian's package checker, finds no error (its warnings are listed in the log).
if command -v lintian >/dev/null; then
    lintian --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || true
    cat "$work/lintian.log"
    ! grep -q '^E: ' "$work/lintian.log" || fail "lintian reports errors"
else
    fail "lintian is not installed (scripts/packages.sh installs it)"
fi

"$source/scripts/check_package.sh" "$deb" || fail "scripts/check_package.sh"

[ $failures -eq 0 ] || {
    echo "$failures check(s) failed" >&2
    exit 1
}
echo "package checks passed"
