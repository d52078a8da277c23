#include "record/Sitting.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"

#include <QDateTime>

namespace {

SittingRow ReadSitting(const ResultTable& table) {
    SittingRow row;
    row.id = table.Value(QStringLiteral("ChangciID")).toLongLong();
    row.name = table.Value(QStringLiteral("Mingcheng"));
    row.durationSeconds = int(table.Value(QStringLiteral("Shichang")).toLongLong());
    row.openedAt = table.Value(QStringLiteral("Kaishi")).toLongLong();
    row.openedBy = table.Value(QStringLiteral("KaishiRen"));
    const QString ended = table.Value(QStringLiteral("Jieshu"));
    if (!ended.isEmpty()) row.endedAt = ended.toLongLong();
    row.endedBy = table.Value(QStringLiteral("JieshuRen"));
    row.clock = table.Value(QStringLiteral("Shizhong")).toLongLong();
    row.shuffled = table.Value(QStringLiteral("Luanxu")).toLongLong() != 0;
    return row;
}

std::vector<SittingRow> ReadSittings(ResultTable& table) {
    std::vector<SittingRow> rows;
    for (; !table.AtEnd(); table.MoveNext())
        rows.push_back(ReadSitting(table));
    return rows;
}

void WriteAudit(Database& db, const AuditRow& row) {
    db.RunStatement(
        QStringLiteral("INSERT INTO Jiankao (ChangciID, JiluID, Xuehao, Caozuo, "
                       "Canshu, Ren, Shijian) VALUES (?,?,?,?,?,?,?)"),
        {row.sitting, row.attempt ? SqlValue(*row.attempt) : SqlValue(nullptr),
         row.studentNo ? SqlValue(qint64(*row.studentNo)) : SqlValue(nullptr), row.action,
         row.amount ? SqlValue(*row.amount) : SqlValue(nullptr), row.by, row.at});
}

// Ends an attempt still in progress as a time-out does: scored from its recorded answers, the
// score stored as the candidate's too. Returns false when it had ended already.
bool EndByProctor(Database& db, const AttemptRow& attempt, AttemptState state, qint64 now) {
    const double score =
        db.OpenQuery(QStringLiteral("SELECT COALESCE(SUM(Defen), 0.0) AS Score FROM Datijilu "
                                    "WHERE JiluID=? AND Bufen<4"),
                     {attempt.id})
            ->Value(QStringLiteral("Score"))
            .toDouble();
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Zhuangtai=?, Chengji=?, Jieshu=? WHERE "
                                   "JiluID=? AND Zhuangtai=0"),
                    {qint64(state), score, now, attempt.id});
    if (db.ChangedRows() != 1) return false;
    db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                    {FormatGeneral(score), qint64(attempt.studentNo)});
    return true;
}

AttemptRow InProgress(Database& db, qint64 attemptId) {
    std::optional<AttemptRow> attempt = record::Attempt(db, attemptId);
    if (!attempt || !attempt->InProgress()) throw AttemptLost(LossReason::Collected);
    return *attempt;
}

std::vector<AttemptRow> AttemptsInProgress(Database& db, qint64 sitting) {
    std::vector<AttemptRow> attempts;
    auto table = db.OpenQuery(
        QStringLiteral("SELECT JiluID FROM Kaoshijilu WHERE ChangciID=? AND Zhuangtai=0"),
        {sitting});
    std::vector<qint64> ids;
    for (; !table->AtEnd(); table->MoveNext())
        ids.push_back(table->Value(QStringLiteral("JiluID")).toLongLong());
    for (qint64 id : ids)
        attempts.push_back(*record::Attempt(db, id));
    return attempts;
}

}  // namespace

SittingAlreadyOpen::SittingAlreadyOpen(const QString& name)
    : std::runtime_error(name.toStdString()), name_(name) {}

QString SittingAlreadyOpen::Message() const {
    return QStringLiteral("“%1”尚未结束，请先结束本场。").arg(name_);
}

