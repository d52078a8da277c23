// The single-choice, multiple-choice and true/false sections: one class serving all three from
// their rows of the section table. The answer sheet's cells are the only record of the answers;
// each pick or tick recolours the row of the question shown and rescores it at once.
#pragma once

#include "exam/ExamSection.h"

class QAbstractButton;
class QLabel;
class PictureLabel;

class ObjectiveSection : public ExamSection {
    Q_OBJECT
  public:
    ObjectiveSection(const SectionData& data, ExamState& state, SectionHost& host, QObject* owner)
        : ExamSection(data, state, host, owner) {}

    ColorLabel* Cell(int n, int k) const {
        return cells_[size_t((n - 1) * data_.cellCount + k - 1)];
    }

    // Exam start: question 1 into the display, its number panel lime, its earned points 0.
    void LoadFirstQuestion();

    // Answer control k (1 = "A" / "对") clicked: record and score the answer.
    void ChoiceClick(int k);

    // A resumed exam: row N's cells as the recorded answer (in the bank's letters) shows them,
    // scored against the paper's key (not the recorded points: the paper is the sitting's,
    // whatever the record says).
    void RestoreAnswer(int n, const QString& answer);
    void ClearSheet() override;

  protected:
    void BuildContents() override;
    void ShowRowDetails(const ResultTable& row) override;
    void Restore(int n) override;
    void LoadSlot(const ResultTable& row, int n) override;

  private:
    // Scores answer control k whenever the candidate changes it, by whatever route.
    void ConnectChoice(QAbstractButton* choice, int k);
    // Sets the answer controls to the cells of row N; no cell of row N blue (or N 0) clears them.
    void SetChoices(int n);
    // Option k's text with pictures: the words in its label, the pictures after them, each
    // fitted into the option's row.
    void ShowPictureOption(int k, const QString& text);

    std::vector<ColorLabel*> cells_;
    QAbstractButton* choices_[4] = {};
    QLabel* options_[4] = {};
    std::vector<PictureLabel*> optionPictures_[4];  // made as an option first needs them
    QLabel* key_ = nullptr;
    int pressed_ = 0;  // the answer control under a press that has not ended, 0 when none
};
