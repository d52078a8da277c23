#!/usr/bin/python3
"""Reads every workbook under the given folders with the program's reader (build/tools/dump_sheet)
and with a reference reader -- xlrd for .xls, openpyxl for .xlsx and .xlsm -- and compares the cell
texts of every sheet. A local check, not run by CI:

    apt-get install python3-xlrd python3-openpyxl
    tools/compare_readers.py [--dump build/tools/dump_sheet] [-v] folder...

Reference values are put into the program's text shapes: numbers in the general format (15
significant digits), booleans TRUE/FALSE, errors as their text. Date and time cells are compared by
value: the program's text (YYYY-MM-DD, hh:mm:ss, both, or elapsed hours) must name the same moment
as the reference's serial number, to the second.
"""
import argparse
import datetime
import json
import os
import subprocess
import sys
import warnings

warnings.filterwarnings("ignore")


def general(value):
    if value == 0:
        return "0"
    mantissa, exponent = ("%.14e" % value).split("e")
    exponent = int(exponent)
    negative = mantissa.startswith("-")
    digits = mantissa.lstrip("-").replace(".", "").rstrip("0") or "0"
    if exponent >= 15 or exponent < -5:
        out = digits[0] + ("." + digits[1:] if len(digits) > 1 else "") + "E" + str(exponent)
    elif exponent < 0:
        out = "0." + "0" * (-exponent - 1) + digits
    elif len(digits) <= exponent + 1:
        out = digits + "0" * (exponent + 1 - len(digits))
    else:
        out = digits[:exponent + 1] + "." + digits[exponent + 1:]
    return ("-" if negative else "") + out


