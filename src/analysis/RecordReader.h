// Reading the exam record (Kaoshijilu, Datijilu) of one sitting, against the paper the sitting
// froze (Shijuan), into a RecordedExam.
#pragma once

#include "analysis/RecordedExam.h"

#include <QString>

#include <vector>

class Database;
class FrozenPaper;
struct SittingRow;

// A sitting as the analysis offers it: its id and "name（date it opened）".
struct SittingChoice {
    qint64 id = 0;
    QString caption;
};
QString SittingCaption(const SittingRow& sitting);

// Every sitting, the latest opened first. None when the database has no record yet.
std::vector<SittingChoice> RecordedSittings(Database& db);

// The questions of a paper as the exam shows them: each section's questions numbered 1 up to its
// limit, by section and number, with the paper's points and key.
std::vector<RecordedQuestion> PaperQuestions(const FrozenPaper& paper);

// The record of sitting `sitting`: per candidate the latest attempt there (highest Cishu) that has
// ended (handed in or timed out); with `includeInProgress` the latest attempt whatever its state.
// The questions are those of the sitting's frozen paper, whether anybody saw them or not; a row of
// the record gives a candidate's answer and points earned, never a question's points or key. The
// candidates' names come from the candidates' list.
RecordedExam ReadRecordedExam(Database& db, qint64 sitting, bool includeInProgress);

// A text that changes whenever a sitting opens or ends, an attempt starts or ends or an answer is
// recorded: the tab analyses again only when it changed. Empty when the database has no record.
QString RecordVersion(Database& db);
