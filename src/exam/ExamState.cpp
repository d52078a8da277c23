#include "exam/ExamState.h"

#include "data_store/Conversions.h"

int& ExamState::Count(int section) {
    switch (section) {
        case kSingleChoice:
            return SingleCount;
        case kMultiChoice:
            return MultiCount;
        case kTrueFalse:
            return TrueFalseCount;
        default:
            return SubjectiveCount;
    }
}

int ExamState::Count(int section) const {
    return const_cast<ExamState*>(this)->Count(section);
}

double& ExamState::ScoreSlot(int section, int n) {
    switch (section) {
        case kSingleChoice:
            return SingleScore[n];
        case kMultiChoice:
            return MultiScore[n];
        default:
            return TrueFalseScore[n];
    }
}

double& ExamState::EarnedSlot(int section, int n) {
    switch (section) {
        case kSingleChoice:
            return SingleEarned[n];
        case kMultiChoice:
            return MultiEarned[n];
        default:
            return TrueFalseEarned[n];
    }
}

void ExamState::SumScores() {
    FullMarks = 0;
    AchievedScore = 0;
    for (int n = 1; n <= kSingleChoiceLimit; ++n)
        FullMarks += SingleScore[n];
    for (int n = 1; n <= kMultiChoiceLimit; ++n)
        FullMarks += MultiScore[n];
    for (int n = 1; n <= kTrueFalseLimit; ++n)
        FullMarks += TrueFalseScore[n];
    for (int n = 1; n <= kSingleChoiceLimit; ++n)
        AchievedScore += SingleEarned[n];
    for (int n = 1; n <= kMultiChoiceLimit; ++n)
        AchievedScore += MultiEarned[n];
    for (int n = 1; n <= kTrueFalseLimit; ++n)
        AchievedScore += TrueFalseEarned[n];
}

SqlValue CandidateKey(const QString& number) {
    int value = 0;
    if (!TryStrToInt(number, &value))
        throw DatabaseError(
            QStringLiteral("Error executing SQL statement: '%1' is no student number").arg(number));
    return qint64(value);
}
