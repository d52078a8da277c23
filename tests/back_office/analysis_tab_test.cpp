// "成绩分析": the tab over the record on a real database file, its plain lines for the empty and
// odd cases, the sittings' drop-down, a question's text, and the exported workbook read back by
// ReadSheet and by LibreOffice.
#include "OfficeFixture.h"
#include "analysis/RecordReader.h"
#include "back_office/AnalysisSheets.h"
#include "back_office/AnalysisTab.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "record/Sitting.h"
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
        // A sitting of a paper of single-choice questions worth 2, key A, opened at `at`.
        qint64 Sitting(const QString& name, qint64 at, int questions = 1) const {
            dir.Sql(
                QStringLiteral("DELETE FROM Test; DELETE FROM KaoShi2; DELETE FROM KaoShi3; "
                               "DELETE FROM KaoShi4; UPDATE Changci SET Jieshu=Kaishi"));
            for (int q = 1; q <= questions; ++q)
                dir.Sql(
                    QStringLiteral("INSERT INTO Test (TestID,Request,Axx,Bxx,Cxx,Dxx,DDx,Score) "
                                   "VALUES (%1,'题目%1','甲','乙','丙','丁','A','2')")
                        .arg(q));
            Database db(kDatabasePath);
            return record::OpenNewSitting(db, name, 3600, QStringLiteral("admin"), at).id;
        }
        // An attempt in `sitting` with a row for single-choice question 1: `answer`, or only shown
        // when it is empty.
        void Attempt(int id, int student, qint64 sitting, int state, const QString& answer) const {
            dir.Sql(QStringLiteral("INSERT INTO Kaoshijilu (JiluID,Xuehao,Cishu,ExamID,Kaishi,"
                                   "Huodong,Shengyu,Zhuangtai,ChangciID) VALUES (%1,%2,1,'1',0,0,0,"
                                   "%3,%4);"
                                   "INSERT INTO Datijilu (JiluID,Bufen,TestID,Daan,Fenzhi,"
                                   "Biaozhun,Defen,Gengxin) VALUES (%1,1,1,'%5',%6,'%7',%8,0)")
                        .arg(id)
                        .arg(student)
                        .arg(state)
                        .arg(sitting)
                        .arg(answer)
                        .arg(answer.isEmpty() ? 0 : 2)
                        .arg(answer.isEmpty() ? QString() : QStringLiteral("A"))
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

        const qint64 sitting = tab.Sitting(QStringLiteral("期末"), 1'800'000'000);
        tab.Attempt(1, 110101, sitting, 0, QStringLiteral("A"));
        tab.Click("AnalysisRefresh");
        QCOMPARE(tab.Notice(), QStringLiteral("本场考试还没有考生交卷。"));
        tab.Find<QCheckBox>("AnalysisInProgress")->setChecked(true);
        QCOMPARE(tab.Notice(), QStringLiteral("只有一名考生：没有标准差、区分度、相关和信度。 "
                                              "其中 1 人尚未交卷。"));
        QCOMPARE(tab.Figure(2), QStringLiteral("2"));
        QCOMPARE(tab.Figure(4), QStringLiteral("—"));

        // Two candidates with the same total by different answers.
        tab.Attempt(2, 110102, sitting, 1, QStringLiteral("A"));
        tab.Click("AnalysisRefresh");
        QCOMPARE(tab.Notice(), QStringLiteral("所有考生的成绩相同：区分度、相关和信度无法计算，"
                                              "显示为“—”。 其中 1 人尚未交卷。"));
        QCOMPARE(OfficeFixture::Rows(tab.List("AnalysisQuestions")),
                 QStringList({QStringLiteral("单选|1|2|100%|—|—|2|0|0|0|0|2|A|是")}));
        QVERIFY(tab.prompts.Errors().isEmpty());
    }

    // The latest sitting comes first and is analysed; the other is a pick away. Its paper is the
    // frozen one: a question nobody saw counts in the full marks, and the question's text and key
    // stay as they were when the bank changes.
    void sittingChoiceAndQuestionText() {
        Tab tab;
        const qint64 first = tab.Sitting(QStringLiteral("期中"), 1'790'000'000, 2);
        tab.Attempt(1, 110101, first, 1, QStringLiteral("A"));
        const qint64 second = tab.Sitting(QStringLiteral("期末"), 1'800'000'000);
        tab.Attempt(2, 110102, second, 1, QStringLiteral("B"));
        tab.Attempt(3, 110103, second, 2, QString());
        tab.Click("AnalysisRefresh");
        auto* exams = tab.Find<QComboBox>("AnalysisExam");
        const auto date = [](qint64 at) {
            return QDateTime::fromSecsSinceEpoch(at).toString(QStringLiteral("yyyy-MM-dd"));
        };
        QCOMPARE(exams->currentText(), QStringLiteral("期末（%1）").arg(date(1'800'000'000)));
        QCOMPARE(tab.Figure(0), QStringLiteral("2"));
        QCOMPARE(tab.Figure(2), QStringLiteral("0"));
        QTest::keyClick(exams, Qt::Key_Down);
        QCOMPARE(exams->currentText(), QStringLiteral("期中（%1）").arg(date(1'790'000'000)));
        QCOMPARE(tab.Figure(0), QStringLiteral("1"));
        QCOMPARE(tab.Figure(1), QStringLiteral("4"));
        tab.Click("AnalysisRefresh");  // keeps the chosen sitting
        QCOMPARE(exams->currentText(), QStringLiteral("期中（%1）").arg(date(1'790'000'000)));
        QCOMPARE(tab.Notice(), QStringLiteral("只有一名考生：没有标准差、区分度、相关和信度。 "
                                              "试卷中有 1 道客观题没有考生看过，仍按试卷的分值计入"
                                              "满分。"));
        // The look for changes runs only while the tab is on screen.
        auto* pages = tab.window.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QVERIFY(tab.Find<QTimer>("AnalysisPoll")->isActive());
        pages->setCurrentIndex(0);
        QVERIFY(!tab.Find<QTimer>("AnalysisPoll")->isActive());
        pages->setCurrentIndex(pages->count() - 1);

        tab.dir.Sql(QStringLiteral("DELETE FROM Test"));
        auto* text = tab.Find<QTextEdit>("AnalysisQuestionText");
        OfficeFixture::ClickRow(tab.List("AnalysisQuestions"), 1);
        QVERIFY2(text->toPlainText().startsWith(QStringLiteral("单选 第 2 题\n")) &&
                     text->toPlainText().contains(QStringLiteral("题目2")) &&
                     text->toPlainText().contains(QStringLiteral("标准答案：A")),
                 qPrintable(text->toPlainText()));
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
        tab.Find<QCheckBox>("AnalysisInProgress")->setChecked(true);
        const QString path = tab.dir.Path() + QStringLiteral("/成绩分析.xlsx");
        tab.prompts.fileAnswers << path;
        tab.Click("AnalysisExport");
        QVERIFY(tab.prompts.shown.size() == 1 && tab.prompts.Errors().isEmpty());

        Database db(kDatabasePath);
        const RecordedExam record = ReadRecordedExam(db, RecordedSittings(db).front().id, true);
        const QString sitting = tab.Find<QComboBox>("AnalysisExam")->currentText();
        // 概况 names the sitting and carries the tab's notice.
        const QStringList notes = {QStringLiteral("其中 1 人尚未交卷。")};
        QCOMPARE(tab.Notice(), notes.join(u' '));
        const QList<SheetData> sheets = AnalysisWorkbook(sitting, notes, record, Analyse(record));
        QCOMPARE(sheets[0].rows.last(), (QList<CellValue>{QStringLiteral("说明"), notes[0]}));
        QCOMPARE(sheets[2].rows.size(), 13);  // the heading and the 12 candidates
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
        QCOMPARE(summary[2], QStringLiteral("\"人数\",12"));
        const QStringList answers = csv(QStringLiteral("答题明细"));
        QVERIFY(
            answers[1].startsWith(QStringLiteral("110101,\"%1\",").arg(record.candidates[0].name)));
        QVERIFY(csv(QStringLiteral("题目分析"))[1].startsWith(QStringLiteral("\"单选\",1,1,")));
    }
};

QTEST_MAIN(AnalysisTabTest)
#include "analysis_tab_test.moc"
