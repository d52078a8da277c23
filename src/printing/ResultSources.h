// Where the printed results come from: every read of the database behind the result sheet and
// the class list is one of the functions below (the analysis report prints what the analysis tab
// read through ReadRecordedExam). The paper is the one the candidate's sitting froze, or the banks
// as they stand for a candidate who sat none.
#pragma once

#include "data_store/FrozenPaper.h"
#include "printing/ResultDocuments.h"
#include "record/ExamRecord.h"

class Database;

// The questions of a paper: each section's questions by number, at most the section's limit, with
// their texts (and options), keys and points. Nothing answered or earned.
std::vector<SheetQuestion> SheetPaper(const FrozenPaper& paper);

// Every candidate in the candidates' list order, with the scores as stored and the state of their
// latest attempt in the sitting a proctor looks at (the open one, else the latest).
ClassListData ReadClassList(Database& db);

// The result sheet of the candidate with `studentNo` (as stored): the paper with the answers,
// keys and points of their latest attempt, the subjective answers the grading reads, the scores.
// None when no candidate has that number.
std::optional<ResultSheetData> ReadResultSheet(Database& db, const QString& studentNo);

// The school's name for the pages' header, as the back office set it (empty: none).
QString ReadSchoolName(Database& db);

// 答题中, 中断, 已交卷, 已超时, or 未考 without an attempt: a candidate's state as the room view
// and the printed results show it, silence measured on the sitting's clock.
QString AttemptStateText(const std::optional<AttemptRow>& attempt, qint64 sittingClock);
