#include "record/ExamRecord.h"

#include "data_store/Database.h"

#include <QHash>
#include <QUuid>

namespace {

qint64 Int(const ResultTable& table, const char* column) {
    return table.Value(QString::fromLatin1(column)).toLongLong();
}

std::optional<qint64> OptionalInt(const ResultTable& table, const char* column) {
    const QString text = table.Value(QString::fromLatin1(column));
    if (text.isEmpty()) return std::nullopt;
    return text.toLongLong();
}

AttemptRow ReadAttempt(const ResultTable& table) {
    AttemptRow row;
    row.id = Int(table, "JiluID");
    row.studentNo = int(Int(table, "Xuehao"));
    row.number = int(Int(table, "Cishu"));
    row.workstation = table.Value(QStringLiteral("Jiqi"));
    row.examId = table.Value(QStringLiteral("ExamID"));
    row.startedAt = Int(table, "Kaishi");
    row.lastSeen = Int(table, "Huodong");
    row.secondsLeft = int(Int(table, "Shengyu"));
    row.state = AttemptState(Int(table, "Zhuangtai"));
    const QString score = table.Value(QStringLiteral("Chengji"));
    if (!score.isEmpty()) row.score = score.toDouble();
    row.endedAt = OptionalInt(table, "Jieshu");
    row.questions = int(Int(table, "Tishu"));
    row.section = int(Int(table, "Bufen"));
    row.question = int(Int(table, "TestID"));
    row.sitting = Int(table, "ChangciID");
    row.owner = table.Value(QStringLiteral("Zhuren"));
    row.installation = table.Value(QStringLiteral("Shebei"));
    row.lifeCount = int(Int(table, "Xintiao"));
    row.extraSeconds = int(Int(table, "Jiashi"));
    row.startClock = Int(table, "Qidian");
    row.lastClock = Int(table, "Zuihou");
    row.moveAllowed = Int(table, "Huanji") != 0;
    row.seed = Int(table, "Zhongzi");
    return row;
}

std::optional<AttemptRow> FirstAttempt(const ResultTable& table) {
    if (table.RowCount() == 0) return std::nullopt;
    return ReadAttempt(table);
}

}  // namespace

namespace record {

std::optional<AttemptRow> LatestAttempt(Database& db, int studentNo, qint64 sitting) {
    if (sitting == 0)
        return FirstAttempt(*db.OpenQuery(
            QStringLiteral("SELECT * FROM Kaoshijilu WHERE Xuehao=? ORDER BY Cishu DESC LIMIT 1"),
            {qint64(studentNo)}));
    return FirstAttempt(*db.OpenQuery(QStringLiteral("SELECT * FROM Kaoshijilu WHERE Xuehao=? "
                                                     "AND ChangciID=? ORDER BY Cishu DESC LIMIT 1"),
                                      {qint64(studentNo), sitting}));
}

std::optional<AttemptRow> Attempt(Database& db, qint64 id) {
    return FirstAttempt(
        *db.OpenQuery(QStringLiteral("SELECT * FROM Kaoshijilu WHERE JiluID=?"), {id}));
}

std::vector<AnswerRow> Answers(Database& db, qint64 attemptId) {
    auto table =
        db.OpenQuery(QStringLiteral("SELECT * FROM Datijilu WHERE JiluID=? ORDER BY Bufen, TestID"),
                     {attemptId});
    std::vector<AnswerRow> rows;
    rows.reserve(size_t(table->RowCount()));
    const int draft = table->RowCount() > 0 ? table->ColumnIndexOf(QStringLiteral("Caogao")) : 0;
    for (; !table->AtEnd(); table->MoveNext()) {
        AnswerRow row;
        row.section = int(Int(*table, "Bufen"));
        row.question = int(Int(*table, "TestID"));
        row.answer = table->Value(QStringLiteral("Daan"));
        // NULL (no draft) and an empty draft (everything deleted) differ.
        if (!table->IsNull(draft)) row.draft = table->Value(QStringLiteral("Caogao"));
        row.marked = Int(*table, "Biaoji") != 0;
        row.shown = Int(*table, "Xianshi") != 0;
        row.points = table->Value(QStringLiteral("Fenzhi")).toDouble();
        row.key = table->Value(QStringLiteral("Biaozhun"));
        row.earned = table->Value(QStringLiteral("Defen")).toDouble();
        row.changedAt = Int(*table, "Gengxin");
        rows.push_back(row);
    }
    return rows;
}

QString CurrentExamId(Database& db) {
    auto table = db.OpenQuery(QStringLiteral("Select * from Exam"));
    return table->MoveLast() ? table->Value(QStringLiteral("ExamID")) : QString();
}

QString NewOwnerToken() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void BeginAttempt(Database& db, AttemptRow& row) {
    row.number = int(Int(*db.OpenQuery(QStringLiteral("SELECT COALESCE(MAX(Cishu), 0) + 1 AS Next "
                                                      "FROM Kaoshijilu WHERE Xuehao=?"),
                                       {qint64(row.studentNo)}),
                         "Next"));
    db.RunStatement(
        QStringLiteral("INSERT INTO Kaoshijilu (Xuehao, Cishu, Jiqi, ExamID, Kaishi, Huodong, "
                       "Shengyu, Zhuangtai, Tishu, Bufen, TestID, ChangciID, Zhuren, Shebei, "
                       "Qidian, Zuihou, Zhongzi) VALUES (?,?,?,?,?,?,?,0,?,?,?,?,?,?,?,?,?)"),
        {qint64(row.studentNo), qint64(row.number), row.workstation, row.examId, row.startedAt,
         row.lastSeen, qint64(row.secondsLeft), qint64(row.questions), qint64(row.section),
         qint64(row.question), row.sitting, row.owner, row.installation, row.startClock,
         row.lastClock, row.seed});
    row.id = Int(
        *db.OpenQuery(QStringLiteral("SELECT JiluID FROM Kaoshijilu WHERE Xuehao=? AND Cishu=?"),
                      {qint64(row.studentNo), qint64(row.number)}),
        "JiluID");
}

void HoldAttempts(Database& db, int studentNo, qint64 sitting) {
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Zhuren=Zhuren WHERE Xuehao=? AND "
                                   "ChangciID=? AND Zhuangtai=0"),
                    {qint64(studentNo), sitting});
}

