// "从Word导入" through the real back office: the Word documents of tests/data (LibreOffice Writer
// and python3-docx made them) go into the banks their headings name, pictures stored once; the
// preview shows what it read; refused files, a cancelled preview and a refused write leave the
// database as it was.

#include "ExchangeHarness.h"
#include "ZipTesting.h"
#include "back_office/QuestionStore.h"
#include "back_office/WordImport.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QTreeWidget>

namespace {

QString Fixture(const QString& name) {
    return QStringLiteral(CX_TEST_DATA "/") + name;
}

// Every row of the four banks and the pictures' hashes: what an import may change.
QStringList Banks(const TestWorkdir& dir) {
    QStringList rows;
    for (const QString& table : {u"Test"_qs, u"KaoShi2"_qs, u"KaoShi3"_qs, u"KaoShi4"_qs})
        rows << dir.Rows(QStringLiteral("Select * from %1 order by TestID").arg(table));
    return rows << dir.Rows(QStringLiteral("Select Hash from Tupian order by Hash"));
}

struct Preview {
    QStringList questions;  // cells joined by "|"
    QStringList unplaced;
    QString summary;
};

class WordHarness : public ExchangeHarness {
  public:
    // "从Word导入" on the tab of `bank` with `file` in the open dialog; the preview, when it
    // comes, is read into `preview` and answered with "导入" (accept) or "取消".
    void Import(Bank bank, const QString& file, bool accept = true) {
        prompts.fileAnswers.enqueue(file);
        // The office is the timer's context: a row whose file never reaches the preview
        // leaves the timer pending, and it must die with this harness.
        QTimer::singleShot(0, office, [this, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->objectName() != u"WordImportPreview") return;
            shown = true;
            const auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("WordQuestions"));
            for (int r = 0; r < list->topLevelItemCount(); ++r) {
                QStringList cells;
                for (int c = 0; c < list->columnCount(); ++c)
                    cells << list->topLevelItem(r)->text(c);
                preview.questions << cells.join(u'|');
            }
            const auto* lines = dialog->findChild<QTreeWidget*>(QStringLiteral("WordUnplaced"));
            for (int r = 0; r < lines->topLevelItemCount(); ++r)
                preview.unplaced << lines->topLevelItem(r)->text(0) + u' ' +
                                        lines->topLevelItem(r)->text(1);
            preview.summary = dialog->findChild<QLabel*>(QStringLiteral("WordSummary"))->text();
            dialog
                ->findChild<QPushButton*>(accept ? QStringLiteral("WordImportOk")
                                                 : QStringLiteral("WordImportCancel"))
                ->click();
        });
        const BankTraits& traits = TraitsOf(bank);
        auto* pages = office->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        pages->setCurrentWidget(office->findChild<QWidget*>(traits.tabName));
        QTest::mouseClick(Button(traits.tabName + QStringLiteral("Word")), Qt::LeftButton);
    }

    Preview preview;
    bool shown = false;
};

}  // namespace

class WordImportTest : public QObject {
    Q_OBJECT
  private slots:
    void documentFillsTheBanksItsHeadingsName();
    void refusedFilesChangeNothing_data();
    void refusedFilesChangeNothing();
    void refusedWriteTakesEveryBankBack();
    void banksStopAtTheirLimitsAndHoldWhatTheyCan();
};

