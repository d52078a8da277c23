// Questions read from Word documents: the fixtures LibreOffice Writer and python3-docx made
// (tests/data/make_question_fixtures.sh), checked against LibreOffice's own text of them, the
// layouts teachers write on paragraphs made here, and the files that are refused.
#include "WorkbookTesting.h"
#include "ZipTesting.h"

#include "back_office/workbook/QuestionDocument.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A question on one line: bank, number, stem, options, key, points, notes; pictures as [图n].
QString Dump(const ParsedQuestion& q) {
    const auto shown = [](const RichText& rich) {
        QString text = rich.text;
        for (const int index : rich.pictures)
            text.replace(text.indexOf(kPictureMark), 1, QStringLiteral("[图%1]").arg(index));
        return text.replace(u'\n', u'/');
    };
    static const QStringList banks = {u"单选"_qs, u"多选"_qs, u"判断"_qs, u"主观"_qs};
    QStringList fields = {banks[int(q.bank)] + q.number, shown(q.stem)};
    for (const RichText& option : q.options)
        if (!option.text.isEmpty()) fields.append(shown(option));
    fields.append(QStringLiteral("答案 ") + shown(q.key));
    if (q.points) fields.append(QString::number(*q.points) + u'分');
    fields += q.attention;
    return fields.join(QStringLiteral(" | "));
}

QStringList Dump(const QuestionDocument& parsed) {
    QStringList lines;
    for (const ParsedQuestion& q : parsed.questions)
        lines.append(Dump(q));
    for (const UnplacedLine& line : parsed.unplaced)
        lines.append(QStringLiteral("未放入 %1 %2").arg(line.paragraph).arg(line.text));
    return lines;
}

// A document of the given paragraphs (pictures: marks referring to pictures 0, 1, …).
WordDocument Paragraphs(const QStringList& texts, const QList<DocumentPicture>& pictures = {}) {
    WordDocument document;
    document.pictures = pictures;
    int picture = 0;
    for (const QString& text : texts) {
        DocumentParagraph paragraph;
        paragraph.number = int(document.paragraphs.size()) + 1;
        paragraph.text = text;
        for (qsizetype i = 0; i < text.count(kPictureMark); ++i)
            paragraph.pictures.append(picture++);
        document.paragraphs.append(paragraph);
    }
    return document;
}

// Lines compared as text: white space runs as one space, pictures left out.
QStringList Normalised(const QStringList& lines) {
    QStringList result;
    for (QString line : lines)
        result.append(line.remove(kPictureMark).simplified());
    return result;
}

}  // namespace

class QuestionDocumentTest : public QObject {
    Q_OBJECT

  private slots:
    void documentTextIsLibreOfficesText_data();
    void documentTextIsLibreOfficesText();
    void writerDocument();
    void pythonDocument();
    void layouts_data();
    void layouts();
    void listNumbers();
    void picturesThatCannotBeShown();
    void refusedFiles();

  private:
    QTemporaryDir dir_;
};

void QuestionDocumentTest::documentTextIsLibreOfficesText_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("writer") << QStringLiteral("questions_writer");
    QTest::newRow("python-docx") << QStringLiteral("questions_python");
}

void QuestionDocumentTest::documentTextIsLibreOfficesText() {
    // Paragraphs (table cells, line breaks, list numbers) as LibreOffice writes them as text;
    // LibreOffice leaves equations out, so their paragraphs are compared without them.
    QFETCH(QString, name);
    const WordDocument document = ReadWordDocument(Fixture(name + QStringLiteral(".docx")));
    QStringList ours;
    QList<bool> equation;
    for (const DocumentParagraph& paragraph : document.paragraphs)
        for (const QString& line : paragraph.text.split(u'\n')) {
            ours.append(line);
            equation.append(paragraph.equation);
        }
    QString theirs = QString::fromUtf8(ReadBytes(Fixture(name + QStringLiteral(".txt"))));
    theirs.remove(QChar(0xFEFF));
    QStringList expected = theirs.split(u'\n');
    if (expected.constLast().isEmpty()) expected.removeLast();
    QCOMPARE(ours.size(), expected.size());
    for (qsizetype i = 0; i < ours.size(); ++i)
        if (equation[i]) ours[i] = expected[i];
    QCOMPARE(Normalised(ours), Normalised(expected));
}

