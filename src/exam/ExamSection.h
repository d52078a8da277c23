// What every section of the paper does alike: its answer sheet (a scroll box of number panels and
// answer cells), its group box, showing a question by number panel, "上一题", "下一题" and
// "标识本题". The sections differ only in what they show of a question row and how they restore an
// answer (ObjectiveSection, SubjectiveSection).
#pragma once

#include "data_store/Database.h"
#include "exam/SectionTable.h"

#include <QObject>

#include <functional>
#include <unordered_map>
#include <vector>

class ColorLabel;
class Database;
class ExamRecorder;
class QGroupBox;
class QPlainTextEdit;
class QRect;
class QScrollArea;
class QTextBrowser;
class QWidget;
class ResultTable;

// The window around the sections.
class SectionHost {
  public:
    virtual ~SectionHost() = default;
    // Makes the group box of `section` visible and hides the other three.
    virtual void ShowSection(int section) = 0;
    // Writes the objective score into the candidate's row.
    virtual void SaveScore() = 0;
    // The student number in the main window's status bar.
    virtual QString SignedInNumber() const = 0;
    // Where the candidate's acts are recorded.
    virtual ExamRecorder& Recorder() = 0;
};

class ExamSection : public QObject {
    Q_OBJECT
  public:
    ExamSection(const SectionData& data, ExamState& state, SectionHost& host, QObject* owner);

    // Builds the group box and the answer sheet on `content` (the window's panel zz1), showing
    // what the set-up has loaded so far.
    void Build(QWidget* content);
    bool Built() const { return box_ != nullptr; }

    const SectionData& Data() const { return data_; }
    QGroupBox* Box() const { return box_; }
    QScrollArea* Grid() const { return grid_; }
    ColorLabel* NumberPanel(int n) const { return panels_[size_t(n - 1)]; }

    // Counts the section of the paper and loads what the set-up keeps of questions
    // 1..min(count, limit), showing their number panels (once built).
    void LoadPaper();
    void HideNumberPanels();
    // A new candidate in the same window: every panel light sky blue, nothing answered.
    virtual void ClearSheet();

    // Number panel N clicked: this section's box, question N.
    void PanelClick(int n);
    // "上一题" / "下一题" / "标识本题".
    void PreClick();
    void NextClick();
    void MarkClick();

    bool InGrid(int n) const { return n >= 1 && n <= data_.limit; }
    // The section's number in the exam record (1..4).
    int RecordSection() const { return data_.section + 1; }

  protected:
    // The bank's TestID of question N of the candidate's paper (N itself in the paper's order).
    int Bank(int n) const { return state_.Order.BankQuestion(RecordSection(), n); }
    // The rows of question N in the paper (none when the section has no such question), made once
    // per paper.
    const ResultTable& Question(int n);
    // Takes the question row's number in the candidate's order into CurrentNoText and shows the
    // caption and whatever else the section shows of the row.
    void ShowQuestion(const ResultTable& row);
    // Places "上一题", "下一题", "标识本题" (and "保  存") on a small panel of the box; the fourth
    // label runs `fourth`.
    void BuildNavigation(int x, int y, int width, const std::function<void()>& fourth = {});
    // Opens picture `hash` of the paper at full size above the window.
    void EnlargePicture(const QString& hash);

    // The section's own controls in its box and answer sheet.
    virtual void BuildContents() = 0;
    // Shows what the set-up loaded of question N: its number panel, and whatever else.
    virtual void ShowSlot(int n);
    virtual void ShowRowDetails(const ResultTable& row) = 0;
    // Brings the answer of question N (in the grid) back into the answer controls.
    virtual void Restore(int n) = 0;
    // Keeps what the set-up reads of question N.
    virtual void LoadSlot(const ResultTable& row, int n) = 0;
    const SectionData& data_;
    ExamState& state_;
    SectionHost& host_;
    QGroupBox* box_ = nullptr;
    QScrollArea* grid_ = nullptr;
    QWidget* sheet_ = nullptr;  // the grid's contents: number panels and answer cells
    QPlainTextEdit* memo_ = nullptr;
    std::vector<ColorLabel*> panels_;

  private:
    // A caption with pictures: shown with them in a view over the memo (made the first time), the
    // memo keeping the words.
    void ShowPictureCaption(const QString& caption);
    // Back to the memo alone.
    void HidePictureCaption();
    QTextBrowser* pictureCaption_ = nullptr;
    int loaded_ = 0;  // questions 1..loaded_ loaded by the set-up, their number panels shown
    std::unordered_map<int, ResultTable> questions_;  // by bank TestID, of the paper loaded
    void Step(int delta);
    void Scroll(int pixels);
};

// A memo for question captions: read-only; a disabled one (no scrolling, no selecting) still shows
// its text at full contrast.
QPlainTextEdit* MakeQuestionMemo(QWidget* parent, const QString& name, const QRect& geometry,
                                 bool disabled);
