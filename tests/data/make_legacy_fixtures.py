#!/usr/bin/python3
"""Writes the legacy .xls fixtures that no spreadsheet program at hand writes, record by record, and
the xlwt-made one (make_legacy_fixtures.sh runs it; needs python3-xlwt).

  legacy_biff5.xls   Excel 5.0/95 records ("Book" stream): code page 936, LABEL, RSTRING, NUMBER,
                     RK, MULRK, BOOLERR, FORMULA with each kind of cached value and STRING, dates
                     by built-in and custom formats, a chart substream inside the sheet.
  legacy_sst.xls     Excel 97 records in a stream named "WORKBOOK": shared strings continued over
                     records (compressed, then 16-bit, a header at a record's end, rich-text runs
                     and phonetic data cut by a record), an empty shared string, the 1904 date
                     system, a formula text continued in a CONTINUE record.
  legacy_xlwt.xls    written by xlwt: booleans, errors, formulas (no cached values), dates.
  encrypted_package.xlsx  the layout of an .xlsx saved with a password: a compound file holding an
                     "EncryptedPackage" stream (here of random bytes) instead of a zip.
  With "fods OUT": the Calc source of legacy_cells.xls and legacy_cells.xlsx (LibreOffice).
"""
import datetime
import struct
import sys

from xlwt.CompoundDoc import XlsDoc


def rec(kind, body=b""):
    return struct.pack("<HH", kind, len(body)) + body


def cell(row, col, xf=0):
    return struct.pack("<HHH", row, col, xf)


def compound(stream, name):
    """The stream in a compound file under name (xlwt's writer names it "Workbook")."""
    import io
    out = io.BytesIO()
    XlsDoc().save(out, stream)
    data = bytearray(out.getvalue())
    old = "Workbook\0".encode("utf-16-le")
    at = data.index(old)
    new = (name + "\0").encode("utf-16-le")
    data[at:at + 64] = new + b"\0" * (64 - len(new))
    data[at + 64:at + 66] = struct.pack("<H", len(new))
    return bytes(data)


def with_sheets(globals_records, sheets, bof_version):
    """Globals then sheets; BOUNDSHEET offsets filled in. sheets: [(name_bytes, records)]."""
    def bof(kind):
        if bof_version == 0x0600:
            return rec(0x0809, struct.pack("<HHHHII", 0x0600, kind, 0x0DBB, 0x07CC, 0, 0x0206))
        return rec(0x0809, struct.pack("<HHHH", 0x0500, kind, 0x0DBB, 0x07CC))

    def boundsheets(offsets):
        return b"".join(rec(0x0085, struct.pack("<IBB", off, 0, 0) + name)
                        for off, (name, _) in zip(offsets, sheets))

    head = bof(0x0005) + globals_records
    size = len(head) + len(boundsheets([0] * len(sheets))) + len(rec(0x000A))
    offsets = []
    for _, records in sheets:
        offsets.append(size)
        size += len(bof(0x0010)) + len(records) + len(rec(0x000A))
    stream = head + boundsheets(offsets) + rec(0x000A)
    for _, records in sheets:
        stream += bof(0x0010) + records + rec(0x000A)
    return stream


def number(row, col, value, xf=0):
    return rec(0x0203, cell(row, col, xf) + struct.pack("<d", value))


def rk(row, col, raw, xf=0):
    return rec(0x027E, cell(row, col, xf) + struct.pack("<I", raw))


def formula(row, col, result, xf=0):
    # result: 8 bytes; flags, chn and a one-token expression (tInt 0) that nobody evaluates here.
    return rec(0x0006, cell(row, col, xf) + result + struct.pack("<HI", 0, 0) +
               struct.pack("<H", 3) + b"\x1E\x00\x00")


def special(kind, value=0):
    return bytes([kind, 0, value, 0, 0, 0]) + b"\xFF\xFF"


def boolerr(row, col, value, is_error):
    return rec(0x0205, cell(row, col) + bytes([value, is_error]))