void QuestionDocumentTest::writerDocument() {
    const QuestionDocument parsed = ReadQuestionDocument(
        Fixture(QStringLiteral("questions_writer.docx")), QuestionBank::kSingle);
    const QStringList expected = {
        u"单选1 | 下图中的设备是（ ）。/[图0] | 鼠标 | 键盘 | 打印机 | 扫描仪 | 答案 A | 2分"_qs,
        u"单选2 | 二进制数 101 等于十进制数 | 3 | 4 | 5 [图1] | 6 | 答案 C | 4分"_qs,
        u"单选3 | 表格中的选项 | 甲 | 乙 | 丙 | 丁 | 答案 B | 2分"_qs,
        u"多选1 | 下列是操作系统的有 | Linux | Word | Windows | Excel | 答案 AC"_qs,
        u"判断1 | CPU 是计算机的核心部件。 | 答案 对"_qs,
        u"判断2 | 圆的面积公式是 S=πr2。 | 答案 对 | 第 28 段的公式在文档中没有图片，只读出了它的文字"_qs,
        u"主观1 | 简述计算机病毒的特点。/（请写出三点） | 答案 传染性、潜伏性、破坏性。/这一行写在答案之后，也算参考答案。"_qs,
        u"未放入 1 信息技术 单元测验"_qs,
        u"未放入 2 班级：________ 姓名：________"_qs,
        u"未放入 34 【解析】病毒的特点还有隐蔽性。"_qs,
    };
    QCOMPARE(Dump(parsed), expected);
    QCOMPARE(parsed.pictures.size(), 2);
    for (const DocumentPicture& picture : parsed.pictures) {
        QCOMPARE(picture.format, u"png"_qs);
        QVERIFY(picture.Shown());
    }
    QCOMPARE(parsed.questions[0].paragraphs, (QList<int>{4, 5, 6, 7}));
}

void QuestionDocumentTest::pythonDocument() {
    const QuestionDocument parsed = ReadQuestionDocument(
        Fixture(QStringLiteral("questions_python.docx")), QuestionBank::kSingle);
    const QStringList expected = {
        u"单选1 | 如图所示，窗口右上角的按钮是（　）。/[图0] | 最小化 | 最大化 | 关闭 | 还原 | 答案 C | 2分"_qs,
        u"单选2 | 在 Windows 中，复制的快捷键是 | Ctrl+C | Ctrl+V | [图1]Ctrl+X | Ctrl+Z | 答案 A | 3分"_qs,
        u"单选3 | 第三题在表格里 | 一 | 二 | 三 | 四 | 答案 D | 2分"_qs,
        u"多选1 | 下列属于输入设备的是 | 键盘 | 鼠标 | 显示器 | 扫描仪 | 答案 ABD"_qs,
        u"判断1 | 内存断电后数据不会丢失。 | 答案 错 | 2分"_qs,
        // The equation comes as the picture the document keeps beside it.
        u"判断2 | 勾股定理可以写成/[图2] | 答案 对"_qs,
        u"主观1 | 写出公式 E=mc² 的含义。 | 答案 质能关系。/（1）质量与能量可以互相转化；/（2）c 是光速。 | 第 31 段的公式在文档中没有图片，只读出了它的文字"_qs,
        u"主观1 | 简述操作系统的作用。 | 答案 管理计算机的软硬件资源。 | 5分"_qs,
        u"未放入 1 计算机应用基础 期末试卷"_qs,
        u"未放入 2 考试时间：90分钟"_qs,
        u"未放入 35 解析：此行不属于任何一题的内容。"_qs,
        u"未放入 39 六、附加说明"_qs,
    };
    QCOMPARE(Dump(parsed), expected);
    QCOMPARE(parsed.pictures.size(), 3);
}