namespace record {

std::optional<SittingRow> OpenSitting(Database& db) {
    auto table = db.OpenQuery(QStringLiteral(
        "SELECT * FROM Changci WHERE Jieshu IS NULL ORDER BY ChangciID DESC LIMIT 1"));
    if (table->RowCount() == 0) return std::nullopt;
    return ReadSitting(*table);
}

std::optional<SittingRow> Sitting(Database& db, qint64 id) {
    auto table = db.OpenQuery(QStringLiteral("SELECT * FROM Changci WHERE ChangciID=?"), {id});
    if (table->RowCount() == 0) return std::nullopt;
    return ReadSitting(*table);
}

std::vector<SittingRow> Sittings(Database& db) {
    auto table =
        db.OpenQuery(QStringLiteral("SELECT * FROM Changci ORDER BY Kaishi DESC, ChangciID DESC"));
    return ReadSittings(*table);
}

std::optional<SittingRow> SittingToShow(Database& db) {
    if (std::optional<SittingRow> open = OpenSitting(db)) return open;
    auto table = db.OpenQuery(
        QStringLiteral("SELECT * FROM Changci ORDER BY Kaishi DESC, ChangciID DESC LIMIT 1"));
    if (table->RowCount() == 0) return std::nullopt;
    return ReadSitting(*table);
}

int ConfiguredDuration(Database& db) {
    int seconds = 0;
    auto time = db.OpenQuery(QStringLiteral("Select * from Time"));
    if (time->RowCount() > 0) TryStrToTime(time->Value(QStringLiteral("TimeN")), &seconds);
    return seconds;
}

namespace {
// In the caller's transaction.
SittingRow Open(Database& db, const QString& name, int durationSeconds, const QString& by,
                qint64 now, bool shuffled) {
    if (const std::optional<SittingRow> open = OpenSitting(db))
        throw SittingAlreadyOpen(open->name);
    db.RunStatement(QStringLiteral("INSERT INTO Changci (Mingcheng, Shichang, Kaishi, KaishiRen, "
                                   "Shizhong, Luanxu) VALUES (?,?,?,?,0,?)"),
                    {name, qint64(durationSeconds), now, by, qint64(shuffled ? 1 : 0)});
    SittingRow row = *OpenSitting(db);
    FreezePaper(db, row.id);
    WriteAudit(db, {row.id, std::nullopt, std::nullopt, QStringLiteral("开考"),
                    qint64(durationSeconds), by, now});
    return row;
}
}  // namespace

SittingRow OpenNewSitting(Database& db, const QString& name, int durationSeconds, const QString& by,
                          qint64 now, bool shuffled) {
    Transaction open(db);
    SittingRow row = Open(db, name, durationSeconds, by, now, shuffled);
    open.Commit();
    return row;
}

SittingRow SittingForSignIn(Database& db, qint64 now) {
    if (std::optional<SittingRow> open = OpenSitting(db)) return *open;
    // Under the write lock, looked at again: another workstation may have opened it meanwhile.
    Transaction open(db);
    if (std::optional<SittingRow> opened = OpenSitting(db)) return *opened;
    const QString name = QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("yyyy-MM-dd"));
    SittingRow row = Open(db, name, ConfiguredDuration(db), QString(), now, false);
    open.Commit();
    return row;
}

void GiveTime(Database& db, qint64 attemptId, int minutes, const QString& by, qint64 now) {
    Transaction give(db);
    const AttemptRow attempt = InProgress(db, attemptId);
    // The time left as last written grows too: an interrupted attempt resumes with it.
    db.RunStatement(
        QStringLiteral("UPDATE Kaoshijilu SET Jiashi=Jiashi+?, Shengyu=Shengyu+? WHERE JiluID=?"),
        {qint64(minutes) * 60, qint64(minutes) * 60, attemptId});
    WriteAudit(db, {attempt.sitting, attemptId, attempt.studentNo, QStringLiteral("加时"),
                    qint64(minutes), by, now});
    give.Commit();
}

void Collect(Database& db, qint64 attemptId, const QString& by, qint64 now) {
    Transaction collect(db);
    const AttemptRow attempt = InProgress(db, attemptId);
    EndByProctor(db, attempt, AttemptState::HandedIn, now);
    WriteAudit(db, {attempt.sitting, attemptId, attempt.studentNo, QStringLiteral("收卷"),
                    std::nullopt, by, now});
    collect.Commit();
}

