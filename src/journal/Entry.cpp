#include "journal/Entry.h"

#include "data_store/Database.h"
#include "data_store/SchemaUpgrade.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace journal {

namespace {

// Integers beyond 2^53 do not survive a JSON number: the large ones go as text.
QString Big(qint64 value) {
    return QString::number(value);
}
qint64 Big(const QJsonValue& value) {
    return value.toString().toLongLong();
}

}  // namespace

QByteArray Encode(const Entry& e) {
    QJsonObject o{{QStringLiteral("k"), int(e.kind)},
                  {QStringLiteral("a"), Big(e.attempt)},
                  {QStringLiteral("o"), e.owner},
                  {QStringLiteral("s"), Big(e.seq)}};
    switch (e.kind) {
        case Kind::Saved:
            o.insert(QStringLiteral("t"), e.text);
            o.insert(QStringLiteral("x"), Big(e.studentNo));
            o.insert(QStringLiteral("q"), e.question);
            [[fallthrough]];
        case Kind::Answer: {
            const AnswerRow& r = e.row;
            o.insert(QStringLiteral("rs"), r.section);
            o.insert(QStringLiteral("rq"), r.question);
            o.insert(QStringLiteral("ra"), r.answer);
            if (r.draft) o.insert(QStringLiteral("rd"), *r.draft);
            o.insert(QStringLiteral("rm"), r.marked);
            o.insert(QStringLiteral("rw"), r.shown);
            o.insert(QStringLiteral("rp"), r.points);
            o.insert(QStringLiteral("rk"), r.key);
            o.insert(QStringLiteral("re"), r.earned);
            o.insert(QStringLiteral("rc"), Big(r.changedAt));
            break;
        }
        case Kind::Position:
            o.insert(QStringLiteral("p"), e.section);
            o.insert(QStringLiteral("q"), e.question);
            break;
        case Kind::End:
            o.insert(QStringLiteral("st"), int(e.state));
            o.insert(QStringLiteral("sc"), e.score);
            [[fallthrough]];
        case Kind::Score:
            o.insert(QStringLiteral("t"), e.text);
            o.insert(QStringLiteral("x"), Big(e.studentNo));
            o.insert(QStringLiteral("l"), e.secondsLeft);
            o.insert(QStringLiteral("n"), Big(e.now));
            break;
        case Kind::Life:
            o.insert(QStringLiteral("g"), Big(e.sitting));
            o.insert(QStringLiteral("l"), e.secondsLeft);
            o.insert(QStringLiteral("e"), e.extraSeconds);
            o.insert(QStringLiteral("c"), Big(e.clock));
            o.insert(QStringLiteral("n"), Big(e.now));
            break;
    }
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<Entry> Decode(const QByteArray& bytes) {
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    const int kind = o.value(QStringLiteral("k")).toInt();
    if (kind < int(Kind::Answer) || kind > int(Kind::End)) return std::nullopt;
    Entry e;
    e.kind = Kind(kind);
    e.attempt = Big(o.value(QStringLiteral("a")));
    e.owner = o.value(QStringLiteral("o")).toString();
    e.seq = Big(o.value(QStringLiteral("s")));
    e.studentNo = Big(o.value(QStringLiteral("x")));
    e.sitting = Big(o.value(QStringLiteral("g")));
    AnswerRow& r = e.row;
    r.section = o.value(QStringLiteral("rs")).toInt();
    r.question = o.value(QStringLiteral("rq")).toInt();
    r.answer = o.value(QStringLiteral("ra")).toString();
    if (o.contains(QStringLiteral("rd"))) r.draft = o.value(QStringLiteral("rd")).toString();
    r.marked = o.value(QStringLiteral("rm")).toBool();
    r.shown = o.value(QStringLiteral("rw")).toBool();
    r.points = o.value(QStringLiteral("rp")).toDouble();
    r.key = o.value(QStringLiteral("rk")).toString();
    r.earned = o.value(QStringLiteral("re")).toDouble();
    r.changedAt = Big(o.value(QStringLiteral("rc")));
    e.section = o.value(QStringLiteral("p")).toInt();
    e.question = o.value(QStringLiteral("q")).toInt();
    e.text = o.value(QStringLiteral("t")).toString();
    e.score = o.value(QStringLiteral("sc")).toDouble();
    e.state = AttemptState(o.value(QStringLiteral("st")).toInt());
    e.secondsLeft = o.value(QStringLiteral("l")).toInt();
    e.extraSeconds = o.value(QStringLiteral("e")).toInt();
    e.clock = Big(o.value(QStringLiteral("c")));
    e.now = Big(o.value(QStringLiteral("n")));
    if (e.attempt <= 0 || e.seq <= 0 || e.owner.isEmpty()) return std::nullopt;
    return e;
}

QByteArray EncodeMark(const Mark& mark) {
    return QJsonDocument(QJsonObject{{QStringLiteral("m"), 1},
                                     {QStringLiteral("a"), Big(mark.attempt)},
                                     {QStringLiteral("o"), mark.owner},
                                     {QStringLiteral("s"), Big(mark.seq)}})
        .toJson(QJsonDocument::Compact);
}

std::optional<Mark> DecodeMark(const QByteArray& bytes) {
    const QJsonObject o = QJsonDocument::fromJson(bytes).object();
    if (o.value(QStringLiteral("m")).toInt() != 1) return std::nullopt;
    return Mark{Big(o.value(QStringLiteral("a"))), o.value(QStringLiteral("o")).toString(),
                Big(o.value(QStringLiteral("s")))};
}

void EnsureAppliedTable(Database& db) {
    UpgradeSchema(db);
}

Applied AppliedOf(Database& db, qint64 attempt) {
    auto row = db.OpenQuery(
        QStringLiteral("SELECT Zhuren, Xuhao, Daishang FROM Rizhi WHERE JiluID=?"), {attempt});
    if (row->RowCount() == 0) return {};
    return {row->Value(QStringLiteral("Zhuren")), row->Value(QStringLiteral("Xuhao")).toLongLong(),
            row->Value(QStringLiteral("Daishang")).toInt()};
}

std::optional<record::Life> Apply(Database& db, const std::vector<Entry>& entries, int unshipped) {
    if (entries.empty()) return std::nullopt;
    const qint64 attempt = entries.front().attempt;
    const QString& owner = entries.front().owner;
    // Only the attempt's rows, its candidate's and the sitting's clock (which only moves forward)
    // are written: on a server the attempts of a room are applied side by side.
    Transaction all(db, Transaction::Scope::Attempt(attempt));
    std::optional<record::Life> life;
    const Applied applied = AppliedOf(db, attempt);
    const qint64 done = applied.owner == owner ? applied.seq : 0;
    qint64 last = done;
    bool proven = false;
    bool ended = false;
    for (const Entry& e : entries) {
        if (e.seq <= last) continue;  // applied before: a retry, a crash before the mark
        last = e.seq;
        if (ended) continue;  // nothing follows the attempt's end
        switch (e.kind) {
            case Kind::Answer:
                if (!std::exchange(proven, true)) record::ProveOwner(db, attempt, owner);
                record::WriteAnswer(db, attempt, e.row);
                break;
            case Kind::Position:
                if (!std::exchange(proven, true)) record::ProveOwner(db, attempt, owner);
                record::WritePosition(db, attempt, e.section, e.question);
                break;
            case Kind::Saved:
                if (!std::exchange(proven, true)) record::ProveOwner(db, attempt, owner);
                // The answer is bound: quotes and line breaks are stored as typed.
                db.RunStatement(
                    QStringLiteral("Update Userxinxi Set Tt%1=?  where Xuehao=?").arg(e.question),
                    {e.text, e.studentNo});
                record::WriteAnswer(db, attempt, e.row);
                break;
            case Kind::Score:
                if (!std::exchange(proven, true)) record::ProveOwner(db, attempt, owner);
                db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                                {e.text, e.studentNo});
                break;
            case Kind::Life: {
                AttemptRow row;
                row.id = attempt;
                row.owner = owner;
                row.sitting = e.sitting;
                row.extraSeconds = e.extraSeconds;
                // Proves the owner itself.
                life = record::WriteLife(db, row, e.secondsLeft, e.clock, e.now);
                proven = true;
                break;
            }
            case Kind::End:
                // Proves the owner itself; the attempt is no longer in progress afterwards.
                record::EndAttempt(db, attempt, owner, e.state, e.score, e.secondsLeft, e.now);
                db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji=? where Xuehao=?"),
                                {e.text, e.studentNo});
                proven = ended = true;
                break;
        }
    }
    if (last == done) return std::nullopt;  // everything was applied before
    db.RunStatement(QStringLiteral("INSERT INTO Rizhi (JiluID, Zhuren, Xuhao, Daishang) VALUES "
                                   "(?,?,?,?) ON CONFLICT (JiluID) DO UPDATE SET "
                                   "Zhuren=excluded.Zhuren, Xuhao=excluded.Xuhao, "
                                   "Daishang=excluded.Daishang"),
                    {attempt, owner, last, qint64(unshipped)});
    all.Commit();
    return life;
}

}  // namespace journal
