// One classroom workstation acted out in its own process against the shared database: a candidate
// taking the exam (questions read, the score saved on every "下一题", subjective answers of a few
// KB saved, with the exam's statements and its binding of the student number), or the back office
// refreshing its candidate list. Each action is one handler: its own connection, its statements,
// then the connection goes, as the windows do it.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <map>
#include <vector>

// What a workstation process is told on its command line.
struct WorkstationPlan {
    int index = 0;              // candidate number 0..N-1 (unused by the back office)
    int busyTimeoutMs = 10000;  // 0: no busy timeout at all
    qint64 startAtMs = 0;       // wall-clock start (ms since the epoch), the same for every process
    int seconds = 3;            // how long to act
    quint32 seed = 1;
    // With the exam record: every candidate signs in at the start and picks within the same 200 ms
    // of each 2 s (the worst case), instead of at a moment of their own.
    bool inStep = false;
};

// What it reports back on its standard output when it ends.
struct WorkstationReport {
    int statements = 0;
    int failed = 0;
    int retried = 0;  // tries the database did not answer, made again (sign-ins, the writer's)
    int saves = 0;    // score and answer saves that succeeded
    // The sequence number of the last successful save of the score and of answers 1..3 (-1: none).
    qint64 lastScore = -1;
    std::array<qint64, 3> lastAnswer{-1, -1, -1};
    std::vector<qint64> latenciesUs;  // one per statement, failed ones included
    QString firstFailure;
    // With the exam record: the last answer recorded for each single-choice question picked.
    std::map<int, QChar> picks;

    QByteArray Serialize() const;
    static WorkstationReport Parse(const QByteArray& line);
};

// The candidate rows of the load: student number and the texts their saves store.
QString CandidateNumber(int index);
QString ScoreText(qint64 sequence);
QString AnswerText(int index, int question, qint64 sequence);

// Adds `count` candidates to the database, numbered so that the first refresh renumbers them all.
void AddCandidates(const QString& fileName, int count);

// The acts; both work on the database in the working directory and return when the time is up.
WorkstationReport ActCandidate(const WorkstationPlan& plan);
WorkstationReport ActOffice(const WorkstationPlan& plan);

// With the exam record: a candidate signs in (the attempt begins) at a moment of the first 2 s of
// their own, picks an answer to a random single-choice question every 2 s from then on (the answer
// row's write, timed as one pick), and writes a sign of life every 5 s; the back office's room view
// reads the record every 3 s.
WorkstationReport ActExaminee(const WorkstationPlan& plan);
WorkstationReport ActRoomView(const WorkstationPlan& plan);
// The picks of the examinees' reports that are not in their attempts' records.
int LostPicks(const QString& fileName, const std::vector<WorkstationReport>& examinees);

// Compares the database with the candidates' last successful saves: the number of saves that are
// not there (each candidate's score and answers 1..3 count one each).
int LostSaves(const QString& fileName, const std::vector<WorkstationReport>& candidates);