void AllowMove(Database& db, qint64 attemptId, const QString& by, qint64 now) {
    Transaction allow(db);
    const AttemptRow attempt = InProgress(db, attemptId);
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Huanji=1 WHERE JiluID=?"), {attemptId});
    WriteAudit(db, {attempt.sitting, attemptId, attempt.studentNo, QStringLiteral("允许换机"),
                    std::nullopt, by, now});
    allow.Commit();
}

void CollectAll(Database& db, qint64 sitting, const QString& by, qint64 now) {
    Transaction collect(db);
    for (const AttemptRow& attempt : AttemptsInProgress(db, sitting))
        EndByProctor(db, attempt, AttemptState::HandedIn, now);
    WriteAudit(db, {sitting, std::nullopt, std::nullopt, QStringLiteral("全部收卷"), std::nullopt,
                    by, now});
    collect.Commit();
}

void EndSitting(Database& db, qint64 sitting, const QString& by, qint64 now) {
    Transaction end(db);
    for (const AttemptRow& attempt : AttemptsInProgress(db, sitting))
        EndByProctor(db, attempt, AttemptState::TimedOut, now);
    db.RunStatement(QStringLiteral("UPDATE Changci SET Jieshu=?, JieshuRen=? WHERE ChangciID=? AND "
                                   "Jieshu IS NULL"),
                    {now, by, sitting});
    WriteAudit(db, {sitting, std::nullopt, std::nullopt, QStringLiteral("结束本场"), std::nullopt,
                    by, now});
    end.Commit();
}

int SecondsLeftAt(const AttemptRow& attempt, const SittingRow& sitting, qint64 clock) {
    // The time left at the last sign of life less the silence since, and never more than the
    // sitting's clock allows.
    const qint64 total = sitting.durationSeconds + attempt.extraSeconds;
    const qint64 byClock = total - (clock - attempt.startClock);
    const qint64 sinceLife = attempt.secondsLeft - attempt.SilentFor(clock);
    return int(qBound(qint64(0), qMin(sinceLife, byClock), total));
}

ResumeTime TimeOnResume(const AttemptRow& attempt, const SittingRow& sitting,
                        const QString& installation, qint64 now) {
    ResumeTime time;
    time.clock = sitting.clock;
    if (attempt.installation == installation)
        time.clock = qMax(time.clock, attempt.lastClock + qMax<qint64>(0, now - attempt.lastSeen));
    time.silent = qMax<qint64>(0, time.clock - attempt.lastClock);
    time.secondsTotal = sitting.durationSeconds + attempt.extraSeconds;
    time.secondsLeft = SecondsLeftAt(attempt, sitting, time.clock);
    return time;
}

void NoteResume(Database& db, const AttemptRow& attempt, qint64 silentSeconds, qint64 now) {
    WriteAudit(db, {attempt.sitting, attempt.id, attempt.studentNo, QStringLiteral("恢复"),
                    silentSeconds, attempt.workstation, now});
}

std::vector<AuditRow> Audit(Database& db, qint64 sitting) {
    auto table = db.OpenQuery(QStringLiteral("SELECT * FROM Jiankao WHERE ChangciID=? ORDER BY ID"),
                              {sitting});
    std::vector<AuditRow> rows;
    for (; !table->AtEnd(); table->MoveNext()) {
        AuditRow row;
        row.sitting = sitting;
        const QString attempt = table->Value(QStringLiteral("JiluID"));
        if (!attempt.isEmpty()) row.attempt = attempt.toLongLong();
        const QString student = table->Value(QStringLiteral("Xuehao"));
        if (!student.isEmpty()) row.studentNo = student.toInt();
        row.action = table->Value(QStringLiteral("Caozuo"));
        const QString amount = table->Value(QStringLiteral("Canshu"));
        if (!amount.isEmpty()) row.amount = amount.toLongLong();
        row.by = table->Value(QStringLiteral("Ren"));
        row.at = table->Value(QStringLiteral("Shijian")).toLongLong();
        rows.push_back(row);
    }
    return rows;
}

}  // namespace record