void TakeOver(Database& db, const AttemptRow& row, qint64 now) {
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Jiqi=?, Shebei=?, Zhuren=?, Huodong=?, "
                                   "Zuihou=?, Shengyu=?, Xintiao=Xintiao+1, Huanji=0 WHERE "
                                   "JiluID=? AND Zhuangtai=0"),
                    {row.workstation, row.installation, row.owner, now, row.lastClock,
                     qint64(row.secondsLeft), row.id});
    if (db.ChangedRows() != 1) throw AttemptLost(LossReason::Collected);
}

void ProveOwner(Database& db, qint64 attemptId, const QString& owner) {
    // Writing the row takes its lock: nobody can take the attempt over or end it until the
    // writer's transaction ends, so what follows is written by its owner or not at all.
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Zhuren=Zhuren WHERE JiluID=? AND "
                                   "Zhuren=? AND Zhuangtai=0"),
                    {attemptId, owner});
    if (db.ChangedRows() == 1) return;
    const std::optional<AttemptRow> now = Attempt(db, attemptId);
    if (now && now->owner != owner) throw AttemptLost(LossReason::MovedElsewhere);
    if (now) {
        auto sitting = db.OpenQuery(QStringLiteral("SELECT Jieshu FROM Changci WHERE ChangciID=?"),
                                    {now->sitting});
        if (sitting->RowCount() > 0 && !sitting->Value(QStringLiteral("Jieshu")).isEmpty())
            throw AttemptLost(LossReason::SittingEnded);
    }
    throw AttemptLost(LossReason::Collected);
}

void WriteAnswer(Database& db, qint64 attemptId, const AnswerRow& row) {
    db.RunStatement(
        QStringLiteral(
            "INSERT INTO Datijilu (JiluID, Bufen, TestID, Daan, Caogao, Biaoji, Xianshi, Fenzhi, "
            "Biaozhun, Defen, Gengxin) VALUES (?,?,?,?,?,?,?,?,?,?,?) "
            "ON CONFLICT (JiluID, Bufen, TestID) DO UPDATE SET Daan=excluded.Daan, "
            "Caogao=excluded.Caogao, Biaoji=excluded.Biaoji, Xianshi=excluded.Xianshi, "
            "Fenzhi=excluded.Fenzhi, Biaozhun=excluded.Biaozhun, Defen=excluded.Defen, "
            "Gengxin=excluded.Gengxin"),
        {attemptId, qint64(row.section), qint64(row.question), row.answer,
         row.draft ? SqlValue(*row.draft) : SqlValue(nullptr), qint64(row.marked),
         qint64(row.shown), row.points, row.key, row.earned, row.changedAt});
}

void WritePosition(Database& db, qint64 attemptId, int section, int question) {
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Bufen=?, TestID=? WHERE JiluID=?"),
                    {qint64(section), qint64(question), attemptId});
}

