// Times reading the questions of a 500-question Word document with 50 pictures (the four sections,
// options on their own lines and on one line, answers and points, runs with properties as Word
// writes them) against a baseline in the same run: the same package's parts inflated with libzip
// and its document part parsed with pugixml, nothing more. Then the whole "从Word导入" without its
// dialogs: read, parse and store (every bank up to its limit, the 50 pictures, one transaction)
// against the same rows and pictures inserted from memory with the same statements through bare
// SQLite calls.
#include "MedianTiming.h"
#include "back_office/QuestionStore.h"
#include "back_office/workbook/QuestionDocument.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>
#include <zip.h>
#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <variant>
#include <vector>

namespace {

QByteArray Run(const QString& text) {
    return "<w:r><w:rPr><w:rFonts w:ascii=\"宋体\" w:hAnsi=\"宋体\" w:hint=\"eastAsia\"/>"
           "<w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/></w:rPr><w:t xml:space=\"preserve\">" +
           text.toUtf8() + "</w:t></w:r>";
}

QByteArray Paragraph(const QString& text, const QByteArray& more = {}) {
    return "<w:p><w:pPr><w:spacing w:line=\"360\" w:lineRule=\"auto\"/></w:pPr>" + Run(text) +
           more + "</w:p>";
}

QByteArray Picture(int n) {
    return "<w:r><w:drawing><wp:inline><wp:extent cx=\"2000000\" cy=\"1000000\"/><wp:docPr id=\"" +
           QByteArray::number(n) +
           "\" name=\"图片\"/><a:graphic><a:graphicData><pic:pic><pic:blipFill><a:blip "
           "r:embed=\"rIdP" +
           QByteArray::number(n) +
           "\"/></pic:blipFill></pic:pic></a:graphicData></a:graphic></wp:inline></w:drawing></"
           "w:r>";
}

// 500 questions in four sections; 50 of those the banks take (every second one up to each bank's
// limit) carry a picture of their own.
QMap<QString, QByteArray> Parts() {
    QByteArray body;
    QByteArray rels;
    QMap<QString, QByteArray> parts;
    const char* headings[] = {"一、单项选择题（每题1分）", "二、多项选择题（每题2分）",
                              "三、判断题（每题1分）", "四、简答题（每题5分）"};
    const int limits[] = {kSingleChoiceLimit, kMultiChoiceLimit, kTrueFalseLimit, kSubjectiveLimit};
    int number = 0;
    int pictures = 0;
    for (int section = 0; section < 4; ++section) {
        body += Paragraph(QString::fromUtf8(headings[section]));
        for (int i = 1; i <= 125; ++i, ++number) {
            const QByteArray picture =
                i <= limits[section] && i % 2 == 0 ? Picture(pictures++) : QByteArray();
            body += Paragraph(QStringLiteral("%1. 下列关于计算机系统第 %2 项说法中，正确的是（ ）")
                                  .arg(i)
                                  .arg(number),
                              picture);
            if (section < 2 && i % 2) {
                body += Paragraph(
                    QStringLiteral("A. 中央处理器\tB. 内存储器\tC. 输入设备\tD. 输出设备"));
            } else if (section < 2) {
                for (const char* option :
                     {"A. 中央处理器", "B. 内存储器", "C. 输入设备", "D. 输出设备"})
                    body += Paragraph(QString::fromUtf8(option));
            }
            const char* keys[] = {"答案：B", "答案：ACD", "答案：√",
                                  "答案：计算机由运算器、控制器、存储器、输入设备和输出设备组成。"};
            body += Paragraph(QString::fromUtf8(keys[section]));
            if (i % 5 == 0) body += Paragraph(QStringLiteral("分值：3"));
        }
    }
    for (int n = 0; n < 50; ++n) {
        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 8000; ++i)
            png.append(reinterpret_cast<const char*>(
                           &(const quint32&)QRandomGenerator::global()->generate()),
                       4);
        parts.insert(QStringLiteral("word/media/image%1.png").arg(n), png);
        rels +=
            "<Relationship Id=\"rIdP" + QByteArray::number(n) +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/image\" "
            "Target=\"media/image" +
            QByteArray::number(n) + ".png\"/>";
    }
    parts.insert(
        QStringLiteral("word/document.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><w:document "
        "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
        "xmlns:wp=\"http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing\" "
        "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
        "xmlns:pic=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><w:body>" +
            body + "</w:body></w:document>");
    parts.insert(
        QStringLiteral("word/_rels/document.xml.rels"),
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
            rels + "</Relationships>");
    parts.insert(
        QStringLiteral("_rels/.rels"),
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
        "2006/relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>");
    parts.insert(QStringLiteral("[Content_Types].xml"), "<Types/>");
    return parts;
}

bool WriteZip(const QString& path, const QMap<QString, QByteArray>& parts) {
    int error = 0;
    zip_t* zip = zip_open(path.toLocal8Bit().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    for (auto part = parts.constBegin(); part != parts.constEnd(); ++part)
        zip_file_add(zip, part.key().toUtf8().constData(),
                     zip_source_buffer(zip, part->constData(), part->size(), 0), 0);
    return zip_close(zip) == 0;
}

// The median of `runs` timings in milliseconds, printed in this benchmark's columns.
double Time(const char* what, int runs, const std::function<void()>& action) {
    return MedianTiming(what, runs, {52, 8, true}, action);
}

// Binds values as the access layer binds them.
void Bind(sqlite3_stmt* statement, const SqlValues& values) {
    for (int i = 0; i < values.size(); ++i) {
        if (const auto* text = std::get_if<QString>(&values[i])) {
            const QByteArray utf8 = text->toUtf8();
            sqlite3_bind_text(statement, i + 1, utf8.constData(), int(utf8.size()),
                              SQLITE_TRANSIENT);
        } else if (const auto* bytes = std::get_if<QByteArray>(&values[i])) {
            sqlite3_bind_blob(statement, i + 1, bytes->constData(), int(bytes->size()),
                              SQLITE_TRANSIENT);
        } else if (const auto* number = std::get_if<qint64>(&values[i])) {
            sqlite3_bind_int64(statement, i + 1, *number);
        }
    }
}

bool Run(sqlite3* db, const QString& sql, const SqlValues& values = {}) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    Bind(statement, values);
    const int done = sqlite3_step(statement);
    sqlite3_finalize(statement);
    return done == SQLITE_DONE;
}

// The baseline of the store: the plan's pictures and rows written with the same statements in one
// transaction through bare SQLite calls, the hashes and numbers already at hand.
bool BareStore(const QString& file, const ImportPlan& plan, const QStringList& hashes) {
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(file).constData(), &db) != SQLITE_OK) return false;
    bool ok =
        Run(db, QStringLiteral("DELETE FROM Tupian")) && Run(db, QStringLiteral("BEGIN IMMEDIATE"));
    for (int i = 0; ok && i < plan.pictures.size(); ++i)
        ok = Run(db,
                 QStringLiteral("INSERT INTO Tupian (Hash, Geshi, Shuju) SELECT ?, ?, ? WHERE "
                                "NOT EXISTS (SELECT 1 FROM Tupian WHERE Hash=?)"),
                 {hashes[i], QStringLiteral("png"), plan.pictures[i], hashes[i]});
    for (const BankImport& bank : plan.banks) {
        const ExchangeRule& rule = RuleOf(ExchangeOf(bank.bank));
        if (rule.rule == SaveRule::Replace)
            ok = ok && Run(db, rule.dropSql) && Run(db, rule.createSql);
        for (int r = 0; ok && r < bank.rows.size(); ++r) {
            const QStringList& row = bank.rows[r];
            SqlValues values;
            if (rule.rule == SaveRule::Replace) values << qint64(r + 1);
            for (int k = 1; k < row.size(); ++k)
                values << row[k];
            if (rule.rule == SaveRule::UpdateByPosition) values << qint64(r + 1);
            ok = Run(db, rule.writeSql, values);
        }
    }
    ok = ok && Run(db, QStringLiteral("COMMIT"));
    sqlite3_close(db);
    return ok;
}

}  // namespace

