// The exam record of one exam as plain data: the questions of the paper with the points and keys
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
    double points = 0;  // Fenzhi: the points the candidates were scored against
    QString key;        // Biaozhun: the key they were scored against
};

struct RecordedAnswer {
    QString answer;  // Daan: "A".."D", letters such as "AC", "对"/"错", subjective text; "" none
    double earned = 0;  // Defen
};

struct CandidateRecord {
    qint64 studentNo = 0;
    QString name;       // from the candidates' list; "" when the candidate is no longer there
    bool ended = true;  // false: an attempt still in progress
    // One per RecordedExam::questions, in the same order; a question without a record row has an
    // empty answer and earned nothing.
    std::vector<RecordedAnswer> answers;
};

struct RecordedExam {
    std::vector<RecordedQuestion> questions;  // by section, then number
    std::vector<CandidateRecord> candidates;  // by student number
    // The questions the paper had (the largest Kaoshijilu.Tishu of the counted attempts): more
    // than `questions` holds when some question was shown to none of them, so the record cannot
    // say what it was worth.
    int paperQuestions = 0;
};

// A candidate's total: the points earned on the objective questions of the record (the sum of
// Defen, which is the attempt's Chengji once the attempt has ended, and is also defined for an
// attempt still in progress).
double ObjectiveTotal(const RecordedExam& record, const CandidateRecord& candidate);
// The full marks: the sum of the recorded points of the objective questions.
double FullMarks(const RecordedExam& record);