void WordImportTest::documentFillsTheBanksItsHeadingsName() {
    TestWorkdir dir;
    WordHarness h;
    const QString fourth = dir.Rows(QStringLiteral("Select * from Test where TestID=4")).value(0);
    const QString file = Fixture(QStringLiteral("questions_python.docx"));
    // From the subjective tab: the headings decide, not the tab.
    h.Import(Bank::Subjective, file);
    QVERIFY(h.shown);
    QVERIFY(h.WorkdirKept());
    QCOMPARE(h.prompts.Errors(), QStringList());
    QCOMPARE(h.prompts.Messages(), QStringList{u"已从文档导入 8 题。"_qs});

    // The preview: every question, its picture count, what needs attention, the lines left over.
    QCOMPARE(h.preview.questions.size(), 8);
    QVERIFY2(
        h.preview.questions[0].startsWith(
            u"单项选择题|1|4|如图所示，窗口右上角的按钮是（　）。 [图片]|最小化|最大化|关闭|还原|C|2|1 张|"_qs),
        qPrintable(h.preview.questions[0]));
    QVERIFY2(h.preview.questions[3].contains(u"|1（未写）|"_qs),
             qPrintable(h.preview.questions[3]));
    QVERIFY(
        h.preview.questions[6].endsWith(u"第 31 段的公式在文档中没有图片，只读出了它的文字"_qs));
    QVERIFY(h.preview.unplaced.contains(u"35 解析：此行不属于任何一题的内容。"_qs));
    QVERIFY2(
        h.preview.summary.contains(u"单项选择题：第 1–3 题换成文档中的 3 题，第 4–50 题不变。"_qs),
        qPrintable(h.preview.summary));
    QVERIFY(h.preview.summary.contains(u"图片 3 张"_qs));

    // Stored: pictures once each, their markers where the document shows them.
    const QStringList hashes = dir.Rows(QStringLiteral("Select Hash from Tupian"));
    QCOMPARE(hashes.size(), 3);
    const QString first = dir.Scalar(QStringLiteral("Select Request from Test where TestID=1"));
    QCOMPARE(WithoutPictures(first, u"#"_qs), u"如图所示，窗口右上角的按钮是（　）。\n#"_qs);
    QCOMPARE(
        WithoutPictures(dir.Scalar(QStringLiteral("Select Cxx from Test where TestID=2")), u"#"_qs),
        u"#Ctrl+X"_qs);
    {
        Database db(kDatabasePath);
        for (const QString& text :
             {first, dir.Scalar(u"Select Request from KaoShi3 where TestID=2"_qs)}) {
            const QStringList referred = PictureHashes(text);
            QCOMPARE(referred.size(), 1);
            const auto picture = ReadPicture(db, referred[0]);
            QVERIFY(picture && PictureHash(picture->bytes) == referred[0]);
            QCOMPARE(picture->format, u"png"_qs);
        }
    }
    QCOMPARE(dir.Rows(QStringLiteral("Select * from Test where TestID=4")).value(0), fourth);
    QCOMPARE(dir.Rows(QStringLiteral("Select * from KaoShi2")),
             QStringList{u"1|下列属于输入设备的是|键盘|鼠标|显示器|扫描仪|ABD|1"_qs});
    QCOMPARE(
        dir.Scalar(QStringLiteral("Select DDx||'/'||Score||'/'||Axx from KaoShi3 where TestID=1")),
        u"错/2/正确"_qs);
    QCOMPARE(dir.Rows(QStringLiteral("Select * from KaoShi4 order by TestID")),
             (QStringList{u"1|写出公式 E=mc² 的含义。"_qs, u"2|简述操作系统的作用。"_qs}));
    // Every tab the import changed is listed anew.
    QCOMPARE(h.ListedRows(Exchange::MultiChoice).size(), 1);
    QCOMPARE(h.ListedRows(Exchange::Subjective).size(), 2);

    // Again: nothing doubles.
    const QStringList before = Banks(dir);
    h.Import(Bank::MultiChoice, file);
    QCOMPARE(Banks(dir), before);
}

void WordImportTest::refusedFilesChangeNothing_data() {
    QTest::addColumn<QString>("file");  // "broken", "empty": made here
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("preview");
    QTest::newRow("legacy .doc") << Fixture(u"questions_writer.doc"_qs)
                                 << u"请在 Word 或 WPS 中另存为 .docx"_qs << false;
    QTest::newRow("cut short") << u"broken"_qs << u"已损坏或不完整"_qs << false;
    QTest::newRow("no question") << u"empty"_qs << u"中没有找到试题"_qs << false;
    QTest::newRow("preview cancelled") << Fixture(u"questions_writer.docx"_qs) << QString() << true;
}