def biff5():
    cp = "gbk"

    def text(s, long_length=True):
        b = s.encode(cp)
        return (struct.pack("<H", len(b)) if long_length else bytes([len(b)])) + b

    xf = lambda fmt: rec(0x00E0, struct.pack("<HH", 0, fmt) + b"\0" * 12)
    glob = (rec(0x0042, struct.pack("<H", 936)) + rec(0x0022, struct.pack("<H", 0)) +
            rec(0x041E, struct.pack("<H", 164) + text('yyyy"年"m"月"d"日"', False)) +
            rec(0x041E, struct.pack("<H", 165) + text("[h]:mm:ss", False)) +
            rec(0x041E, struct.pack("<H", 166) + text('0.00" d"', False)) +
            xf(0) + xf(164) + xf(165) + xf(14) + xf(22) + xf(166))
    chart = (rec(0x0809, struct.pack("<HHHH", 0x0500, 0x0020, 0, 0)) + number(0, 9, 999) +
             rec(0x000A))
    rows = (rec(0x0204, cell(0, 0) + text("学号")) + rec(0x0204, cell(0, 1) + text("姓名")) +
            rec(0x0204, cell(0, 2) + text("成绩")) + rec(0x0204, cell(0, 3) + text("日期")) +
            # Row 2: an RK integer, rich text with its runs, an RK hundredth, a custom date.
            rk(1, 0, (110101 << 2) | 2) +
            rec(0x00D6, cell(1, 1) + text("张三丰") + bytes([2, 0, 1, 2, 0])) +
            rk(1, 2, (8750 << 2) | 3) + number(1, 3, 45413, 1) +
            # Row 3: MULRK over three columns (integer, float bits, hundredths), then a date-time.
            rec(0x00BD, struct.pack("<HH", 2, 0) +
                struct.pack("<HI", 0, (110102 << 2) | 2) +
                struct.pack("<HI", 0, struct.unpack("<Q", struct.pack("<d", 0.5))[0] >> 32) +
                struct.pack("<HI", 0, (-1250 << 2 & 0xFFFFFFFF) | 3) +
                struct.pack("<H", 2)) + number(2, 3, 45413.75, 4) +
            # Row 4: formula results: number, text from STRING, boolean, error, empty text.
            formula(3, 0, struct.pack("<d", 20)) + formula(3, 1, special(0)) +
            rec(0x0207, text("北京！")) + formula(3, 2, special(1, 1)) +
            formula(3, 3, special(2, 0x07)) + formula(3, 4, special(3)) +
            # Row 5: BOOLERR cells; an elapsed time; a negative number in a date format.
            boolerr(4, 0, 0, 0) + boolerr(4, 1, 0x2A, 1) + number(4, 2, 1.5, 2) +
            number(4, 3, -3, 3) + number(4, 4, 2.5, 5) + chart)
    stream = with_sheets(glob, [(text("成绩表", False), b""), (text("Sheet1", False), rows)], 0x0500)
    return compound(stream, "Book")


def unicode_header(s, wide, runs=0, phonetic=0):
    flags = (1 if wide else 0) | (8 if runs else 0) | (4 if phonetic else 0)
    out = struct.pack("<HB", len(s), flags)
    if runs:
        out += struct.pack("<H", runs)
    if phonetic:
        out += struct.pack("<I", phonetic)
    return out


def chars(s, wide):
    return s.encode("utf-16-le") if wide else s.encode("latin-1")


