#!/usr/bin/env bash
# Unpacks the Debian package into a throw-away root and runs its launcher from there, offscreen, with
# a temporary HOME: the first run makes the working folder and copies the delivered database, later
# runs keep the database as they find it; the same for a shared folder given as the argument.
# The program waits in its sign-in window; each run is stopped once it is up.
# usage: scripts/check_package.sh PACKAGE.deb
set -euo pipefail
deb=$(readlink -f "$1")
package=$(dpkg-deb -f "$deb" Package)

work=$(mktemp -d)
running=
cleanup() {
    if [ -n "$running" ]; then
        kill "$running" 2>/dev/null || :
        wait "$running" 2>/dev/null || :
    fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

root=$work/root
dpkg-deb -x "$deb" "$root"
launcher=$root/usr/bin/$package
program=$root/usr/lib/$package/chengxi_exam
template=$root/usr/share/$package/Maindb.db
home=$work/home

# launch FOLDER [VAR=VALUE...] [-- ARG]: runs the launcher in a clean environment and waits until the
# program it started is up in FOLDER, then stops it.
launch() {
    local folder=$1
    shift
    local vars=() args=()
    while [ $# -gt 0 ]; do
        if [ "$1" = -- ]; then
            shift
            args=("$@")
            break
        fi
        vars+=("$1")
        shift
    done
    (cd "$work" && exec env -i PATH="$PATH" HOME="$home" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen \
        "${vars[@]}" "$launcher" "${args[@]}") >"$work/run.log" 2>&1 &
    running=$!
    local up=
    for _ in $(seq 200); do
        if ! kill -0 "$running" 2>/dev/null; then
            break
        fi
        if [ "$(readlink "/proc/$running/exe" 2>/dev/null)" = "$program" ] && [ -e "$folder/data/Maindb.db" ]; then
            sleep 1 # long enough to fail for a missing library or plugin
            kill -0 "$running" 2>/dev/null && up=yes
            break
        fi
        sleep 0.1
    done
    if [ -z "$up" ]; then
        fail "the program did not start in $folder ($*); its output:"
        cat "$work/run.log" >&2
    else
        [ "$(readlink "/proc/$running/cwd")" = "$(readlink -f "$folder")" ] ||
            fail "the program runs in $(readlink "/proc/$running/cwd"), not in $folder"
    fi
    kill "$running" 2>/dev/null || :
    wait "$running" 2>/dev/null || :
    running=
    local leftovers
    leftovers=$(find "$folder/data" -name '.Maindb.db.*' 2>/dev/null)
    [ -z "$leftovers" ] || fail "partial copies left behind: $leftovers"
}

sql() { sqlite3 -batch "$1" "$2"; }
candidate_count() { sql "$1/data/Maindb.db" "SELECT count(*) FROM Userxinxi;"; }
# Changes a working folder's database the way the back office would: one more candidate.
add_candidate() {
    sql "$1/data/Maindb.db" "INSERT INTO Userxinxi (UserID, Xuehao, Xingmin) VALUES (990001, '990001', '检查员');"
}
has_added_candidate() {
    [ "$(sql "$1/data/Maindb.db" "SELECT Xingmin FROM Userxinxi WHERE Xuehao = '990001';")" = "检查员" ]
}

delivered=$(sql "$template" "SELECT count(*) FROM Userxinxi;")

# First run in the per-user folder: HOME exists but nothing below it.
mkdir -p "$home"
own=$home/.local/share/$package
launch "$own"
cmp -s "$template" "$own/data/Maindb.db" || fail "the first run did not copy the delivered database to $own"

# Second run keeps a changed database.
add_candidate "$own"
launch "$own"
has_added_candidate "$own" && [ "$(candidate_count "$own")" -eq $((delivered + 1)) ] ||
    fail "the second run did not keep the changed database in $own"

# XDG_DATA_HOME chooses the per-user folder; a relative one is ignored.
launch "$work/xdg/$package" XDG_DATA_HOME="$work/xdg"
cmp -s "$template" "$work/xdg/$package/data/Maindb.db" || fail "XDG_DATA_HOME was not used"
launch "$own" XDG_DATA_HOME=relative
[ ! -e "$work/relative" ] || fail "a relative XDG_DATA_HOME was used"
has_added_candidate "$own" || fail "the run with a relative XDG_DATA_HOME did not keep $own"

# A classroom's shared folder, with a space and Chinese in its name: made on first run, kept after.
shared="$work/教室 共享"
launch "$shared" -- "$shared"
cmp -s "$template" "$shared/data/Maindb.db" || fail "the first run did not copy the database to $shared"
add_candidate "$shared"
launch "$shared" -- "$shared"
has_added_candidate "$shared" || fail "the second run did not keep the changed database in $shared"
[ "$(candidate_count "$own")" -eq $((delivered + 1)) ] || fail "the shared-folder runs touched $own"

# Wrong use starts nothing and creates nothing.
if (cd "$work" && env -i PATH="$PATH" HOME="$home" "$launcher" "$work/one" "$work/two") >/dev/null 2>&1; then
    fail "two arguments were accepted"
fi
[ ! -e "$work/one" ] && [ ! -e "$work/two" ] || fail "two arguments created a folder"

# Without the template the launcher fails and leaves no database, not even an empty one.
rm "$template"
if (cd "$work" && env -i PATH="$PATH" HOME="$home" "$launcher" "$work/broken") >/dev/null 2>&1; then
    fail "the launcher succeeded without the template"
fi
[ -z "$(find "$work/broken/data" -mindepth 1 2>/dev/null)" ] || fail "a failed first run left files in $work/broken/data"

[ $failures -eq 0 ] || {
    echo "check_package: $failures check(s) failed" >&2
    exit 1
}
echo "check_package: launcher and first-run database checks passed"
