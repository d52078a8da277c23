#!/usr/bin/env bash
# Installs the Debian 12 packages the program needs to build, run and be tested.
# Sourced by the other scripts; runs apt-get as root or through sudo, and only when something is missing.
set -euo pipefail

CX_PACKAGES=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-qpa-plugins libqt6test6
    libsqlite3-dev libpq-dev libfontconfig-dev libxlsxwriter-dev libzip-dev libpugixml-dev libgsf-1-dev
    fonts-wqy-microhei fonts-arphic-ukai qt6-translations-l10n
    xvfb xauth
    desktop-file-utils sqlite3
    postgresql
)
# What only the tests need: LibreOffice reads back the workbooks the program writes and, with
# python3-docx, makes the Word documents of tests/data (make_question_fixtures.sh); pdftotext
# (poppler-utils) reads the PDFs; lintian checks the Debian package (and brings
# dpkg-parsechangelog).
CX_TEST_PACKAGES=(libreoffice-calc libreoffice-writer libreoffice-math python3-docx python3-openpyxl python3-pil poppler-utils lintian python3)

cx_install_packages() {
    local missing=()
    for package in "${CX_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
