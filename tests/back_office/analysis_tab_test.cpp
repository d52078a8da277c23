// "成绩分析": the tab over the record on a real database file, its plain lines for the empty and
// odd cases, the exam drop-down, a question's text, and the exported workbook read back by
// ReadSheet and by LibreOffice.
#include "OfficeFixture.h"
#include "analysis/RecordReader.h"
#include "back_office/AnalysisSheets.h"
#include "back_office/AnalysisTab.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/SimulatedRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTextEdit>
#include <QtTest>

class AnalysisTabTest : public QObject {
    Q_OBJECT

    struct Tab : OfficeFixture {
        Tab() : OfficeFixture("TabAnalysis") {}
        QString Notice() const { return Find<QLabel>("AnalysisNotice")->text(); }
        QString Figure(int line) const { return List("AnalysisSummary")->Cell(line, 1); }
        // An attempt of `exam` with one answer to single-choice question 1 (key A, 2 points).
        void Attempt(int id, int student, const QString& exam, int state, const QString& answer,
                     qint64 started = 100) const {
            dir.Sql(QStringLiteral("INSERT INTO Kaoshijilu (JiluID,Xuehao,Cishu,ExamID,Kaishi,"
                                   "Huodong,Shengyu,Zhuangtai) VALUES (%1,%2,1,'%3',%4,0,0,%5);"
                                   "INSERT INTO Datijilu (JiluID,Bufen,TestID,Daan,Fenzhi,"
                                   "Biaozhun,Defen,Gengxin) VALUES (%1,1,1,'%6',2,'A',%7,0)")
                        .arg(id)
                        .arg(student)
                        .arg(exam)
                        .arg(started)
                        .arg(state)
                        .arg(answer)
                        .arg(answer == QStringLiteral("A") ? 2 : 0));
        }
    };

  private slots:
    void emptyAndOddCases() {
        Tab tab;
        QCOMPARE(tab.Notice(), QStringLiteral("还没有考试记录。"));
        QCOMPARE(tab.Figure(0), QStringLiteral("0"));
        QCOMPARE(tab.Figure(2), QStringLiteral("—"));
        tab.Click("AnalysisExport");
        QCOMPARE(tab.prompts.Texts(), QStringList({QStringLiteral("没有可导出的分析。")}));

        tab.Attempt(1, 110101, QStringLiteral("1"), 0, QStringLiteral("A"));
        tab.Click("AnalysisRefresh");
        QCOMPARE(tab.Notice(), QStringLiteral("本场考试还没有考生交卷。"));
        tab.Find<QCheckBox>("AnalysisInProgress")->setChecked(true);
        QCOMPARE(tab.Notice(), QStringLiteral("只有一名考生：没有标准差、区分度、相关和信度。 "
                                              "其中 1 人尚未交卷。"));
        QCOMPARE(tab.Figure(2), QStringLiteral("2"));
        QCOMPARE(tab.Figure(4), QStringLiteral("—"));

        // Two candidates with the same total by different answers.
        tab.Attempt(2, 110102, QStringLiteral("1"), 1, QStringLiteral("A"));
        tab.Click("AnalysisRefresh");
        QCOMPARE(tab.Notice(), QStringLiteral("所有考生的成绩相同：区分度、相关和信度无法计算，"
                                              "显示为“—”。 其中 1 人尚未交卷。"));
        QCOMPARE(OfficeFixture::Rows(tab.List("AnalysisQuestions")),
                 QStringList({QStringLiteral("单选|1|2|100%|—|—|2|0|0|0|0|2|A|是")}));
        QVERIFY(tab.prompts.Errors().isEmpty());
    }

