#!/bin/sh
# Rebuilds the legacy .xls fixtures and their .xlsx counterparts. Needs LibreOffice Calc, its
# Python bridge and xlwt:
#   apt-get install -y --no-install-recommends libreoffice-calc python3-uno python3-xlwt
# legacy_cells.xls ("MS Excel 97") and legacy_cells.xlsx come from one Calc workbook that
# make_legacy_fixtures.py writes; password.xls and password.ods are that workbook saved by Calc with
# the password "密码"; the other .xls files are written by
# make_legacy_fixtures.py itself (see there): LibreOffice 7.4 reads Excel 5.0/95 files but no longer
# writes them, so the BIFF5 fixture is put together record by record. Run from any directory.
set -e
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $office 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"
export HOME="$work"
/usr/bin/python3 "$here/make_legacy_fixtures.py" fods legacy_cells.fods
soffice --headless --convert-to 'xls:MS Excel 97' legacy_cells.fods
soffice --headless --convert-to xlsx legacy_cells.fods
/usr/bin/python3 "$here/make_legacy_fixtures.py" "$work"

# Calc's own encryption for .xls, through its Python bridge.
soffice --headless --invisible --accept='pipe,name=cx_fixtures;urp;' &
office=$!
/usr/bin/python3 - <<'PY'
import time, uno
from com.sun.star.beans import PropertyValue
def prop(name, value):
    p = PropertyValue(); p.Name = name; p.Value = value; return p
resolver = uno.getComponentContext().ServiceManager.createInstanceWithContext(
    "com.sun.star.bridge.UnoUrlResolver", uno.getComponentContext())
for _ in range(60):
    try:
        context = resolver.resolve("uno:pipe,name=cx_fixtures;urp;StarOffice.ComponentContext")
        break
    except Exception:
        time.sleep(1)
desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
url = uno.systemPathToFileUrl
import os
doc = desktop.loadComponentFromURL(url(os.path.abspath("legacy_cells.fods")), "_blank", 0,
                                   (prop("Hidden", True),))
doc.storeToURL(url(os.path.abspath("password.xls")),
               (prop("FilterName", "MS Excel 97"), prop("Password", "密码")))
doc.storeToURL(url(os.path.abspath("password.ods")),
               (prop("FilterName", "calc8"), prop("Password", "密码")))
doc.close(True)
try:
    desktop.terminate()
except Exception:
    pass
PY
cp legacy_cells.xls legacy_cells.xlsx legacy_biff5.xls legacy_sst.xls legacy_xlwt.xls \
    password.xls password.ods encrypted_package.xlsx "$here/"
