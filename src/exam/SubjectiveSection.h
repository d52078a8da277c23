// The subjective section: questions answered in free text, saved on request into the signed-in
// candidate's row (Tt1..Tt10) and read back from there whenever a question is shown.
#pragma once

#include "exam/ExamSection.h"

class QLabel;

class SubjectiveSection : public ExamSection {
    Q_OBJECT
  public:
    SubjectiveSection(const SectionData& data, ExamState& state, SectionHost& host, QObject* owner);

    QLabel* QuestionLabel(int n) const { return labels_[size_t(n - 1)]; }

    // "保  存": store the answer memo as typed into the column of the question shown.
    void SaveSubjectiveAnswer();

  protected:
    void BuildContents() override;
    // The number panel and the question text beside it.
    void ShowSlot(int n) override;
    void ShowRowDetails(const ResultTable& row) override;
    // LoadSubjectiveQuestion's second half: the saved answer into MeRequest.
    void Restore(int n) override;
    void ClearSheet() override;
    void LoadSlot(const ResultTable& row, int n) override;

  private:
    // The answer box changed: a draft of the question shown, unless the change is its loading.
    void AnswerEdited();

    std::vector<QString> requests_;  // question N's text, as the set-up read it
    std::vector<QLabel*> labels_;
    QPlainTextEdit* answer_ = nullptr;
    int answerOf_ = 0;      // the question (the bank's TestID) whose answer the box holds
    bool loading_ = false;  // the box is being filled with a saved answer or a draft
};