Life WriteLife(Database& db, const AttemptRow& attempt, int secondsLeft, qint64 sittingClock,
               qint64 now) {
    // Time given since the workstation last looked counts in the time left it writes.
    db.RunStatement(
        QStringLiteral("UPDATE Kaoshijilu SET Shengyu=?+Jiashi-?, Huodong=?, "
                       "Xintiao=Xintiao+1 WHERE JiluID=? AND Zhuren=? AND Zhuangtai=0"),
        {qint64(secondsLeft), qint64(attempt.extraSeconds), now, attempt.id, attempt.owner});
    if (db.ChangedRows() != 1) ProveOwner(db, attempt.id, attempt.owner);  // says why
    AdvanceClock(db, attempt.sitting, sittingClock);
    auto row = db.OpenQuery(QStringLiteral("SELECT k.Jiashi, c.Shizhong FROM Kaoshijilu k JOIN "
                                           "Changci c ON c.ChangciID=k.ChangciID WHERE k.JiluID=?"),
                            {attempt.id});
    const Life life = row->RowCount() == 0 ? Life{0, sittingClock}
                                           : Life{int(Int(*row, "Jiashi")), Int(*row, "Shizhong")};
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Zuihou=? WHERE JiluID=?"),
                    {life.sittingClock, attempt.id});
    return life;
}

void AdvanceClock(Database& db, qint64 sitting, qint64 clock) {
    db.RunStatement(
        QStringLiteral("UPDATE Changci SET Shizhong=? WHERE ChangciID=? AND Shizhong<?"),
        {clock, sitting, clock});
}

void EndAttempt(Database& db, qint64 attemptId, const QString& owner, AttemptState state,
                double score, int secondsLeft, qint64 now) {
    db.RunStatement(QStringLiteral("UPDATE Kaoshijilu SET Zhuangtai=?, Chengji=?, Shengyu=?, "
                                   "Huodong=?, Jieshu=? WHERE JiluID=? AND Zhuren=? AND "
                                   "Zhuangtai=0"),
                    {qint64(state), score, qint64(secondsLeft), now, now, attemptId, owner});
    if (db.ChangedRows() != 1) ProveOwner(db, attemptId, owner);  // says why
}

std::vector<RoomRow> Room(Database& db, qint64 sitting) {
    const ReadTransaction view(db);
    QHash<qint64, QString> names;
    {
        auto candidates = db.OpenQuery(QStringLiteral("SELECT Xuehao, Xingmin FROM Userxinxi"));
        for (; !candidates->AtEnd(); candidates->MoveNext())
            names.insert(candidates->Value(QStringLiteral("Xuehao")).trimmed().toLongLong(),
                         candidates->Value(QStringLiteral("Xingmin")));
    }
    auto table = db.OpenQuery(
        QStringLiteral(
            "SELECT k.*, (SELECT COUNT(*) FROM Datijilu d WHERE d.JiluID=k.JiluID AND d.Daan<>'') "
            "AS Answered, (SELECT COALESCE(SUM(d.Defen), 0.0) FROM Datijilu d WHERE "
            "d.JiluID=k.JiluID) AS Earned FROM Kaoshijilu k WHERE k.ChangciID=? AND "
            "k.Cishu=(SELECT "
            "MAX(Cishu) FROM Kaoshijilu m WHERE m.Xuehao=k.Xuehao AND m.ChangciID=k.ChangciID) "
            "ORDER BY k.Xuehao"),
        {sitting});
    std::vector<RoomRow> rows;
    for (; !table->AtEnd(); table->MoveNext()) {
        RoomRow row{ReadAttempt(*table), QString(), int(Int(*table, "Answered")),
                    table->Value(QStringLiteral("Earned")).toDouble()};
        row.name = names.value(row.attempt.studentNo);
        rows.push_back(row);
    }
    return rows;
}

}  // namespace record

AttemptLost::AttemptLost(LossReason reason) : std::runtime_error(""), reason_(reason) {}

QString AttemptLost::Message() const {
    switch (reason_) {
        case LossReason::MovedElsewhere:
            return QStringLiteral("本场考试已在另一台机器上继续，本机已停止作答。");
        case LossReason::SittingEnded:
            return QStringLiteral("本场考试已结束");
        case LossReason::Collected:
            break;
    }
    return QStringLiteral("监考老师已收卷");
}

SignInVerdict LivenessWatch::Check(const std::optional<AttemptRow>& latest,
                                   const QString& installation, qint64 sittingClock,
                                   qint64 steadyMs) {
    if (!latest || !latest->InProgress() || latest->installation == installation ||
        latest->moveAllowed || latest->SilentFor(sittingClock) >= kSilenceSeconds)
        return {};
    // Cloned machines share a host name: the installation tells the candidate which one it is.
    const QString where =
        QStringLiteral("%1，机器编号%2").arg(latest->workstation, latest->installation);
    auto seen = seen_.find(latest->id);
    if (seen == seen_.end() || seen->second.lifeCount != latest->lifeCount) {
        seen_[latest->id] = {latest->lifeCount, steadyMs};
        return {false, where, int(kSilenceSeconds)};
    }
    const qint64 waited = (steadyMs - seen->second.sinceMs) / 1000;
    if (waited >= kSilenceSeconds) return {true, QString(), 0, waited};
    return {false, where, int(kSilenceSeconds - waited)};
}
