// The access layer's promises that must hold on both engines (run once on the file and once on
// the test cluster): values read back as the same texts, table order, the error path, all-or-
// nothing changes; and moving a classroom to the server and back keeps every row and text, taking
// the file as it stood at one moment while a workstation writes to it; a server whose certificate
// does not check out is never connected to.
#include "data_store/ClassroomCopy.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "support/TestWorkdir.h"

#include <QtTest>

#include <netdb.h>
#include <atomic>
#include <thread>

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

    // On a server, writers of different scopes (the attempts of a room, the candidates' exam
    // starts) run side by side; one of the same scope, and one of the whole database, wait for
    // the scope's writer to end.
    void scopedWritersShareTheTurn() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
        Database db(kDatabasePath);
        Transaction holding(db, Transaction::Scope{1});
        db.RunStatement(QStringLiteral("Update KaoShi4 Set Request='甲' where TestID=1"));
        const auto tryWrite = [](std::optional<Transaction::Scope> scope) {
            bool written = false;
            std::thread([&] {
                try {
                    Database other(kDatabasePath);
                    std::optional<Transaction> t;
                    scope ? t.emplace(other, *scope) : t.emplace(other);
                    other.RunStatement(
                        QStringLiteral("Update KaoShi4 Set Request='乙' where TestID=2"));
                    t->Commit();
                    written = true;
                } catch (const DatabaseError&) {  // the lock's wait ran out
                }
            }).join();
            return written;
        };
        QVERIFY(tryWrite(Transaction::Scope{2}));
        QVERIFY(tryWrite(Transaction::Scope::Candidate(1)));  // a start is not attempt 1's writer
        QVERIFY(!tryWrite(Transaction::Scope{1}));
        QVERIFY(!tryWrite(std::nullopt));
        holding.Commit();
        QVERIFY(tryWrite(std::nullopt));
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

    // The copy reads the file from one snapshot: a workstation moving points between two rows
    // and logging each move, one transaction each, all through the copy, leaves the server with
    // the sum intact and exactly the moves the rows show.
    void copyToServerTakesTheFileAtOneMoment() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
        const QString path = workdir_->Path() + QStringLiteral("/busy.db");
        QVERIFY(QFile::copy(QStringLiteral(CX_DELIVERED_DB), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        {
            Database file(path, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
            file.RunScript(QStringLiteral(
                "Create Table Fen (ID INTEGER PRIMARY KEY, Shu INTEGER); Insert into Fen values "
                "(1, 500); Insert into Fen values (2, 500); Create Table Yidong (N INTEGER)"));
        }
        std::atomic<int> moves = 0;
        std::atomic<bool> done = false;
        QString failed;
        std::thread workstation([&] {
            try {
                Database file(path, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
                for (int n = 1; !done; ++n) {
                    Transaction move(file);
                    file.RunStatement(QStringLiteral("Update Fen Set Shu=Shu-1 where ID=1"));
                    file.RunStatement(QStringLiteral("Insert into Yidong values (?)"), {qint64(n)});
                    file.RunStatement(QStringLiteral("Update Fen Set Shu=Shu+1 where ID=2"));
                    move.Commit();
                    moves = n;
                }
            } catch (const DatabaseError& error) {
                failed = error.Message();
                done = true;
            }
        });
        QTRY_VERIFY(moves >= 20);
        const int before = moves;
        Database server(TestWorkdir::Server());
        server.RunScript(QStringLiteral("Drop Schema public Cascade; Create Schema public"));
        {
            Database file(path, Database::kDefaultBusyTimeoutMs, Database::Target::LocalFile);
            CopyToServer(file, server);
        }
        QTRY_VERIFY(moves > before + 20);  // the workstation went on writing
        done = true;
        workstation.join();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        const QStringList fen = Dump(server, QStringLiteral("Fen"));
        const int copied = Dump(server, QStringLiteral("Yidong")).size() - 1;
        QVERIFY(copied >= before);
        QCOMPARE(fen.mid(1), (QStringList{QStringLiteral("1|%1").arg(500 - copied),
                                          QStringLiteral("2|%1").arg(500 + copied)}));
        QCOMPARE(server.OpenQuery(QStringLiteral("Select max(N) from Yidong"))->ColumnAsInt64(0),
                 copied);
    }

    // verify-full and verify-ca connect only to a server whose certificate the given authority
    // signed (verify-full: for the name connected to); the refusal is the program's own sentence.
    // Without an authority, require still connects, encrypted.
    void serverCertificateIsChecked() {
        if (!TestWorkdir::OnServer()) QSKIP("needs the test cluster (CX_TEST_ENGINE=postgresql)");
        const QString otherCa = workdir_->Path() + QStringLiteral("/other-ca.crt");
        QProcess openssl;
        openssl.setStandardErrorFile(QProcess::nullDevice());
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                       "/CN=localhost", "-keyout", workdir_->Path() + QStringLiteral("/ca.key"),
                       "-out", otherCa});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);
        const ServerAddress good = TestWorkdir::Server();
        const auto refusal = [](const ServerAddress& address) {
            try {
                Database(address).OpenQuery(QStringLiteral("Select 1"));
            } catch (const ServerUnreachable& error) {
                return error.Message();
            }
            return QStringLiteral("<connected>");
        };
        const QString encrypted = QStringLiteral(
            "Select case when ssl then 'encrypted' else 'plain' end as s from pg_stat_ssl where "
            "pid=pg_backend_pid()");
        for (const QString mode : {"verify-full", "verify-ca", "require"}) {
            ServerAddress wrong = good;
            wrong.sslMode = mode;
            wrong.caFile = otherCa;
            QVERIFY2(refusal(wrong).startsWith(
                         QStringLiteral("无法连接考试服务器 %1。\n").arg(good.Label())),
                     qPrintable(mode + QStringLiteral(": ") + refusal(wrong)));
        }
        ServerAddress plain = good;
        plain.sslMode = DefaultSslMode(QString());
        plain.caFile.clear();
        QCOMPARE(plain.sslMode, QStringLiteral("require"));
        QCOMPARE(Database(plain).OpenQuery(encrypted)->Value(QStringLiteral("s")),
                 QStringLiteral("encrypted"));

        // A name of this machine that reaches the server but is not on its certificate.
        ServerAddress byName = good;
        byName.host = QSysInfo::machineHostName();
        addrinfo* found = nullptr;
        if (getaddrinfo(byName.host.toUtf8().constData(), nullptr, nullptr, &found) != 0)
            QSKIP("this machine's name does not resolve");
        const bool loopback =
            found->ai_family == AF_INET &&
            reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr == htonl(0x7f000001);
        freeaddrinfo(found);
        if (!loopback || byName.host == QStringLiteral("localhost"))
            QSKIP("this machine's name does not reach the server on 127.0.0.1");
        QVERIFY(refusal(byName).startsWith(QStringLiteral("无法连接考试服务器")));
        byName.sslMode = QStringLiteral("verify-ca");
        QCOMPARE(Database(byName).OpenQuery(encrypted)->Value(QStringLiteral("s")),
                 QStringLiteral("encrypted"));
    }

  private:
    std::unique_ptr<TestWorkdir> workdir_;
};

QTEST_MAIN(EnginesTest)
#include "engines_test.moc"
