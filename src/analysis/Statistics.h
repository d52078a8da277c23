// Statistics of one exam from its record: the summary of the totals, the distribution in ten bands
// of the full marks, and the item analysis of every objective question. Plain data in, plain
// numbers out; a figure that is not defined for the class at hand (no candidate, one candidate,
// no spread, a question worth nothing) is an empty optional, never NaN.
#pragma once

#include "analysis/RecordedExam.h"

#include <array>
#include <optional>
#include <vector>

struct ScoreSummary {
    int candidates = 0;            // 人数
    double fullMarks = 0;          // 满分
    std::optional<double> mean;    // 平均分
    std::optional<double> median;  // 中位数
    // 标准差（总体）: the population standard deviation (divided by the number of candidates): the
    // class is the whole group described, not a sample of a larger one. Needs two candidates;
    // exactly 0 when the totals are the same (the figures that need a spread are then none).
    std::optional<double> standardDeviation;
    std::optional<double> highest;   // 最高分
    std::optional<double> lowest;    // 最低分
    std::optional<double> passRate;  // 及格率: share with a total of 60 % of full marks or more
    std::optional<double> excellentRate;  // 优秀率: share with 85 % or more
    // Cronbach's alpha of the objective questions (KR-20 when every question is scored right or
    // wrong): k/(k-1) * (1 - sum of item variances / variance of the totals), over the questions
    // worth points. Needs two candidates, two such questions and totals that differ.
    std::optional<double> reliability;
};

// Choices counted per question: [0..3] A..D for the choice sections (a multiple-choice answer
// counts once under each of its letters), [0] 对 and [1] 错 for true/false.
using ChoiceCounts = std::array<int, 4>;

struct QuestionStatistics {
    RecordedQuestion question;
    // Mean of earned / points over the candidates (答对率); none for a question worth nothing.
    std::optional<double> facility;
    // Upper-minus-lower index: mean earned / points in the best 27 % of the class less that in the
    // weakest 27 % (each group round(0.27 n) places, at least one; candidates tied at a group's
    // boundary share the places left there equally). Needs two candidates whose totals differ.
    std::optional<double> discrimination;
    // 点二列相关（校正）: correlation of the points earned on the question with the rest of the
    // objective total (the total less this question). None when either does not vary or every total
    // is the same.
    std::optional<double> pointBiserial;
    ChoiceCounts choices{};
    int blank = 0;     // candidates without an answer
    int answered = 0;  // candidates with an answer (what subjective questions show)
    // To be looked at again: facility below 0.2 or above 0.95, or discrimination below 0.2.
    bool flagged = false;
};

inline constexpr int kScoreBands = 10;

struct ExamStatistics {
    ScoreSummary summary;
    std::vector<double> totals;  // per candidate, in the record's order
    // Candidates per tenth of the full marks: band b holds totals from b/10 up to (b+1)/10 of the
    // full marks, the last one the full marks too. All zero when the full marks are zero.
    std::array<int, kScoreBands> bands{};
    std::vector<QuestionStatistics> questions;  // in the record's order, subjective ones included
};

ExamStatistics Analyse(const RecordedExam& record);

// Thresholds of the summary and the flags.
inline constexpr double kPassShare = 0.60;
inline constexpr double kExcellentShare = 0.85;
inline constexpr double kGroupShare = 0.27;
inline constexpr double kTooHard = 0.20;
inline constexpr double kTooEasy = 0.95;
inline constexpr double kWeakDiscrimination = 0.20;
