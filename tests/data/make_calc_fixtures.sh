#!/bin/sh
# Rebuilds calc_sheets.xlsx and calc_sheets.xls from calc_sheets.fods, and calc_ods.ods and
# calc_ods.xlsx from calc_ods.fods, with LibreOffice Calc
# (apt-get install -y --no-install-recommends libreoffice-calc). Run from any directory.
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/calc_sheets.fods" "$here/calc_ods.fods" "$work/"
cd "$work"
HOME="$work" soffice --headless --convert-to xlsx calc_sheets.fods
HOME="$work" soffice --headless --convert-to xls calc_sheets.fods
HOME="$work" soffice --headless --convert-to ods calc_ods.fods
HOME="$work" soffice --headless --convert-to xlsx calc_ods.fods
cp calc_sheets.xlsx calc_sheets.xls calc_ods.ods calc_ods.xlsx "$here/"