void WordImportTest::refusedFilesChangeNothing() {
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(bool, preview);
    TestWorkdir dir;
    if (file == u"broken") {
        QByteArray bytes = FileBytes(Fixture(u"questions_writer.docx"_qs));
        bytes.chop(bytes.size() / 3);
        file = dir.Path() + u"/断了.docx"_qs;
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
    } else if (file == u"empty") {
        file = dir.Path() + u"/说明.docx"_qs;
        WriteZip(file,
                 {{u"word/document.xml"_qs,
                   "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/"
                   "2006/main\"><w:body><w:p><w:r><w:t>考试须知：请带好文具。</w:t></w:r></w:p>"
                   "</w:body></w:document>"},
                  {u"[Content_Types].xml"_qs, "<Types/>"}});
    }
    WordHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList before = Banks(dir);
    h.Import(Bank::TrueFalse, file, false);
    QCOMPARE(h.shown, preview);
    if (preview) {
        QCOMPARE(h.prompts.Errors() + h.prompts.Messages(), QStringList());
    } else {
        QCOMPARE(h.prompts.Errors().size(), 1);
        const QString shown = h.prompts.Errors().first();
        QVERIFY2(shown.contains(message) && shown.endsWith(u"数据库中的数据没有改动。"_qs),
                 qPrintable(shown));
    }
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(Banks(dir), before);
}

void WordImportTest::refusedWriteTakesEveryBankBack() {
    TestWorkdir dir;
    // The third single-choice question is refused after the pictures and two questions went in.
    dir.RefuseWrites(u"refuse"_qs, u"Update"_qs, u"Test"_qs, u"new.TestID=3"_qs, u"refused"_qs);
    WordHarness h;
    const QByteArray bytes = FileBytes(dir.DatabaseFile());
    const QStringList before = Banks(dir);
    h.Import(Bank::SingleChoice, Fixture(u"questions_writer.docx"_qs));
    QVERIFY(h.shown);
    QCOMPARE(h.prompts.Errors().size(), 1);
    const QString shown = h.prompts.Errors().first();
    QVERIFY2(shown.startsWith(u"写入数据库时出错："_qs) && shown.contains(u"refused"_qs),
             qPrintable(shown));
    QCOMPARE(FileBytes(dir.DatabaseFile()), bytes);
    QCOMPARE(Banks(dir), before);
}

void WordImportTest::banksStopAtTheirLimitsAndHoldWhatTheyCan() {
    // Twelve subjective questions: the bank takes ten, the preview shows the two left out.
    WordDocument document;
    document.paragraphs << DocumentParagraph{1, u"四、简答题"_qs, {}, false, false};
    for (int i = 1; i <= 12; ++i)
        document.paragraphs << DocumentParagraph{
            i + 1, QStringLiteral("%1. 第%1题").arg(i), {}, false, false};
    const QuestionDocument parsed = ParseQuestions(document, QuestionBank::kSingle);
    const ImportPlan plan = PlanImport(parsed);
    QCOMPARE(plan.banks.size(), 1);
    QCOMPARE(plan.banks[0].rows.size(), kSubjectiveLimit);
    QCOMPARE(plan.banks[0].rows.last(), (QStringList{u"10"_qs, u"第10题"_qs}));
    QCOMPARE(plan.leftOut, (QList<int>{10, 11}));

    // A picture the banks cannot hold stays "[图片]"; marks' characters typed into the document
    // refer to nothing.
    WordDocument odd;
    odd.pictures << DocumentPicture{u"a.emf"_qs, "EMF", 3, u"emf"_qs, "00"};
    odd.paragraphs << DocumentParagraph{
        1,
        u"1. 甲"_qs + kPictureMark + QChar(kPictureOpen) + u"乙"_qs + QChar(kPictureClose),
        {0},
        false,
        false};
    const ImportPlan oddPlan = PlanImport(ParseQuestions(odd, QuestionBank::kSubjective));
    QCOMPARE(oddPlan.banks[0].rows[0], (QStringList{u"1"_qs, u"甲[图片]乙"_qs}));
    QVERIFY(oddPlan.pictures.isEmpty());
}

QTEST_MAIN(WordImportTest)
#include "WordImportTest.moc"
