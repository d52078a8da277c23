// Printed results: ranks with ties, and the three PDFs written from the back office over a
// simulated class, their text read back with pdftotext; the preview lays out the same pages.
#include "../back_office/OfficeFixture.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SharedSettings.h"
#include "printing/ResultDocuments.h"
#include "support/SimulatedRecord.h"

#include <QApplication>
#include <QComboBox>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

class PrintTest : public QObject {
    Q_OBJECT

    // The back office on `tab` over a simulated class of `candidates`.
    struct Office : OfficeFixture {
        Office(const char* tab, int candidates) : OfficeFixture(tab) {
            SimulatedClass simulated;
            simulated.candidates = candidates;
            Database db(kDatabasePath);
            db.RunStatement(QStringLiteral("DELETE FROM Userxinxi"));
            FillRecord(db, simulated);
        }
        // Clicks `button` answering the save dialog with a file in the working directory; the
        // PDF's text (pages `first`..`last`, 0: all) with its layout kept.
        QString Pdf(const char* button, int first = 0, int last = 0) {
            const QString path = dir.Path() + QStringLiteral("/out.pdf");
            QFile::remove(path);
            prompts.fileAnswers << path;
            Click(button);
            return Text(path, first, last);
        }
        static QString Text(const QString& path, int first = 0, int last = 0) {
            QStringList args = {QStringLiteral("-layout")};
            if (first > 0) args << "-f" << QString::number(first) << "-l" << QString::number(last);
            QProcess process;
            process.start(QStringLiteral("pdftotext"), args << path << QStringLiteral("-"));
            process.waitForFinished(30000);
            return QString::fromUtf8(process.readAllStandardOutput());
        }
    };

    // A line of the text whose words, blanks collapsed, read `words`.
    static bool HasLine(const QString& text, const QString& words) {
        for (const QString& line : text.split(u'\n'))
            if (line.simplified() == words) return true;
        return false;
    }