void QuestionDocumentTest::layouts_data() {
    QTest::addColumn<int>("bank");  // the tab's bank, for questions before any heading
    QTest::addColumn<QStringList>("paragraphs");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("keys in the forms teachers write")
        << int(QuestionBank::kMultiple)
        << QStringList{u"1. 下列哪个是选择题？ A.a B.b C.c D.d"_qs,
                       u"答案：a c"_qs,
                       u"2. 乙 A.a B.b C.c D.d（3分）"_qs,
                       u"【答案】ＢＤ"_qs,
                       u"3. 丙 A.a B.b C.c D.d"_qs,
                       u"答案：AE"_qs,
                       u"（三）判断题"_qs,
                       u"1. 丁"_qs,
                       u"答案：√"_qs,
                       u"2. 戊"_qs,
                       u"答案：错误"_qs,
                       u"3. 己"_qs,
                       u"答案：不知道"_qs,
                       u"4. 庚"_qs,
                       u"答案："_qs,
                       u"×"_qs}
        << QStringList{u"多选1 | 下列哪个是选择题？ | a | b | c | d | 答案 AC"_qs,
                       u"多选2 | 乙 | a | b | c | d | 答案 BD | 3分"_qs,
                       u"多选3 | 丙 | a | b | c | d | 答案  | 答案“AE”不全是 A–D 中的字母"_qs,
                       u"判断1 | 丁 | 答案 对"_qs,
                       u"判断2 | 戊 | 答案 错"_qs,
                       u"判断3 | 己 | 答案  | 答案“不知道”不是“对”或“错”"_qs,
                       u"判断4 | 庚 | 答案 错"_qs};
    QTest::newRow("what a choice question lacks or has too much of")
        << int(QuestionBank::kSingle)
        << QStringList{u"（1）甲"_qs,        u"A、a"_qs,
                       u"B、b"_qs,           u"C、c"_qs,
                       u"E、e"_qs,           u"答案：AB"_qs,
                       u"（2）乙（ B ）"_qs, u"(A) a (B) b (C) c (D) d"_qs,
                       u"分值：2.5"_qs,      u"(3) 丙"_qs}
        << QStringList{
               u"单选1 | 甲 | a | b | c | 答案  | 选项 E 超出 A–D，未导入 | 缺少选项 D | 答案“AB”不是 A–D 中的一个字母"_qs,
               u"单选2 | 乙（   ） | a | b | c | d | 答案 B | 2.5分"_qs,
               u"单选3 | 丙 | 答案  | 缺少选项 A | 缺少选项 B | 缺少选项 C | 缺少选项 D | 没有答案"_qs};
    QTest::newRow("subjective points, answers over lines, lines of no question")
        << int(QuestionBank::kSubjective)
        << QStringList{u"试卷说明"_qs,   u"答案：不属于任何题"_qs, u"1. 论述：\n(1) 甲\n(2) 乙"_qs,
                       u"答案：要点"_qs, u"1. 要点一"_qs,          u"2. 下一题"_qs,
                       u"答案：二"_qs,   u"分值：10"_qs,           u"多出的一行"_qs}
        << QStringList{u"主观1 | 论述：/(1) 甲/(2) 乙 | 答案 要点/1. 要点一"_qs,
                       u"主观2 | 下一题 | 答案 二 | 10分"_qs, u"未放入 1 试卷说明"_qs,
                       u"未放入 2 答案：不属于任何题"_qs, u"未放入 9 多出的一行"_qs};
}

void QuestionDocumentTest::layouts() {
    QFETCH(int, bank);
    QFETCH(QStringList, paragraphs);
    QFETCH(QStringList, expected);
    QCOMPARE(Dump(ParseQuestions(Paragraphs(paragraphs), QuestionBank(bank))), expected);
}

void QuestionDocumentTest::listNumbers() {
    // Headings, questions and options numbered by Word's lists: section numbers in Chinese, the
    // questions counting again in each section, the options' letters again in each question.
    const auto paragraph = [](int level, const char* text) {
        return "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"" + QByteArray::number(level) +
               "\"/><w:numId w:val=\"7\"/></w:numPr></w:pPr><w:r><w:t>" + QByteArray(text) +
               "</w:t></w:r></w:p>";
    };
    const auto level = [](int n, const char* format, const char* text) {
        return "<w:lvl w:ilvl=\"" + QByteArray::number(n) +
               "\"><w:start w:val=\"1\"/><w:numFmt w:val=\"" + format + "\"/><w:lvlText w:val=\"" +
               text + "\"/><w:suff w:val=\"space\"/></w:lvl>";
    };
    QByteArray body;
    for (const char* section : {"单项选择题", "多项选择题"}) {
        body += paragraph(0, section);
        for (int question = 0; question < 2; ++question) {
            body += paragraph(1, "题");
            for (const char* option : {"甲", "乙", "丙", "丁"})
                body += paragraph(2, option);
            body += "<w:p><w:r><w:t>答案：B</w:t></w:r></w:p>";
        }
    }
    const QString path = dir_.filePath(QStringLiteral("lists.docx"));
    WriteZip(path,
             {{QStringLiteral("word/document.xml"),
               "<w:document xmlns:w=\"w\"><w:body>" + body + "</w:body></w:document>"},
              {QStringLiteral("word/_rels/document.xml.rels"),
               "<Relationships><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
               "officeDocument/2006/relationships/numbering\" Target=\"numbering.xml\"/>"
               "</Relationships>"},
              {QStringLiteral("word/numbering.xml"),
               "<w:numbering xmlns:w=\"w\"><w:abstractNum w:abstractNumId=\"3\">" +
                   level(0, "chineseCounting", "%1、") + level(1, "decimal", "%2.") +
                   level(2, "upperLetter", "%3.") +
                   "</w:abstractNum><w:num w:numId=\"7\"><w:abstractNumId w:val=\"3\"/>"
                   "</w:num></w:numbering>"}});
    const QuestionDocument parsed = ReadQuestionDocument(path, QuestionBank::kSubjective);
    QCOMPARE(ReadWordDocument(path).paragraphs[7].text, u"2. 题"_qs);
    QCOMPARE(Dump(parsed), (QStringList{u"单选1 | 题 | 甲 | 乙 | 丙 | 丁 | 答案 B"_qs,
                                        u"单选2 | 题 | 甲 | 乙 | 丙 | 丁 | 答案 B"_qs,
                                        u"多选1 | 题 | 甲 | 乙 | 丙 | 丁 | 答案 B"_qs,
                                        u"多选2 | 题 | 甲 | 乙 | 丙 | 丁 | 答案 B"_qs}));
}

