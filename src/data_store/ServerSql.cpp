#include "data_store/ServerSql.h"

#include <QRegularExpression>

namespace {

// Walks `sql` and calls `visit(position)` for every character outside quotes and comments.
template <typename Visit>
void ForEachPlainChar(const QString& sql, Visit visit) {
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"' || c == u'`') {
            const qsizetype end = sql.indexOf(c, i + 1);
            if (end < 0) return;
            i = end;  // a doubled quote is two adjacent literals here: same result
        } else if (c == u'-' && i + 1 < sql.size() && sql[i + 1] == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            if (end < 0) return;
            i = end;
        } else if (c == u'/' && i + 1 < sql.size() && sql[i + 1] == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            if (end < 0) return;
            i = end + 1;
        } else {
            visit(i);
        }
    }
}

QString NumberPlaceholders(const QString& sql) {
    QString out;
    qsizetype from = 0;
    int n = 0;
    ForEachPlainChar(sql, [&](qsizetype i) {
        if (sql[i] != u'?' || i < from) return;
        // "?NNN" names its value; a bare "?" takes the next one.
        qsizetype end = i + 1;
        while (end < sql.size() && sql[end].isDigit())
            ++end;
        const QString number = end > i + 1 ? sql.mid(i + 1, end - i - 1) : QString::number(++n);
        out += sql.mid(from, i - from) + u'$' + number;
        from = end;
    });
    return out + sql.mid(from);
}

// Splits at the commas outside quotes and parentheses.
QStringList SplitTopLevel(const QString& body) {
    QStringList parts;
    int depth = 0;
    qsizetype from = 0;
    ForEachPlainChar(body, [&](qsizetype i) {
        const QChar c = body[i];
        if (c == u'(') ++depth;
        if (c == u')') --depth;
        if (c == u',' && depth == 0) {
            parts << body.mid(from, i - from);
            from = i + 1;
        }
    });
    parts << body.mid(from);
    return parts;
}

QString ServerType(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains(QStringLiteral("INT"))) return QStringLiteral("bigint");
    if (t.contains(QStringLiteral("CHAR")) || t.contains(QStringLiteral("CLOB")) ||
        t.contains(QStringLiteral("TEXT")) || t.trimmed().isEmpty())
        return QStringLiteral("text");
    if (t.contains(QStringLiteral("BLOB"))) return QStringLiteral("bytea");
    if (t.contains(QStringLiteral("REAL")) || t.contains(QStringLiteral("FLOA")) ||
        t.contains(QStringLiteral("DOUB")))
        return QStringLiteral("double precision");
    return QStringLiteral("numeric");
}

