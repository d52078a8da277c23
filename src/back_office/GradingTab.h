// "教师阅卷": a teacher reads each candidate's free-text answers question by question, enters
// whole-number marks and stores the subjective score (Chengji1) and the total (Chengji2).
#pragma once

#include "back_office/OfficeTab.h"
#include "data_store/Schema.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class ColorLabel;
#include "ui_common/Prompts.h"
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ReportList;

// What the set-up reads: the texts of the subjective questions 1..questions, and the candidate
// list. An error leaves it as far as it got: `questionsRead` false when it stopped among the
// questions (their mark boxes stay hidden), `rowsRead` false when it stopped before the list.
struct GradingSetUp {
    int questions = 0;
    std::array<QString, kSubjectiveLimit> texts;
    bool questionsRead = false;
    bool rowsRead = false;
    std::vector<QStringList> rows;
};

class GradingTab : public OfficeTab {
    Q_OBJECT
  public:
    GradingTab(Prompts& prompts, QWidget* parent);
    // Set-up when the back office is created: question texts, panels, mark boxes, the list. An
    // access-layer error stops it and leaves the tab as far as it got.
    void SetUp();
    // The set-up in two halves, for a back office whose tabs are built after it read: reading
    // (into `setUp`, as far as it gets before an error) and showing what was read.
    static void ReadSetUp(GradingSetUp& setUp);
    void ShowSetUp(const GradingSetUp& setUp);

  private:
    // "刷新" (hidden): fill the candidate list from the candidate table.
    void Butg1Click();
    // The teacher clicks in the candidate list: choose that candidate.
    void ListView7Click();
    // The teacher clicks number panel `n` (1..10): show question n and the chosen candidate's
    // answer.
    void PgClick(int n);
    // "标识本题": mark the chosen question.
    void Butg10Click();
    // "保存": store the subjective and total scores of the chosen candidate.
    void Butg9Click();

    static std::vector<QStringList> ReadRows();
    void ShowRows(const std::vector<QStringList>& rows);
    void BuildCandidateArea();
    void BuildMarksArea(QWidget* panel);

    WindowPrompts prompts_;
    ReportList* listView7_ = nullptr;
    QLineEdit* edg1_ = nullptr;
    QLineEdit* edg2_ = nullptr;
    std::array<ColorLabel*, kSubjectiveLimit> pg_{};
    std::array<QLabel*, kSubjectiveLimit> labgg_{};
    std::array<QLineEdit*, kSubjectiveLimit> edgg_{};
    QPlainTextEdit* memott1_ = nullptr;
    QPlainTextEdit* memoTt_ = nullptr;

    std::array<QString, kSubjectiveLimit> GradingQuestionText;
    QString GradingCandidateNo;
    std::array<QString, kSubjectiveLimit> GradingAnswer;
    QString GradingObjectiveText;
    QString GradingQuestionNo;
    qint64 SubjectiveMarks = 0;
    double TotalMarks = 0;
};