  private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
    }

    void ranksShareTies() {
        QCOMPARE(Ranks({90.0, 80.0, 90.0, std::nullopt, 70.0, 80.0}),
                 std::vector<int>({1, 3, 1, 0, 5, 3}));
        // The total once graded, else the objective score; text that is no number ranks not.
        QCOMPARE(RankedScore({"1", "a", "50", "", "", ""}), std::optional<double>(50));
        QCOMPARE(RankedScore({"1", "a", "50", "7", "57", ""}), std::optional<double>(57));
        QCOMPARE(RankedScore({"1", "a", "", "", "", ""}), std::nullopt);
    }

    // 120 candidates run over pages: every page carries the school, the captions, its number and
    // the date.
    void classList() {
        Office office("TabSheet1", 120);
        office.dir.Sql(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) VALUES "
                           "(200,'990001','新同学')"));
        {
            Database db(kDatabasePath);
            settings::Write(db, settings::kSchoolName, QStringLiteral("澄溪县第一中学"));
        }
        const QString all = office.Pdf("ClassListPdf");
        // Without an attempt: no score, no rank.
        QVERIFY(HasLine(all, QStringLiteral("990001 新同学 未考")));
        QVERIFY(all.contains(QStringLiteral("成绩表：模拟考试")));
        QVERIFY(all.contains(QStringLiteral("共121名考生")));
        const int pages = int(all.count(u'\f'));
        QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
        for (int page = 1; page <= pages; ++page) {
            const QString text =
                Office::Text(office.dir.Path() + QStringLiteral("/out.pdf"), page, page);
            QVERIFY(text.contains(QStringLiteral("学号")));
            QVERIFY(text.contains(QStringLiteral("澄溪县第一中学")));  // the header
            QVERIFY(text.contains(QStringLiteral("第%1页，共%2页").arg(page).arg(pages)));
            QVERIFY(text.contains(QDate::currentDate().toString(Qt::ISODate)));
        }
        // Every candidate with the scores as stored, a rank, the state.
        Database db(kDatabasePath);
        auto rows = db.OpenQuery(QStringLiteral("SELECT * FROM Userxinxi ORDER BY UserID"));
        QCOMPARE(rows->RowCount(), 121);
        for (; !rows->AtEnd(); rows->MoveNext()) {
            const QString number = rows->Value(QStringLiteral("Xuehao"));
            const QString line = all.split(u'\n').filter(number).value(0).simplified();
            QVERIFY2(line.startsWith(number + u' ' + rows->Value(QStringLiteral("Xingmin")) + u' ' +
                                     rows->Value(QStringLiteral("Chengji"))),
                     qPrintable(line));
        }
        // The last candidate's attempt is in progress, silent since the simulated day.
        QVERIFY(all.contains(QStringLiteral("中断")));
        QCOMPARE(office.prompts.Texts(), QStringList({QStringLiteral("PDF文档(*.pdf)")}));
    }

    void resultSheet() {
        Office office("TabSheet1", 6);
        office.Click("ResultSheetPdf");
        QCOMPARE(office.prompts.Texts(),
                 QStringList({QStringLiteral("请先在列表中选择一名考生。")}));
        office.prompts.Clear();

        office.Click("Button4");
        OfficeFixture::ClickRow(office.List("ListView3"), 2);
        // A question since deleted from its bank prints as the sitting froze it (its line is
        // checked with the others below).
        office.dir.Sql(QStringLiteral("DELETE FROM KaoShi2 WHERE TestID=10"));
        const QString text = office.Pdf("ResultSheetPdf");
        Database db(kDatabasePath);
        auto candidate = db.OpenQuery(QStringLiteral("SELECT * FROM Userxinxi WHERE Xuehao=?"),
                                      {QStringLiteral("110103")});
        QVERIFY(text.contains(QStringLiteral("学号：110103")));
        QVERIFY(
            text.contains(QStringLiteral("姓名：") + candidate->Value(QStringLiteral("Xingmin"))));
        QVERIFY(text.contains(QStringLiteral("客观成绩：") +
                              candidate->Value(QStringLiteral("Chengji"))));
        // Each objective question with the candidate's answer, the key, the points and the earned.
        auto answers = db.OpenQuery(QStringLiteral(
            "SELECT d.* FROM Datijilu d JOIN Kaoshijilu k ON k.JiluID=d.JiluID WHERE k.Xuehao="
            "110103 AND d.Bufen<4"));
        QVERIFY(answers->RowCount() > 20);
        static const QString sections[] = {QString(), QStringLiteral("单选"),
                                           QStringLiteral("多选"), QStringLiteral("判断")};
        for (; !answers->AtEnd(); answers->MoveNext()) {
            const QString name =
                sections[answers->Value(QStringLiteral("Bufen")).toInt()] +
                QStringLiteral(" 第%1题").arg(answers->Value(QStringLiteral("TestID")));
            const QString line = text.split(u'\n').filter(name + u' ').value(0).simplified();
            QVERIFY2(line.startsWith(name), qPrintable(name));
            QString answer = answers->Value(QStringLiteral("Daan"));
            if (answer.isEmpty()) answer = QStringLiteral("未答");
            QVERIFY2(line.endsWith(QStringList({answer, answers->Value(QStringLiteral("Biaozhun")),
                                                answers->Value(QStringLiteral("Fenzhi")),
                                                answers->Value(QStringLiteral("Defen"))})
                                       .join(u' ')),
                     qPrintable(line));
        }
        // The subjective answers the grading reads, with the grade given.
        QVERIFY(text.contains(QStringLiteral("主观 第1题：简述第1题。")));
        QVERIFY(
            text.contains(QStringLiteral("考生答案：") + candidate->Value(QStringLiteral("Tt1"))));
        QVERIFY(text.contains(QStringLiteral("阅卷得分 ") +
                              candidate->Value(QStringLiteral("Chengji1"))));
        QCOMPARE(office.prompts.Texts(), QStringList({QStringLiteral("PDF文档(*.pdf)")}));
    }

    void analysisReport() {
        {
            OfficeFixture empty("TabAnalysis");
            empty.Click("AnalysisPdf");
            QCOMPARE(empty.prompts.Texts(), QStringList({QStringLiteral("没有可导出的分析。")}));
        }
        Office office("TabAnalysis", 40);
        office.Click("AnalysisRefresh");
        const QString text = office.Pdf("AnalysisPdf");
        // The sitting as the drop-down names it.
        QVERIFY(text.contains(QStringLiteral("成绩分析：%1")
                                  .arg(office.Find<QComboBox>("AnalysisExam")->currentText())));
        const ReportList* summary = office.List("AnalysisSummary");
        QVERIFY(HasLine(
            text,
            QStringLiteral("人数 %1 最高分 %2").arg(summary->Cell(0, 1), summary->Cell(5, 1))));
        QVERIFY(HasLine(
            text,
            QStringLiteral("平均分 %1 及格率 %2").arg(summary->Cell(2, 1), summary->Cell(7, 1))));
        const ReportList* questions = office.List("AnalysisQuestions");
        for (int r = 0; r < questions->RowCount(); ++r)
            QVERIFY2(HasLine(text, questions->Row(r).join(u' ').simplified()),
                     qPrintable(questions->Row(r).join(u' ')));
        QVERIFY(text.contains(QStringLiteral("第1页，共")));
        QCOMPARE(office.prompts.Texts(), QStringList({QStringLiteral("PDF文档(*.pdf)")}));
    }

    // The preview lays out the pages the PDF holds; a file that cannot be written is one box.
    void previewAndFailure() {
        Office office("TabSheet1", 120);
        const int pages = int(office.Pdf("ClassListPdf").count(u'\f'));
        int shown = -1;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            auto* preview = dialog ? dialog->findChild<QPrintPreviewWidget*>() : nullptr;
            if (preview) {
                preview->updatePreview();
                shown = preview->pageCount();
            }
            if (dialog) dialog->close();
        });
        office.Click("ClassListPreview");
        QCOMPARE(shown, pages);

        office.prompts.fileAnswers << office.dir.Path() + QStringLiteral("/no/such/folder/out.pdf");
        office.Click("ClassListPdf");
        QCOMPARE(office.prompts.Errors().size(), 1);
        QVERIFY(office.prompts.Errors()[0].startsWith(QStringLiteral("导出失败：无法写入文件 ")));
    }
};

QTEST_MAIN(PrintTest)
#include "print_test.moc"