class Moment:
    """A reference date or time cell: its serial number, compared with the program's text."""

    def __init__(self, serial, from1904=False):
        self.serial = serial
        self.from1904 = from1904

    def matches(self, text):
        if text == general(self.serial):
            return True
        epoch = datetime.datetime(1904, 1, 1) if self.from1904 else datetime.datetime(1899, 12, 30)
        try:
            if len(text) == 10:
                day = datetime.datetime.strptime(text, "%Y-%m-%d")
                serial = (day - epoch).days
                if not self.from1904 and serial < 61:
                    serial -= 1
                return serial == int(self.serial // 1)
            if len(text) == 19:
                moment = datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S")
                serial = (moment - epoch).total_seconds() / 86400
                if not self.from1904 and serial < 61:
                    serial -= 1
                return abs(serial - self.serial) * 86400 < 1.001
            hours, minutes, seconds = (int(part) for part in text.split(":"))
            seconds = hours * 3600 + minutes * 60 + seconds
            whole = self.serial * 86400
            return abs(seconds - whole) < 1.001 or abs(seconds - whole % 86400) < 1.001
        except ValueError:
            return False

    def __repr__(self):
        return "<date %r>" % self.serial


def trimmed(rows):
    """The rectangle from A1 to the last non-empty cell, as the program gives it."""
    rows = [[cell if cell is not None else "" for cell in row] for row in rows]
    while rows and all(cell == "" for cell in rows[-1]):
        rows.pop()
    width = max((i + 1 for row in rows for i, cell in enumerate(row) if cell != ""), default=0)
    return [(row + [""] * width)[:width] for row in rows]


def xlrd_sheets(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=False, on_demand=True)
    for sheet in book.sheets():
        rows = []
        for r in range(sheet.nrows):
            row = []
            for c in sheet.row(r):
                if c.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    row.append("")
                elif c.ctype == xlrd.XL_CELL_TEXT:
                    row.append(c.value)
                elif c.ctype == xlrd.XL_CELL_NUMBER:
                    row.append(general(c.value))
                elif c.ctype == xlrd.XL_CELL_DATE:
                    row.append(Moment(c.value, book.datemode == 1))
                elif c.ctype == xlrd.XL_CELL_BOOLEAN:
                    row.append("TRUE" if c.value else "FALSE")
                else:
                    row.append(xlrd.error_text_from_code.get(c.value, "#N/A"))
            rows.append(row)
        yield sheet.name, trimmed(rows)


def openpyxl_sheets(path):
    import openpyxl
    book = openpyxl.load_workbook(path, data_only=True, read_only=True)
    from1904 = book.epoch == datetime.datetime(1904, 1, 1)
    epoch = datetime.datetime(1904, 1, 1) if from1904 else datetime.datetime(1899, 12, 30)
    for sheet in book.worksheets:
        # The stored dimension may claim a million rows: the cells place themselves instead.
        sheet.reset_dimensions()
        rows = []
        for cells in sheet.iter_rows():
            for c in cells:
                v = getattr(c, "value", None)
                if v is None or not hasattr(c, "row"):
                    continue
                while len(rows) < c.row:
                    rows.append([])
                row = rows[c.row - 1]
                while len(row) < c.column:
                    row.append("")
                if isinstance(v, bool):
                    row[c.column - 1] = "TRUE" if v else "FALSE"
                elif isinstance(v, (int, float)):
                    row[c.column - 1] = general(float(v))
                elif isinstance(v, datetime.datetime):
                    serial = (v - epoch).total_seconds() / 86400
                    if not from1904 and serial < 61:
                        serial -= 1
                    row[c.column - 1] = Moment(serial, from1904)
                elif isinstance(v, datetime.date):
                    row[c.column - 1] = Moment(
                        (datetime.datetime(v.year, v.month, v.day) - epoch).days, from1904)
                elif isinstance(v, datetime.time):
                    row[c.column - 1] = Moment((v.hour * 3600 + v.minute * 60 + v.second) / 86400)
                elif isinstance(v, datetime.timedelta):
                    row[c.column - 1] = Moment(v.total_seconds() / 86400)
                else:
                    row[c.column - 1] = str(v)
        width = max((len(r) for r in rows), default=0)
        rows = [r + [""] * (width - len(r)) for r in rows]
        yield sheet.title, trimmed(rows)


def same(ours, theirs):
    if len(ours) != len(theirs):
        return False
    for a, b in zip(ours, theirs):
        if len(a) != len(b):
            return False
        for x, y in zip(a, b):
            if isinstance(y, Moment):
                if not y.matches(x):
                    return False
            elif x != y:
                return False
    return True


def first_difference(ours, theirs):
    for r in range(max(len(ours), len(theirs))):
        a = ours[r] if r < len(ours) else None
        b = theirs[r] if r < len(theirs) else None
        if a is None or b is None or not same([a], [b]):
            return "row %d: ours %.200r, reference %.200r" % (r + 1, a, b)
    return ""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dump", default=os.path.join(os.path.dirname(__file__), "..", "build",
                                                       "tools", "dump_sheet"))
    parser.add_argument("-v", action="store_true", help="name every file that differs")
    parser.add_argument("folders", nargs="+")
    args = parser.parse_args()
    # A reference reader that would need more than this for one file counts as refusing it.
    import resource
    resource.setrlimit(resource.RLIMIT_AS, (6 << 30, 6 << 30))
    counts = {".xls": [0, 0, 0, 0], ".xlsx": [0, 0, 0, 0]}  # files, by reference, by us, same
    for folder in args.folders:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                ext = os.path.splitext(name)[1].lower()
                kind = {".xls": ".xls", ".xlsx": ".xlsx", ".xlsm": ".xlsx"}.get(ext)
                if not kind:
                    continue
                path = os.path.join(root, name)
                count = counts[kind]
                count[0] += 1
                try:
                    sheets = list((xlrd_sheets if kind == ".xls" else openpyxl_sheets)(path))
                except (Exception, MemoryError) as error:  # the reference cannot read it
                    ours = subprocess.run([args.dump, path], capture_output=True, text=True)
                    if args.v:
                        print("reference refuses %s (%s); ours: %.150s" %
                              (path, type(error).__name__, ours.stdout.strip()))
                    continue
                count[1] += 1
                read = identical = True
                for sheet, theirs in sheets:
                    result = subprocess.run([args.dump, path, sheet], capture_output=True,
                                            text=True, timeout=120)
                    ours = json.loads(result.stdout) if result.returncode == 0 else {
                        "error": "exit %d %s" % (result.returncode, result.stderr[-300:])}
                    if isinstance(ours, dict):
                        read = identical = False
                        if args.v:
                            print("NOT READ %s [%s]: %s" % (path, sheet, ours["error"]))
                        break
                    if not same(ours, theirs):
                        identical = False
                        if args.v:
                            print("DIFFERS %s [%s] %s" % (path, sheet,
                                                          first_difference(ours, theirs)))
                count[2] += read
                count[3] += identical
    for kind, (files, reference, ours, identical) in counts.items():
        print("%-6s files %4d  read by the reference %4d  read by us %4d  identical texts %4d" %
              (kind, files, reference, ours, identical))


if __name__ == "__main__":
    sys.exit(main())