const QRegularExpression kConstraintWord(
    QStringLiteral("\\b(PRIMARY|NOT|NULL|UNIQUE|DEFAULT|CHECK|REFERENCES|COLLATE|CONSTRAINT|"
                   "GENERATED|AS)\\b"),
    QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kTableConstraint(
    QStringLiteral("^\\s*(PRIMARY|UNIQUE|CHECK|FOREIGN|CONSTRAINT)\\b"),
    QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kAutoincrement(QStringLiteral("\\s*\\bAUTOINCREMENT\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kPrimaryKey(QStringLiteral("\\bPRIMARY\\s+KEY\\b"),
                                     QRegularExpression::CaseInsensitiveOption);

QString DefineTable(const QString& sql) {
    const qsizetype open = sql.indexOf(u'(');
    const qsizetype close = sql.lastIndexOf(u')');
    if (open < 0 || close < open) return sql;
    QStringList columns;
    QString rowidOf;
    for (const QString& part : SplitTopLevel(sql.mid(open + 1, close - open - 1))) {
        const QString item = part.trimmed();
        if (item.isEmpty() || kTableConstraint.match(item).hasMatch()) {
            columns << item;
            continue;
        }
        qsizetype nameEnd = 0;
        if (item[0] == u'"' || item[0] == u'`' || item[0] == u'[') {
            const QChar closing = item[0] == u'[' ? u']' : item[0];
            nameEnd = item.indexOf(closing, 1) + 1;
        } else {
            while (nameEnd < item.size() && !item[nameEnd].isSpace())
                ++nameEnd;
        }
        const QString name = item.left(nameEnd);
        QString rest = item.mid(nameEnd);
        const QRegularExpressionMatch constraint = kConstraintWord.match(rest);
        const qsizetype typeEnd = constraint.hasMatch() ? constraint.capturedStart() : rest.size();
        const QString declared = rest.left(typeEnd).trimmed();
        QString constraints = rest.mid(typeEnd).trimmed().remove(kAutoincrement);
        // SQLite's rowid alias: the row's own number, drawn by the table when none is given.
        const bool alias = declared.compare(QStringLiteral("INTEGER"), Qt::CaseInsensitive) == 0 &&
                           kPrimaryKey.match(constraints).hasMatch();
        if (alias) {
            rowidOf = name;
            constraints.prepend(QStringLiteral("GENERATED BY DEFAULT AS IDENTITY "));
        }
        columns << (name + u' ' + ServerType(declared) + u' ' + constraints).trimmed();
    }
    columns << (rowidOf.isEmpty()
                    ? QStringLiteral("rowid bigserial")
                    : QStringLiteral("rowid bigint GENERATED ALWAYS AS (%1) STORED").arg(rowidOf));
    return sql.left(open + 1) + columns.join(QStringLiteral(", ")) + sql.mid(close);
}

// SQLite takes a double-quoted token that names no column as a text literal, and the inserts of
// the file's era enclose their values so; the server wants single quotes there.
QString QuoteInsertedValues(const QString& sql) {
    static const QRegularExpression values(QStringLiteral("\\bVALUES\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    const qsizetype start = sql.indexOf(values);
    if (start < 0) return sql;
    QString out = sql.left(start);
    for (qsizetype i = start; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == u'\'') {
            qsizetype end = sql.indexOf(u'\'', i + 1);
            if (end < 0) end = sql.size() - 1;
            out += sql.mid(i, end - i + 1);
            i = end;
        } else if (c == u'"') {
            qsizetype end = sql.indexOf(u'"', i + 1);
            if (end < 0) end = sql.size();
            out += u'\'' + sql.mid(i + 1, end - i - 1).replace(u'\'', QStringLiteral("''")) + u'\'';
            i = end;
        } else {
            out += c;
        }
    }
    return out;
}

const QRegularExpression kInsert(QStringLiteral("^\\s*INSERT\\b"),
                                 QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kCreateTable(QStringLiteral("^\\s*CREATE\\s+TABLE\\b"),
                                      QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kCreateView(
    QStringLiteral(
        "^(\\s*CREATE\\s+VIEW\\s+\\S+\\s+AS\\s+SELECT\\s+)(.*?)(\\s+FROM\\s+(\\w+))(.*)$"),
    QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
const QRegularExpression kUserVersion(
    QStringLiteral("^\\s*PRAGMA\\s+user_version\\s*(?:=\\s*(\\d+))?\\s*;?\\s*$"),
    QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kSelectStar(QStringLiteral("^\\s*SELECT\\s+\\*\\s+FROM\\s+\\w+\\b"),
                                     QRegularExpression::CaseInsensitiveOption);
const QRegularExpression kOrdered(QStringLiteral("\\b(ORDER|LIMIT|GROUP|UNION|JOIN|OFFSET|FOR)\\b"),
                                  QRegularExpression::CaseInsensitiveOption);

}  // namespace

ServerStatement ForServer(const QString& sql) {
    ServerStatement statement;
    QString text = NumberPlaceholders(sql);
    if (kInsert.match(text).hasMatch()) {
        text = QuoteInsertedValues(text);
    } else if (kCreateTable.match(text).hasMatch()) {
        text = DefineTable(text);
        statement.defines = true;
    } else if (const auto view = kCreateView.match(text); view.hasMatch()) {
        // The view's rows come in its own order where it names one, else in its table's.
        static const QRegularExpression orderBy(QStringLiteral("\\bORDER\\s+BY\\s+(.*)$"),
                                                QRegularExpression::CaseInsensitiveOption |
                                                    QRegularExpression::DotMatchesEverythingOption);
        const QRegularExpressionMatch order = orderBy.match(view.captured(5));
        const QString rowid =
            order.hasMatch()
                ? QStringLiteral("row_number() over (order by %1) as rowid").arg(order.captured(1))
                : view.captured(4) + QStringLiteral(".rowid");
        if (view.captured(2).trimmed() != QStringLiteral("*"))
            text = view.captured(1) + view.captured(2) + QStringLiteral(", ") + rowid +
                   view.captured(3) + view.captured(5);
        statement.defines = true;
    } else if (const auto pragma = kUserVersion.match(text); pragma.hasMatch()) {
        // The schema's version: the file keeps it in its header, the server in a table.
        text = pragma.captured(1).isEmpty()
                   ? QStringLiteral("Select user_version from Banben")
                   : QStringLiteral("Update Banben Set user_version=") + pragma.captured(1);
    } else if (kSelectStar.match(text).hasMatch()) {
        QString plain;  // the statement without its literals, to look for clauses
        ForEachPlainChar(text, [&](qsizetype i) { plain += text[i]; });
        if (!kOrdered.match(plain).hasMatch()) {
            while (text.endsWith(u';') || (!text.isEmpty() && text.back().isSpace()))
                text.chop(1);
            text += QStringLiteral(" order by rowid");
        }
    }
    // The row order column stays out of sight unless the statement names it.
    statement.hideRowid = !sql.contains(QStringLiteral("rowid"), Qt::CaseInsensitive);
    statement.text = text.toUtf8();
    return statement;
}

QStringList SplitScript(const QString& sql) {
    QStringList statements;
    qsizetype from = 0;
    ForEachPlainChar(sql, [&](qsizetype i) {
        if (sql[i] != u';') return;
        statements << sql.mid(from, i - from);
        from = i + 1;
    });
    statements << sql.mid(from);
    statements.removeIf([](const QString& s) { return s.trimmed().isEmpty(); });
    return statements;
}

QStringList ServerComparisons() {
    // SQLite's TOTAL(): a sum that is 0.0 over no rows.
    QStringList statements{QStringLiteral(
        "Create Aggregate total(double precision) (Sfunc = float8pl, Stype = double precision, "
        "Initcond = '0')")};
    for (const char* type : {"integer", "bigint"}) {
        const QString t = QString::fromLatin1(type);
        for (const auto& [op, name] : {std::pair{"=", "eq"}, std::pair{"<>", "ne"}}) {
            const QString function = QStringLiteral("cx_text_%1_%2").arg(QLatin1String(name), t);
            statements << QStringLiteral(
                              "Create Function %1(text, %2) Returns boolean Language sql "
                              "Immutable As 'Select $1 %3 $2::text'")
                              .arg(function, t, QLatin1String(op));
            statements << QStringLiteral(
                              "Create Operator %1 (Leftarg = text, Rightarg = %2, "
                              "Function = %3)")
                              .arg(QLatin1String(op), t, function);
        }
    }
    return statements;
}
