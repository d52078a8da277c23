// Reading the exam record (Kaoshijilu, Datijilu) of one exam into an RecordedExam.
#pragma once

#include "analysis/RecordedExam.h"

#include <QStringList>

class Database;

// The exams that have attempts in the record (Kaoshijilu.ExamID), the one whose latest attempt
// started last first. None when the database has no record yet.
QStringList RecordedExams(Database& db);

// The record of exam `examId`: per candidate the latest attempt (highest Cishu) that has ended
// (handed in or timed out); with `includeInProgress` the latest attempt whatever its state.
// The questions are those with a row in any counted attempt, with the points and key of their
// most recently changed row; the candidates' names come from the candidates' list.
RecordedExam ReadRecordedExam(Database& db, const QString& examId, bool includeInProgress);

// A text that changes whenever an attempt starts or ends or an answer is recorded: the tab
// analyses again only when it changed. Empty when the database has no record yet.
QString RecordVersion(Database& db);