def biff8_sst():
    # Shared strings 0..4, cut into an SST record and three CONTINUE records by hand.
    sst = struct.pack("<II", 6, 5)
    # 0: "Hello, 世界": its first part compressed in the SST, the rest 16-bit in a CONTINUE.
    part1 = unicode_header("Hello, 世界", False) + chars("Hello, ", False)
    cont1 = b"\x01" + chars("世界", True)
    # 1: a rich-text string with a phonetic block, whose runs are cut by the next record.
    s1 = "北京大学"
    cont1 += unicode_header(s1, True, runs=2, phonetic=6) + chars(s1, True) + b"\0\0\1\0"
    cont2 = b"\2\0\1\0" + b"\1\2\3\4\5\6"
    # 2: an empty string; 3: a string whose header ends the record.
    cont2 += unicode_header("", False) + unicode_header("über", False)
    cont3 = b"\x00" + chars("über", False)
    # 4: a plain one.
    cont3 += unicode_header("学号", True) + chars("学号", True)
    strings = rec(0x00FC, sst + part1) + b"".join(rec(0x003C, c) for c in (cont1, cont2, cont3))

    xf = lambda fmt: rec(0x00E0, struct.pack("<HH", 0, fmt) + b"\0" * 16)
    glob = (rec(0x0042, struct.pack("<H", 1200)) + rec(0x0022, struct.pack("<H", 1)) +
            xf(0) + xf(14) + xf(21) + strings)
    lsst = lambda row, col, index: rec(0x00FD, cell(row, col) + struct.pack("<I", index))
    long_text = "长" * 4200 + "尾"  # 8402 bytes: the STRING record goes on in a CONTINUE
    first = 8224 - 3
    body = unicode_header(long_text, True) + chars(long_text, True)[:first - first % 2]
    rest = b"\x01" + chars(long_text, True)[first - first % 2:]
    rows = (lsst(0, 0, 0) + lsst(0, 1, 1) + lsst(0, 2, 2) + lsst(0, 3, 3) + lsst(0, 4, 4) +
            number(1, 0, 0, 1) + number(1, 1, 45413.5, 2) + number(1, 2, 1, 1) +
            formula(2, 0, special(0)) + rec(0x0207, body) + rec(0x003C, rest) +
            rec(0x0204, cell(3, 0) + struct.pack("<HB", 3, 0) + b"abc"))
    name = struct.pack("<BB", 6, 0) + b"Sheet1"
    return compound(with_sheets(glob, [(name, rows)], 0x0600), "WORKBOOK")


def xlwt_book(path):
    import xlwt
    book = xlwt.Workbook(encoding="utf-8")
    sheet = book.add_sheet("Sheet1")
    date = xlwt.easyxf(num_format_str="YYYY-MM-DD")
    for col, caption in enumerate(["题号", "题目", "正确", "错误", "答案", "分数"]):
        sheet.write(0, col, caption)
    sheet.write(1, 0, 1)
    sheet.write(1, 1, "地球是圆的")
    sheet.write(1, 2, True)
    sheet.write(1, 3, False)
    sheet.row(1).set_cell_error(4, 0x2A)  # #N/A (xlwt takes its code only)
    sheet.write(1, 5, xlwt.Formula("A2*2"))
    sheet.write(2, 0, datetime.date(2024, 5, 1), date)
    sheet.row(2).set_cell_error(1, "#DIV/0!")
    sheet.write(2, 2, 0.1 + 0.2)
    book.save(path)


