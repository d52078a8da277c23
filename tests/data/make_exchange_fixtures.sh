#!/bin/sh
# Rebuilds the .xlsx and .xls fixtures of the back office's spreadsheet exchange from their .fods
# sources with LibreOffice Calc (apt-get install -y --no-install-recommends libreoffice-calc).
# Run from any directory.
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for name in calc_truefalse calc_candidates; do
    cp "$here/$name.fods" "$work/"
    HOME="$work" soffice --headless --convert-to xlsx "$name.fods"
    HOME="$work" soffice --headless --convert-to xls "$name.fods"
    cp "$name.xlsx" "$name.xls" "$here/"
done
