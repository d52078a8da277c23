// "成绩分析": the results of one sitting from the exam record, against its frozen paper: the
// summary, the distribution of the totals, one row per question, and "导出分析" to a workbook. The
// figures come from src/analysis.
#pragma once

#include "analysis/Statistics.h"
#include "back_office/OfficeTab.h"
#include "ui_common/Prompts.h"

class QCheckBox;
class QChartView;
class QComboBox;
class QLabel;
class QPushButton;
class QTextEdit;
class QTimer;
class ReportList;

class AnalysisTab : public OfficeTab {
    Q_OBJECT
  public:
    AnalysisTab(Prompts& prompts, QWidget* parent);

    // Lists the sittings (keeping the chosen one while it is there) and analyses it.
    void Refresh() override;
    // The chosen sitting or "包括未交卷" changed: analyse again.
    void Analyse();
    // "导出分析": the three sheets to a workbook named in the save dialog.
    void ExportClick();
    // "打印预览" / "导出PDF": the summary, the chart and the question table on paper.
    void PrintClick(bool preview);
    // A click on a question row: its text and options from the bank, the paper's key and points.
    void QuestionsClick();

  protected:
    // The tab reads the record only while it is on screen; the periodic check stops when hidden.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void ShowSummary();
    void ShowChart();
    void ShowQuestions();
    // What the record looks like now: counted rows and latest changes; a change means re-analyse.
    QString Fingerprint() const;
    void Poll();

    WindowPrompts prompts_;
    QComboBox* exams_ = nullptr;
    QCheckBox* inProgress_ = nullptr;
    QPushButton* refresh_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* pdf_ = nullptr;
    QLabel* notice_ = nullptr;
    ReportList* summary_ = nullptr;
    QChartView* chart_ = nullptr;
    ReportList* questions_ = nullptr;
    QTextEdit* questionText_ = nullptr;
    QTimer* poll_ = nullptr;

    RecordedExam record_;
    QStringList notes_;
    ExamStatistics statistics_;
    QString fingerprint_;
};