def write_fods(path):
    """The Calc workbook behind legacy_cells.xls and legacy_cells.xlsx: one row per kind of cell."""
    LONG = "长" * 5000 + "尾"
    rows = [
      ("文字", '<table:table-cell office:value-type="string"><text:p>考生张三</text:p></table:table-cell>'),
      ("长文字", '<table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>' % LONG),
      ("富文本", '<table:table-cell office:value-type="string"><text:p>粗<text:span text:style-name="T1">体</text:span>字</text:p></table:table-cell>'),
      ("公式数", '<table:table-cell table:formula="of:=2*[.C1]" office:value-type="float" office:value="6"><text:p>6</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="3"><text:p>3</text:p></table:table-cell>'),
      ("公式文字", '<table:table-cell table:formula="of:=&quot;北京&quot;&amp;&quot;！&quot;" office:value-type="string" office:string-value="北京！"><text:p>北京！</text:p></table:table-cell>'),
      ("公式长文字", '<table:table-cell table:formula="of:=REPT(&quot;字&quot;;5000)" office:value-type="string" office:string-value="%s"><text:p>%s</text:p></table:table-cell>' % ("字"*5000, "字"*5000)),
      ("逻辑值", '<table:table-cell table:formula="of:=1=1" office:value-type="boolean" office:boolean-value="true"><text:p>TRUE</text:p></table:table-cell><table:table-cell table:formula="of:=1=2" office:value-type="boolean" office:boolean-value="false"><text:p>FALSE</text:p></table:table-cell>'),
      ("错误", '<table:table-cell table:formula="of:=NA()" office:value-type="float" office:value="0"><text:p>#N/A</text:p></table:table-cell><table:table-cell table:formula="of:=1/0" office:value-type="float" office:value="0"><text:p>#DIV/0!</text:p></table:table-cell>'),
      ("日期", '<table:table-cell table:style-name="ceDate" office:value-type="date" office:date-value="2024-05-01"><text:p>2024-05-01</text:p></table:table-cell><table:table-cell table:style-name="ceCn" office:value-type="date" office:date-value="1999-12-31"><text:p>1999年12月31日</text:p></table:table-cell>'),
      ("时间", '<table:table-cell table:style-name="ceTime" office:value-type="time" office:time-value="PT13H45M30S"><text:p>13:45:30</text:p></table:table-cell><table:table-cell table:style-name="ceDateTime" office:value-type="date" office:date-value="2024-05-01T08:30:00"><text:p>2024-05-01 08:30:00</text:p></table:table-cell>'),
      ("经过时间", '<table:table-cell table:style-name="ceElapsed" office:value-type="time" office:time-value="PT36H00M05S"><text:p>36:00:05</text:p></table:table-cell>'),
      ("日期格式的数", '<table:table-cell table:style-name="ceDate" office:value-type="float" office:value="-5"><text:p>-5</text:p></table:table-cell><table:table-cell table:style-name="ceDate" office:value-type="float" office:value="0"><text:p>0</text:p></table:table-cell>'),
      ("数", '<table:table-cell office:value-type="float" office:value="110101"><text:p>110101</text:p></table:table-cell><table:table-cell office:value-type="float" office:value="-2.5"><text:p>-2.5</text:p></table:table-cell>'),
    ]
    out = ['''<?xml version="1.0" encoding="UTF-8"?>
    <office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
     xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
     xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
     xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
     xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"
     xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
     xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2"
     office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
     <office:automatic-styles>
      <number:date-style style:name="NDate"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>
      <number:date-style style:name="NCn"><number:year number:style="long"/><number:text>年</number:text><number:month/><number:text>月</number:text><number:day/><number:text>日</number:text></number:date-style>
      <number:time-style style:name="NTime"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
      <number:time-style style:name="NElapsed" number:truncate-on-overflow="false"><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:time-style>
      <number:date-style style:name="NDateTime"><number:year number:style="long"/><number:text>-</number:text><number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/><number:text> </number:text><number:hours number:style="long"/><number:text>:</number:text><number:minutes number:style="long"/><number:text>:</number:text><number:seconds number:style="long"/></number:date-style>
      <style:style style:name="ceDate" style:family="table-cell" style:data-style-name="NDate"/>
      <style:style style:name="ceCn" style:family="table-cell" style:data-style-name="NCn"/>
      <style:style style:name="ceTime" style:family="table-cell" style:data-style-name="NTime"/>
      <style:style style:name="ceElapsed" style:family="table-cell" style:data-style-name="NElapsed"/>
      <style:style style:name="ceDateTime" style:family="table-cell" style:data-style-name="NDateTime"/>
      <style:style style:name="T1" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
     </office:automatic-styles>
     <office:body>
      <office:spreadsheet>
       <table:table table:name="Sheet1">''']
    for label, cells in rows:
        out.append('    <table:table-row><table:table-cell office:value-type="string"><text:p>%s</text:p></table:table-cell>%s</table:table-row>' % (label, cells))
    out.append('''   </table:table>
      </office:spreadsheet>
     </office:body>
    </office:document>''')
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def main():
    if sys.argv[1] == "fods":
        write_fods(sys.argv[2])
        return
    folder = sys.argv[1]
    with open(folder + "/legacy_biff5.xls", "wb") as f:
        f.write(biff5())
    with open(folder + "/legacy_sst.xls", "wb") as f:
        f.write(biff8_sst())
    xlwt_book(folder + "/legacy_xlwt.xls")
    with open(folder + "/encrypted_package.xlsx", "wb") as f:
        import random
        f.write(compound(bytes(random.Random(16).randrange(256) for _ in range(6000)),
                         "EncryptedPackage"))


if __name__ == "__main__":
    main()