void QuestionDocumentTest::picturesThatCannotBeShown() {
    DocumentPicture metafile{.name = u"image1.emf"_qs,
                             .bytes = "\x01\x00\x00\x00",
                             .size = 4,
                             .format = u"emf"_qs,
                             .sha256 = "00"};
    DocumentPicture large;  // refused by its size, never read
    large.name = u"image2.png"_qs;
    large.size = kMaxPictureBytes + 1;
    const QuestionDocument parsed = ParseQuestions(
        Paragraphs({u"1. 题\uFFFC"_qs, u"A. \uFFFC B. b C. c D. d"_qs, u"答案：A"_qs},
                   {metafile, large}),
        QuestionBank::kSingle);
    QCOMPARE(parsed.questions[0].attention,
             (QStringList{u"图片 image1.emf 的格式（emf）不能显示"_qs,
                          u"图片 image2.png 超过 5 MB"_qs}));
}

void QuestionDocumentTest::refusedFiles() {
    const QString docPath = Fixture(QStringLiteral("questions_writer.doc"));
    QCOMPARE(ErrorOf([&] { ReadQuestionDocument(docPath, QuestionBank::kSingle); }),
             QStringLiteral(
                 "无法读取文档 %1：它是旧的 Word 格式（.doc）。请在 Word 或 WPS 中另存为 .docx")
                 .arg(docPath));

    // A package saved with a password is a compound file as well, but no .doc.
    const QString protectedPath = Fixture(QStringLiteral("encrypted_package.xlsx"));
    QCOMPARE(ErrorOf([&] { ReadWordDocument(protectedPath); }),
             QStringLiteral("无法读取文档 %1：它设有密码。请在 Word 或 WPS 中取消密码后再导入。")
                 .arg(protectedPath));

    const QByteArray whole = ReadBytes(Fixture(QStringLiteral("questions_writer.docx")));
    const QString truncated = dir_.filePath(QStringLiteral("truncated.docx"));
    WriteBytes(truncated, whole.left(whole.size() / 2));
    QCOMPARE(ErrorOf([&] { ReadQuestionDocument(truncated, QuestionBank::kSingle); }),
             QStringLiteral("文档 %1 已损坏或不完整，无法读取。").arg(truncated));

    const QString none = dir_.filePath(QStringLiteral("none.docx"));
    WriteZip(none, {{QStringLiteral("word/document.xml"),
                     "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>只有一段说明</w:t></w:r>"
                     "</w:p></w:body></w:document>"}});
    QCOMPARE(ErrorOf([&] { ReadQuestionDocument(none, QuestionBank::kSingle); }),
             QStringLiteral("文档 %1 中没有找到试题。试题以题号开头（如“1.”“1、”“（1）”），选项以 "
                            "A–D 开头，答案写在“答案：”一行。")
                 .arg(none));

    // Nesting a million levels deep is refused, not followed down the stack.
    const QString deep = dir_.filePath(QStringLiteral("deep.docx"));
    WriteZip(deep, {{QStringLiteral("word/document.xml"),
                     "<w:document xmlns:w=\"w\"><w:body><w:p>" +
                         QByteArray("<w:hyperlink>").repeated(1000000) +
                         QByteArray("</w:hyperlink>").repeated(1000000) +
                         "</w:p></w:body></w:document>"}});
    QCOMPARE(ErrorOf([&] { ReadWordDocument(deep); }),
             QStringLiteral("文档 %1 已损坏或不完整，无法读取。").arg(deep));

    const QString workbook = Fixture(QStringLiteral("calc_sheets.xlsx"));
    QCOMPARE(ErrorOf([&] { ReadWordDocument(workbook); }),
             QStringLiteral("无法读取文件 %1：不是 Word 文档（.docx）。").arg(workbook));
}

QTEST_GUILESS_MAIN(QuestionDocumentTest)
#include "question_document_test.moc"
