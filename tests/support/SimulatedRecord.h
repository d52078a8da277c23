// A simulated class in the exam record, for the analysis tests, its benchmark and screenshots.
#pragma once

#include <QString>

class Database;

struct SimulatedClass {
    int candidates = 40;
    int single = 50;  // questions of each section, numbered 1..n in their banks (the
                      // single-choice bank holds 50 rows whatever the class sits)
    int multi = 10;
    int trueFalse = 10;
    int subjective = 2;
    unsigned seed = 1;
    QString examId = QStringLiteral("1");
    QString sittingName = QStringLiteral("模拟考试");
    qint64 firstStudentNo = 110101;
    bool fillBanks = true;  // also make the banks hold these questions (and the others none)
    int inProgress = 1;     // the last this many candidates are still writing
};

// Opens a sitting of the banks (filled first, when asked), adds the candidates to Userxinxi and
// one handed-in attempt each in that sitting (a few timed out, the last ones still in progress) to
// the record. Candidates differ in ability and questions in difficulty, so
// the totals spread; single-choice question 3's recorded key is one nobody picks when right.
void FillRecord(Database& db, const SimulatedClass& simulated);