int main() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bank.docx"));
    const QMap<QString, QByteArray> parts = Parts();
    if (!WriteZip(path, parts)) return 1;
    const QuestionDocument parsed = ReadQuestionDocument(path, QuestionBank::kSingle);
    int attention = 0;
    for (const ParsedQuestion& q : parsed.questions)
        attention += !q.attention.isEmpty();
    std::printf(
        "document: %lld questions (%d needing attention), %lld pictures, %lld unplaced "
        "lines; document part %.1f MB, file %.1f MB\n",
        qlonglong(parsed.questions.size()), attention, qlonglong(parsed.pictures.size()),
        qlonglong(parsed.unplaced.size()),
        parts.value(QStringLiteral("word/document.xml")).size() / 1048576.0,
        QFileInfo(path).size() / 1048576.0);

    const double bare = Time("baseline: inflate every part, pugixml parse", 9, [&] {
        int error = 0;
        zip_t* zip = zip_open(path.toLocal8Bit().constData(), ZIP_RDONLY, &error);
        QByteArray document;
        for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
            zip_stat_t stat;
            zip_stat_index(zip, i, 0, &stat);
            QByteArray bytes(qsizetype(stat.size), Qt::Uninitialized);
            zip_file_t* file = zip_fopen_index(zip, i, 0);
            zip_fread(file, bytes.data(), stat.size);
            zip_fclose(file);
            if (std::strcmp(stat.name, "word/document.xml") == 0) document = bytes;
        }
        zip_close(zip);
        pugi::xml_document xml;
        xml.load_buffer(document.constData(), size_t(document.size()));
    });
    Time("baseline: SHA-256 of the 50 pictures", 9, [&] {
        for (auto part = parts.constBegin(); part != parts.constEnd(); ++part)
            if (part.key().startsWith(u"word/media/"))
                QCryptographicHash::hash(*part, QCryptographicHash::Sha256);
    });
    const double read = Time("ReadWordDocument", 9, [&] { ReadWordDocument(path); });
    const double all = Time("ReadQuestionDocument (read and parse)", 9,
                            [&] { ReadQuestionDocument(path, QuestionBank::kSingle); });
    std::printf("read and parse / baseline: %.1fx; parse alone %.2f ms\n", all / bare, all - read);

    // Stored as "导入" stores it, into a copy of the delivered database; every run starts without
    // the pictures, so each run stores all of them.
    TestWorkdir workdir;
    const QString database = workdir.DatabaseFile();
    const ImportPlan plan = PlanImport(parsed);
    QStringList hashes;
    for (const QByteArray& picture : plan.pictures)
        hashes << PictureHash(picture);
    int rows = 0;
    for (const BankImport& bank : plan.banks)
        rows += int(bank.rows.size());
    const qint64 before = QFileInfo(database).size();
    const auto clear = [] {
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("DELETE FROM Tupian"));
    };
    const double whole = Time("read, parse and store (从Word导入 without dialogs)", 9, [&] {
        clear();
        Database db(kDatabasePath);
        StoreImport(db, PlanImport(ReadQuestionDocument(path, QuestionBank::kSingle)));
    });
    const double store = Time("  plan and store alone", 9, [&] {
        clear();
        Database db(kDatabasePath);
        StoreImport(db, PlanImport(parsed));
    });
    bool bareOk = true;
    const double bareStore = Time("baseline: same rows and pictures, bare SQLite", 9,
                                  [&] { bareOk = BareStore(database, plan, hashes) && bareOk; });
    qint64 stored = 0;
    qint64 storedBytes = 0;
    {
        clear();
        Database db(kDatabasePath);
        StoreImport(db, plan);
        StoreImport(db, plan);  // a second import adds no picture
        const auto counted = db.OpenQuery(
            QStringLiteral("SELECT COUNT(*) AS n, SUM(LENGTH(Shuju)) AS b FROM Tupian"));
        stored = counted->Value(QStringLiteral("n")).toLongLong();
        storedBytes = counted->Value(QStringLiteral("b")).toLongLong();
    }
    qint64 pictureBytes = 0;
    for (const QByteArray& picture : plan.pictures)
        pictureBytes += picture.size();
    std::printf(
        "stored: %d questions of %lld (the banks' limits), %lld pictures of %lld bytes "
        "(their own %lld bytes); file %lld -> %lld bytes%s\n",
        rows, qlonglong(parsed.questions.size()), stored, storedBytes, pictureBytes, before,
        QFileInfo(database).size(), bareOk ? "" : "; the baseline FAILED");
    std::printf("store / baseline: %.1fx; read, parse and store: %.0f ms, target < 2000 ms: %s\n",
                store / bareStore, whole, whole < 2000 ? "met" : "NOT met");
    return 0;
}
