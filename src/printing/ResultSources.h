// Where the printed results come from: every read of the database behind the result sheet and
// the class list is one of the functions below (the analysis report prints what the analysis tab
// read through ReadRecordedExam). The paper is the four banks as they stand today; a frozen paper
// replaces ReadPaper and nothing else.
#pragma once

#include "printing/ResultDocuments.h"
#include "record/ExamRecord.h"

class Database;

// The questions of the paper: the single-choice, multiple-choice, true/false and subjective
// banks by number, at most each section's limit, with their texts (and options), keys and points.
// Nothing answered or earned.
std::vector<SheetQuestion> ReadPaper(Database& db);

// Every candidate in the candidates' list order, with the scores as stored and the state of the
// latest attempt at `now` (seconds since 1970).
ClassListData ReadClassList(Database& db, qint64 now);

// The result sheet of the candidate with `studentNo` (as stored): the paper with the answers,
// keys and points of their latest attempt, the subjective answers the grading reads, the scores.
// None when no candidate has that number.
std::optional<ResultSheetData> ReadResultSheet(Database& db, const QString& studentNo, qint64 now);

// The school's name for the pages' header. No setting holds one yet: empty.
QString ReadSchoolName(Database& db);

// 答题中, 中断, 已交卷, 已超时, or 未考 without an attempt: a candidate's state as the room view
// and the printed results show it.
QString AttemptStateText(const std::optional<AttemptRow>& attempt, qint64 now);
