// The exam record of one sitting as plain data: the questions of its paper with the points and keys
// the candidates were scored against, and per counted candidate the answer and the points earned on
// each of them. The statistics (Statistics.h) take nothing else.
#pragma once

#include <QString>

#include <vector>

// The sections as the record numbers them (Datijilu.Bufen).
enum class RecordSection { SingleChoice = 1, MultiChoice = 2, TrueFalse = 3, Subjective = 4 };

inline bool IsObjective(int section) {
    return section >= 1 && section <= 3;
}

// 单选, 多选, 判断, 主观 (the number itself outside 1..4).
QString SectionName(int section);

struct RecordedQuestion {
    int section = 1;    // Bufen, 1..4
    int number = 1;     // TestID: the question's number in its bank
    double points = 0;  // the paper's points: what the candidates were scored against
    QString key;        // the paper's key
};

struct RecordedAnswer {
    QString answer;  // Daan: "A".."D", letters such as "AC", "对"/"错", subjective text; "" none
    double earned = 0;      // Defen
    bool recorded = false;  // the attempt has a row for the question: it was at least shown
};

struct CandidateRecord {
    qint64 studentNo = 0;
    QString name;       // from the candidates' list; "" when the candidate is no longer there
    bool ended = true;  // false: an attempt still in progress
    // One per RecordedExam::questions, in the same order; a question without a record row (never
    // shown) has an empty answer and earned nothing.
    std::vector<RecordedAnswer> answers;
};

struct RecordedExam {
    std::vector<RecordedQuestion> questions;  // the paper's, by section, then number
    std::vector<CandidateRecord> candidates;  // by student number
};

// The objective questions no counted candidate was shown (they count in the full marks all the
// same: every candidate earned nothing on them).
int UnseenObjectiveQuestions(const RecordedExam& record);

// A candidate's total: the points earned on the objective questions of the record (the sum of
// Defen, which is the attempt's Chengji once the attempt has ended, and is also defined for an
// attempt still in progress).
double ObjectiveTotal(const RecordedExam& record, const CandidateRecord& candidate);
// The full marks: the sum of the paper's points of its objective questions.
double FullMarks(const RecordedExam& record);
