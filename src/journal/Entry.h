// What the journal holds: every act of the exam that reaches the record, each with its attempt,
// the owner token it was done under and a sequence number of that owner. Applying an entry to the
// database is idempotent: the record keeps, per attempt, the owner and the last sequence applied
// (table Rizhi, written in the transaction of the entries' effects), and an entry at or below it
// is skipped. Every apply proves the owner first, so a stale writer never writes.
#pragma once

#include "record/ExamRecord.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

class Database;

namespace journal {

enum class Kind {
    Answer = 1,    // a question's row: a pick, a showing, a mark, a draft
    Position = 2,  // the question on screen
    Saved = 3,     // a subjective answer saved: the candidate's Tt column and the question's row
    Score = 4,     // the running score ("下一题")
    Life = 5,      // a sign of life with the time left
    End = 6,       // hand-in or time-out, with the score
};

struct Entry {
    Kind kind = Kind::Answer;
    qint64 attempt = 0;
    QString owner;
    qint64 seq = 0;
    qint64 studentNo = 0;  // the candidate (Saved, Score, End)
    qint64 sitting = 0;    // the attempt's sitting (Life)
    AnswerRow row;         // Answer, Saved
    int section = 0;       // Position
    int question = 0;      // Position; Saved: the number of the Tt column
    QString text;          // Saved: the saved text; Score, End: the score as the candidate's row
                           // keeps it
    double score = 0;      // End: the objective score
    AttemptState state = AttemptState::InProgress;  // End
    int secondsLeft = 0;                            // Life, End
    int extraSeconds = 0;                           // Life: the time given this workstation knew of
    qint64 clock = 0;  // Life: the sitting's clock as this workstation measures it
    qint64 now = 0;    // Life, End: the workstation's wall clock (kept, never compared)
};

QByteArray Encode(const Entry& entry);
std::optional<Entry> Decode(const QByteArray& bytes);

// A mark in the journal: the owner's entries of the attempt are done with up to `seq` (applied,
// or refused because the owner had lost the attempt).
struct Mark {
    qint64 attempt = 0;
    QString owner;
    qint64 seq = 0;
};
QByteArray EncodeMark(const Mark& mark);
std::optional<Mark> DecodeMark(const QByteArray& bytes);

// The table of the last sequence applied per attempt (Rizhi) is part of the schema: a database of
// an older version is brought up to date first.
void EnsureAppliedTable(Database& db);
// Entries of one attempt and one owner, in order, applied in one transaction that proves the
// owner first; entries already applied are skipped. `unshipped` is what the workstation still
// holds after these (kept with the mark for the other workstations to see). Raises AttemptLost
// (nothing written) or DatabaseError. Returns the answer of the last sign of life applied.
std::optional<record::Life> Apply(Database& db, const std::vector<Entry>& entries, int unshipped);
// What the record holds of the attempt's journal: the owner whose entries were applied last, up
// to which sequence, and how many its workstation still held then.
struct Applied {
    QString owner;
    qint64 seq = 0;
    int unshipped = 0;
};
Applied AppliedOf(Database& db, qint64 attempt);

}  // namespace journal
