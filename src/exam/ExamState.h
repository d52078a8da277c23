// What the parts of the exam window share: the counts and points of the paper, the points earned,
// the question shown last, the candidate and the duration. One instance lives as long as the
// window.
#pragma once

#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"
#include "data_store/Schema.h"
#include "record/PaperOrder.h"
#include "ui_common/PictureShelf.h"

#include <QString>

// The four sections of the paper, in the order of their section buttons.
enum Section { kSingleChoice = 0, kMultiChoice = 1, kTrueFalse = 2, kSubjective = 3 };
inline constexpr int kSectionCount = 4;
inline constexpr int kObjectiveSections = 3;

struct ExamState {
    // The paper the exam shows: the sitting's frozen copy of the banks.
    FrozenPaper Paper;
    // The pictures its texts refer to, read with it.
    PictureShelf Pictures;
    // The candidate's order of it. The answer sheet, the number panels, the answer cells and the
    // slots below are by the candidate's numbers and letters; what is recorded or saved is by the
    // bank's TestID and letters.
    PaperOrder Order;
    QString SingleTableName;  // always "KaoShi"
    int SingleCount = 0;
    int MultiCount = 0;
    int TrueFalseCount = 0;
    int SubjectiveCount = 0;

    QString CurrentNoText;  // number (in the candidate's order) of the question loaded last
    int CurrentNo = 0;

    // Slot N holds question N (slot 0 is unused); 0 beyond a section's count.
    double SingleScore[kSingleChoiceLimit + 1] = {};
    double MultiScore[kMultiChoiceLimit + 1] = {};
    double TrueFalseScore[kTrueFalseLimit + 1] = {};
    double SingleEarned[kSingleChoiceLimit + 1] = {};
    double MultiEarned[kMultiChoiceLimit + 1] = {};
    double TrueFalseEarned[kTrueFalseLimit + 1] = {};

    double FullMarks = 0;
    double AchievedScore = 0;

    QString CandidateNo;  // the sign-in window's number box, untrimmed
    QString ScoreText;    // AchievedScore as text while it is saved
    QString ExamTimeText;
    QString FieldScratch;           // the last column text read, before conversion
    QString SubjectiveCandidateNo;  // re-read from the main window by the subjective section

    // The ticked letters of the multiple-choice question shown, and their concatenation.
    QString MultiPickA, MultiPickB, MultiPickC, MultiPickD;
    QString MultiAnswer;

    // The question count of an objective or subjective section, and its point and earned slots.
    int& Count(int section);
    int Count(int section) const;
    double& ScoreSlot(int section, int n);
    double& EarnedSlot(int section, int n);

    // Re-adds every point slot into FullMarks and every earned slot into AchievedScore, in slot
    // order: single-choice 1..50, multiple-choice 1..20, true/false 1..20.
    void SumScores();
};

// The student number as the key of a statement comparing Xuehao with a bare numeral: bound as an
// integer. A number that is empty or no whole number raises the access layer's error, as the
// statement with nothing (or no numeral) after "Xuehao=" would.
SqlValue CandidateKey(const QString& number);