    // The latest exam comes first and is analysed; the other is a pick away. A question the bank
    // no longer has shows what the record holds.
    void examChoiceAndQuestionText() {
        Tab tab;
        tab.Attempt(1, 110101, QStringLiteral("期中"), 1, QStringLiteral("A"), 100);
        tab.Attempt(2, 110102, QStringLiteral("期末"), 1, QStringLiteral("B"), 200);
        tab.Attempt(3, 110103, QStringLiteral("期末"), 2, QString(), 200);
        tab.Click("AnalysisRefresh");
        auto* exams = tab.Find<QComboBox>("AnalysisExam");
        QCOMPARE(exams->currentText(), QStringLiteral("期末"));
        QCOMPARE(tab.Figure(0), QStringLiteral("2"));
        QCOMPARE(tab.Figure(2), QStringLiteral("0"));
        QTest::keyClick(exams, Qt::Key_Down);
        QCOMPARE(exams->currentText(), QStringLiteral("期中"));
        QCOMPARE(tab.Figure(0), QStringLiteral("1"));
        // The paper had 3 questions; the record knows only the one shown.
        tab.dir.Sql(QStringLiteral("UPDATE Kaoshijilu SET Tishu=3 WHERE JiluID=1"));
        tab.Click("AnalysisRefresh");  // keeps the chosen exam
        QCOMPARE(exams->currentText(), QStringLiteral("期中"));
        QCOMPARE(tab.Notice(), QStringLiteral("只有一名考生：没有标准差、区分度、相关和信度。 "
                                              "试卷共 3 题，其中 2 题没有考生看过，不计入满分。"));
        // The look for changes runs only while the tab is on screen.
        auto* pages = tab.window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QVERIFY(tab.Find<QTimer>("AnalysisPoll")->isActive());
        pages->setCurrentIndex(0);
        QVERIFY(!tab.Find<QTimer>("AnalysisPoll")->isActive());
        pages->setCurrentIndex(pages->count() - 1);

        auto* text = tab.Find<QTextEdit>("AnalysisQuestionText");
        OfficeFixture::ClickRow(tab.List("AnalysisQuestions"), 0);
        QVERIFY2(text->toPlainText().contains(QStringLiteral("标准答案：")),
                 qPrintable(text->toPlainText()));
        tab.dir.Sql(QStringLiteral("DELETE FROM Test WHERE TestID=1"));
        OfficeFixture::ClickRow(tab.List("AnalysisQuestions"), 0);
        QCOMPARE(text->toPlainText(),
                 QStringLiteral("单选 第 1 题\n题库中已没有这道题；以下是考试记录中的答案和分值。\n"
                                "记录中的答案：A　分值：2"));
    }

    // Every cell as written (numbers in the general format) comes back from ReadSheet; LibreOffice
    // reads the numbers as numbers and the texts as texts.
    void exportedWorkbook() {
        Tab tab;
        SimulatedClass simulated;
        simulated.candidates = 12;
        {
            Database db(kDatabasePath);
            FillRecord(db, simulated);
        }
        tab.Click("AnalysisRefresh");
        const QString path = tab.dir.Path() + QStringLiteral("/成绩分析.xlsx");
        tab.prompts.fileAnswers << path;
        tab.Click("AnalysisExport");
        QVERIFY(tab.prompts.shown.size() == 1 && tab.prompts.Errors().isEmpty());

        Database db(kDatabasePath);
        const RecordedExam record = ReadRecordedExam(db, QStringLiteral("1"), false);
        const QList<SheetData> sheets = AnalysisWorkbook(record, Analyse(record));
        QCOMPARE(sheets[2].rows.size(), 12);  // the heading and the 11 who handed in
        for (const SheetData& sheet : sheets) {
            SheetCells expected;
            for (const auto& row : sheet.rows) {
                QStringList texts;
                for (const CellValue& cell : row)
                    texts << (std::holds_alternative<double>(cell)
                                  ? FormatGeneral(std::get<double>(cell))
                                  : std::get<QString>(cell));
                expected << texts;
            }
            const SheetCells read = ReadSheet(path, sheet.name).Rows();
            for (int r = 0; r < expected.size(); ++r)
                QCOMPARE(read[r].mid(0, expected[r].size()), expected[r]);
        }

        const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (office.isEmpty()) QSKIP("LibreOffice (soffice) is not installed");
        QProcess convert;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), tab.dir.Path());
        convert.setProcessEnvironment(environment);
        // CSV of every sheet (-1), UTF-8, text cells quoted and number cells not (tokens 7 and 8).
        convert.start(office, {QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                               QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true,"
                                              "true,false,false,false,-1"),
                               QStringLiteral("--outdir"), tab.dir.Path(), path});
        QVERIFY(convert.waitForFinished(120000));
        const auto csv = [&](const QString& sheet) {
            QFile file(tab.dir.Path() + QStringLiteral("/成绩分析-%1.csv").arg(sheet));
            if (!file.open(QIODevice::ReadOnly)) return QStringList();
            return QString::fromUtf8(file.readAll()).split(u'\n');
        };
        const QStringList summary = csv(QStringLiteral("概况"));
        QVERIFY2(summary.size() > 2, qPrintable(QString::fromUtf8(convert.readAllStandardError())));
        QCOMPARE(summary[1], QStringLiteral("\"人数\",11"));
        const QStringList answers = csv(QStringLiteral("答题明细"));
        QVERIFY(
            answers[1].startsWith(QStringLiteral("110101,\"%1\",").arg(record.candidates[0].name)));
        QVERIFY(csv(QStringLiteral("题目分析"))[1].startsWith(QStringLiteral("\"单选\",1,1,")));
    }
};

QTEST_MAIN(AnalysisTabTest)
#include "analysis_tab_test.moc"
