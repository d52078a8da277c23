// The access layer's promises that must hold on both engines (run once on the file and once on
// the test cluster): values read back as the same texts, table order, the error path, all-or-
// nothing changes; and moving a classroom to the server and back keeps every row and text.
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "support/TestWorkdir.h"

#include <QtTest>

namespace {

QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}

// Every row of a table (or of a query) with its column names; NULL told apart from "".
QStringList Dump(Database& db, const QString& table) {
    QStringList rows;
    auto result =
        db.OpenQuery(table.contains(u' ') ? table : QStringLiteral("Select * from ") + table);
    rows << result->ColumnNames().join(u'|');
    for (; !result->AtEnd(); result->MoveNext()) {
        QStringList cells;
        for (int c = 0; c < result->ColumnCount(); ++c)
            cells << (result->IsNull(c) ? QStringLiteral("<null>")
                                        : QString::fromUtf8(result->ColumnText(c)));
        rows << cells.join(u'|');
    }
    return rows;
}

const QStringList kTables = {"UserGL", "Userxinxi", "Time",    "Exam",   "Test",
                             "KaoShi", "KaoShi2",   "KaoShi3", "KaoShi4"};

}  // namespace

class EnginesTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { workdir_ = std::make_unique<TestWorkdir>(); }
    void cleanup() { workdir_.reset(); }

    void valuesReadBackAsTheSameTexts() {
        Database db(kDatabasePath);
        QCOMPARE(db.OnServer(), TestWorkdir::OnServer());
        db.RunStatement(
            QStringLiteral("Create Table t (a INTEGER, b varchar(5), c REAL, d text, e integer)"));
        const QString longName = QStringLiteral("超过五个字的名字 'x' \"y\"");
        db.RunStatement(QStringLiteral("Insert into t values (?,?,?,?,?)"),
                        {qint64(7), longName, 87.5, nullptr, QStringLiteral("12")});
        db.RunStatement(QStringLiteral("Insert into t values (?,?,?,?,?)"),
                        {qint64(-3), QString(), 0.1 + 0.2, QStringLiteral(""), qint64(100)});
        auto rows = db.OpenQuery(QStringLiteral("Select * from t"));
        QCOMPARE(rows->ColumnCount(), 5);  // no column of the engine's own
        QCOMPARE(rows->ColumnNames(), (QStringList{"A", "B", "C", "D", "E"}));
        QCOMPARE(rows->ColumnText(0), QByteArray("7"));
        QCOMPARE(rows->Value(QStringLiteral("b")), longName);  // no length enforced
        QCOMPARE(rows->ColumnText(2), QByteArray("87.5"));
        QCOMPARE(rows->ColumnText(3), QByteArray());
        QCOMPARE(rows->ColumnText(4), QByteArray("12"));
        QVERIFY(rows->MoveNext());
        QCOMPARE(rows->ColumnText(0), QByteArray("-3"));
        QCOMPARE(rows->ColumnText(2), QByteArray("0.3"));  // the general format, 15 digits
        QCOMPARE(rows->ColumnAsFloat(2), 0.1 + 0.2);       // the value itself exactly
        QCOMPARE(rows->ColumnText(4), QByteArray("100"));
        // A bound number finds the text of a student number, a bare numeral too.
        QCOMPARE(
            db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"), {qint64(110101)})
                ->RowCount(),
            1);
        QCOMPARE(
            db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=110101"))->RowCount(),
            1);
    }

    void tableOrderSurvivesChanges() {
        Database db(kDatabasePath);
        for (int n = 2; n <= 4; ++n)
            db.RunStatement(QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) values "
                                           "(\"%1\",\"11010%1\",\"考生%1\")")
                                .arg(n));
        db.RunStatement(QStringLiteral("Update Userxinxi Set Chengji='9', UserID=9 where Xuehao=?"),
                        {QStringLiteral("110102")});
        db.RunStatement(QStringLiteral("Update Test Set Request='改' where TestID=1"));
        QStringList order;
        for (auto rows = db.OpenQuery(QStringLiteral("Select * from Userxinxi")); !rows->AtEnd();
             rows->MoveNext())
            order << rows->Value(QStringLiteral("Xuehao"));
        QCOMPARE(order, (QStringList{"110101", "110102", "110103", "110104"}));
        auto test = db.OpenQuery(QStringLiteral("Select * from KaoShi"));
        QCOMPARE(test->Value(QStringLiteral("Request")), QStringLiteral("改"));
        QVERIFY(test->MoveLast());
        QCOMPARE(test->Value(QStringLiteral("TestID")), QStringLiteral("50"));
    }

    void failuresTakeTheOneErrorPath() {
        Database db(kDatabasePath);
        const QString missing =
            ErrorOf([&] { db.OpenQuery(QStringLiteral("Select * from Nothere")); });
        QVERIFY2(missing.startsWith(QStringLiteral("Error executing SQL.\rError [1]: SQL error or "
                                                   "missing database.\r\"Select * from "
                                                   "Nothere\": ")),
                 qPrintable(missing));
        QVERIFY(missing.contains(QStringLiteral("nothere"), Qt::CaseInsensitive));
        const QString taken = ErrorOf([&] {
            db.RunStatement(QStringLiteral("INSERT INTO UserGL (UserGLID,Usermin,password) values "
                                           "(?,?,?)"),
                            {qint64(1), QStringLiteral("b"), QStringLiteral("c")});
        });
        QVERIFY2(taken.startsWith(QStringLiteral("Error executing SQL statement.\rError [19]: "
                                                 "Abort due to contraint violation.")),
                 qPrintable(taken));
        QCOMPARE(ErrorOf([&] { db.RunStatement(QStringLiteral("Select * from Time")); }),
                 QStringLiteral("Error executing SQL statement"));
        QCOMPARE(ErrorOf([&] { db.RunStatement(QStringLiteral("  ")); }),
                 QStringLiteral("Could not prepare SQL statement"));
        // The connection goes on after every failure.
        QCOMPARE(db.OpenQuery(QStringLiteral("Select * from Time"))->RowCount(), 1);
    }

    void transactionIsAllOrNothing() {
        Database db(kDatabasePath);
        try {
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("Delete from KaoShi4"));
            db.RunStatement(QStringLiteral("Update Nothere Set a=1"));
            transaction.Commit();
        } catch (const DatabaseError&) {
        }
        QCOMPARE(workdir_->Scalar(QStringLiteral("Select count(*) from KaoShi4")),
                 QStringLiteral("3"));
        {
            Transaction transaction(db);
            db.RunStatement(QStringLiteral("Delete from KaoShi4 where TestID=3"));
            transaction.Commit();
        }
        QCOMPARE(workdir_->Scalar(QStringLiteral("Select count(*) from KaoShi4")),
                 QStringLiteral("2"));
    }

    // A picture is stored once however often a text refers to it, and comes back byte for byte
    // (every byte value, NULs included) from either engine and through the copy back to a file.
    void picturesAreStoredOnceAndReadBackExactly() {
        QByteArray png("\x89PNG\r\n\x1a\n", 8);
        for (int i = 0; i < 256 * 3; ++i)
            png.append(char(i));
        Database db(kDatabasePath);
        const QString marker = StorePicture(db, png);
        QCOMPARE(StorePicture(db, png), marker);
        QCOMPARE(workdir_->Scalar(QStringLiteral("Select count(*) from Tupian")),
                 QStringLiteral("1"));
        const auto read = ReadPicture(db, PictureHash(png));
        QVERIFY(read);
        QCOMPARE(read->bytes, png);
        QCOMPARE(read->format, QStringLiteral("png"));
        QVERIFY(!ReadPicture(db, PictureHash("other")));

        const QString text = QStringLiteral("如图") + marker + QStringLiteral("所示") + marker;
        const auto pieces = SplitPictures(text);
        QCOMPARE(pieces.size(), 4);
        QCOMPARE(pieces[0].text, QStringLiteral("如图"));
        QCOMPARE(pieces[1].pictureHash, PictureHash(png));
        QCOMPARE(PictureHashes(text).size(), 2);
        QCOMPARE(WithoutPictures(text), QStringLiteral("如图[图片]所示[图片]"));
        QVERIFY(!HasPictures(QStringLiteral("如图\uE000所示")));  // a stray mark is text
        QVERIFY(PictureRefusal(QByteArray(kPictureMaxBytes + 1, 'x'), QStringLiteral("a.png"))
                    .contains(QStringLiteral("5 MB")));
        QVERIFY(PictureRefusal("GIF89a....", QStringLiteral("b.gif")).isEmpty());
        QVERIFY(!PictureRefusal("%PDF-1.4", QStringLiteral("c.pdf")).isEmpty());

        if (!db.OnServer()) return;
        const QString back = workdir_->Path() + QStringLiteral("/pictures.db");
        Database file(back, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        CopyFromServer(db, file);
        QCOMPARE(ReadPicture(file, PictureHash(png))->bytes, png);
    }

    void classroomMovesToTheServerAndBackUnchanged() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
        // The working directory's server database was filled from the delivered file by
        // CopyToServer; texts that tempt every quoting rule and NULLs go both ways.
        Database server(TestWorkdir::Server());
        server.RunStatement(
            QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin,Chengji,Tt1) values "
                           "(?,?,?,?,?)"),
            {qint64(2), QStringLiteral("110102"), QStringLiteral("O'Brien \"王\"\n\t;--"),
             QStringLiteral("87.5"), nullptr});
        Database delivered(QStringLiteral(CX_DELIVERED_DB), Database::kDefaultBusyTimeoutMs,
                           Database::Target::LocalFile);
        for (const QString& table : kTables) {
            QStringList expected = Dump(delivered, table);
            if (table == QStringLiteral("Userxinxi"))
                expected << QStringLiteral("2|110102|O'Brien \"王\"\n\t;--|87.5") +
                                QStringLiteral("|<null>").repeated(12);
            QCOMPARE(Dump(server, table), expected);
        }

        const QString back = workdir_->Path() + QStringLiteral("/back.db");
        {
            Database file(back, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
            CopyFromServer(server, file);
        }
        Database file(back, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
        for (const QString& table : kTables)
            QCOMPARE(Dump(file, table), Dump(server, table));
        const QString schema = QStringLiteral(
            "Select type, name, sql from sqlite_master where name not like 'sqlite%' and name<>'"
            "Fuwuqi' order by name");
        QCOMPARE(Dump(file, schema), Dump(delivered, schema));

        // Neither way overwrites a database that holds tables.
        QVERIFY_THROWS_EXCEPTION(TargetNotEmpty, CopyToServer(file, server));
        QVERIFY_THROWS_EXCEPTION(TargetNotEmpty, CopyFromServer(server, file));
    }

  private:
    std::unique_ptr<TestWorkdir> workdir_;
};

QTEST_MAIN(EnginesTest)
#include "engines_test.moc"
