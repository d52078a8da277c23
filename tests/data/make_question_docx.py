#!/usr/bin/python3
# Writes questions_python.docx with python3-docx (apt-get install python3-docx): a paper laid out
# the way teachers write them, with what the question import must cope with: pictures in a stem
# and in an option, options on one line and on several, full-width letters, a question in a
# table, an equation with a picture beside it and one without, lines that fit no question.
# make_question_fixtures.sh runs it.
import copy
import struct
import sys
import zlib

import docx
from docx.oxml import parse_xml
from docx.shared import Pt

out = sys.argv[1] if len(sys.argv) > 1 else "questions_python.docx"


def png(width, height, rgb):
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


with open("red.png", "wb") as f:
    f.write(png(40, 20, (200, 30, 30)))
with open("blue.png", "wb") as f:
    f.write(png(16, 16, (30, 30, 200)))
with open("green.png", "wb") as f:
    f.write(png(24, 12, (30, 160, 30)))

document = docx.Document()
p = document.add_paragraph
p("计算机应用基础 期末试卷")
p("考试时间：90分钟")
p("一、单项选择题（每题2分，共6分）")
p("1. 如图所示，窗口右上角的按钮是（　）。")
p().add_run().add_picture("red.png", width=Pt(40))
p("A. 最小化\tB. 最大化\tC. 关闭\tD. 还原")
p("答案：C")
p("2、在 Windows 中，复制的快捷键是")
p("Ａ．Ctrl+C")
p("Ｂ．Ctrl+V")
option = p("Ｃ．")
option.add_run().add_picture("blue.png", width=Pt(16))
option.add_run("Ctrl+X")
p("Ｄ．Ctrl+Z")
p("答案：A")
p("分值：3")
p("3. 第三题在表格里")
table = document.add_table(rows=2, cols=2)
table.cell(0, 0).text = "A. 一"
table.cell(0, 1).text = "B. 二"
table.cell(1, 0).text = "C. 三"
table.cell(1, 1).text = "D. 四"
p("答案：D")
p("二、多项选择题")
p("1. 下列属于输入设备的是 A. 键盘  B. 鼠标  C. 显示器  D. 扫描仪")
p("答案：A、B、D")
p("三、判断题")
p("1. 内存断电后数据不会丢失。（2分）")
p("答案：×")
p("2. 勾股定理可以写成")
# An equation as Word keeps it beside a picture for programs that cannot show equations.
M = "http://schemas.openxmlformats.org/officeDocument/2006/math"
W = "http://schemas.openxmlformats.org/wordprocessingml/2006/main"
MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
equation = p("")
picture_run = document.add_paragraph().add_run()
picture_run.add_picture("green.png", width=Pt(24))
drawing = picture_run._r.find("{%s}drawing" % W)
alternate = parse_xml(
    '<mc:AlternateContent xmlns:mc="%s" xmlns:w="%s" xmlns:m="%s">'
    '<mc:Choice Requires="m"><m:oMath><m:r><m:t>a²+b²=c²</m:t></m:r></m:oMath></mc:Choice>'
    '<mc:Fallback><w:r/></mc:Fallback></mc:AlternateContent>' % (MC, W, M))
alternate[1][0].append(copy.deepcopy(drawing))
equation._p.append(alternate)
picture_run._r.getparent().getparent().remove(picture_run._r.getparent())
p("答案：对")
p("四、简答题")
formula = p("1. 写出公式 ")
formula._p.append(parse_xml(
    '<m:oMath xmlns:m="%s"><m:r><m:t>E=mc²</m:t></m:r></m:oMath>' % M))
formula.add_run(" 的含义。")
p("答案：质能关系。")
p("（1）质量与能量可以互相转化；")
p("（2）c 是光速。")
p("解析：此行不属于任何一题的内容。")
p("五、问答题（每题5分）")
p("简述操作系统的作用。", style="List Number")
p("答案：管理计算机的软硬件资源。")
p("六、附加说明")
document.save(out)
