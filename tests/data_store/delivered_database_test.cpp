// The delivered database: its tables and view, the paper's shape and key formats, the accounts.
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "support/TestWorkdir.h"

#include <QRegularExpression>
#include <QtTest>

class DeliveredDatabaseTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { workdir_ = std::make_unique<TestWorkdir>(); }
    void cleanup() { workdir_.reset(); }

    void tablesWithKaoShiAViewOfTest() {
        if (TestWorkdir::OnServer()) {
            // The copy on the server: the same tables (names folded), the view, the schema's
            // version and the file's definitions kept for the way back.
            QCOMPARE(workdir_->Rows(QStringLiteral(
                         "select table_name from information_schema.tables where "
                         "table_schema=current_schema() order by table_type, table_name")),
                     (QStringList{"banben", "changci", "datijilu",  "exam",    "jiankao",
                                  "jiegou", "kaoshi2", "kaoshi3",   "kaoshi4", "kaoshijilu",
                                  "rizhi",  "shezhi",  "shijuan",   "test",    "time",
                                  "tupian", "usergl",  "userxinxi", "kaoshi",  "sqlite_master"}));
            QCOMPARE(workdir_->Scalar(QStringLiteral("pragma user_version")), QStringLiteral("3"));
        } else {
            QCOMPARE(workdir_->Rows(
                         QStringLiteral("select name from sqlite_master where type='table' and "
                                        "name not like 'sqlite_%' order by name")),
                     (QStringList{"Changci", "Datijilu", "Exam", "Jiankao", "KaoShi2", "KaoShi3",
                                  "KaoShi4", "Kaoshijilu", "Rizhi", "Shezhi", "Shijuan", "Test",
                                  "Time", "Tupian", "UserGL", "Userxinxi"}));
            QCOMPARE(workdir_->Scalar(QStringLiteral("pragma user_version")), QStringLiteral("3"));
            QCOMPARE(
                workdir_->Rows(QStringLiteral("select name from sqlite_master where type='view'")),
                QStringList{"KaoShi"});
        }
        // A change to the bank reaches the paper.
        workdir_->Sql(QStringLiteral("update Test set Request='改过的题目' where TestID=3"));
        Database db(kDatabasePath);
        auto row = db.OpenQuery(QStringLiteral("Select * from KaoShi where TestID=3"));
        QCOMPARE(row->Value(QStringLiteral("Request")), QStringLiteral("改过的题目"));
    }

    void banksHaveConsecutiveKeysAndValidAnswerKeys() {
        struct Bank {
            QString table;
            int rows;
            QRegularExpression key;
        };
        const Bank banks[] = {
            {QStringLiteral("Test"), 50, QRegularExpression(QStringLiteral("^[ABCD]$"))},
            {QStringLiteral("KaoShi2"), -1, QRegularExpression(QStringLiteral("^A?B?C?D?$"))},
            {QStringLiteral("KaoShi3"), 20, QRegularExpression(QStringLiteral("^(对|错)$"))},
        };
        Database db(kDatabasePath);
        double fullMarks = 0;
        for (const Bank& bank : banks) {
            auto table = db.OpenQuery(QStringLiteral("Select * from ") + bank.table);
            if (bank.rows > 0) QCOMPARE(table->RowCount(), bank.rows);
            QVERIFY2(table->RowCount() >= 5 && table->RowCount() <= 50, qPrintable(bank.table));
            for (int expected = 1; !table->AtEnd(); ++expected, table->MoveNext()) {
                QCOMPARE(table->Value(QStringLiteral("TestID")), QString::number(expected));
                const QString key = table->Value(QStringLiteral("DDx"));
                QVERIFY2(!key.isEmpty() && bank.key.match(key).hasMatch(),
                         qPrintable(bank.table + key));
                QVERIFY(!table->Value(QStringLiteral("Request")).isEmpty());
                fullMarks += StrToFloat(table->Value(QStringLiteral("Score")));
            }
        }
        QCOMPARE(FormatGeneral(fullMarks), QStringLiteral("100"));
        QCOMPARE(workdir_->Scalar(QStringLiteral("select count(*) from KaoShi3 where Score<>'1'")),
                 QStringLiteral("0"));
        const int subjective =
            workdir_->Scalar(QStringLiteral("select count(*) from KaoShi4")).toInt();
        QVERIFY(subjective >= 3 && subjective <= kSubjectiveLimit);
        QCOMPARE(workdir_->Scalar(QStringLiteral("select max(TestID) from KaoShi4")),
                 QString::number(subjective));
    }

    void accountsDurationAndExam() {
        Database db(kDatabasePath);
        auto admin = db.OpenQuery(QStringLiteral("Select * from UserGL"));
        QCOMPARE(admin->Value(QStringLiteral("Usermin")), QStringLiteral("admin"));
        QCOMPARE(admin->Value(QStringLiteral("password")), QStringLiteral("123456"));
        // A bare numeral finds the candidate; the stored text is the number itself.
        auto candidate =
            db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=110101"));
        QCOMPARE(candidate->RowCount(), 1);
        QCOMPARE(candidate->Value(QStringLiteral("Xuehao")), QStringLiteral("110101"));
        QCOMPARE(candidate->Value(QStringLiteral("Xingmin")), QStringLiteral("张三"));
        QCOMPARE(candidate->Value(QStringLiteral("Chengji")), QString());
        auto time = db.OpenQuery(QStringLiteral("Select * from Time"));
        QCOMPARE(time->Value(QStringLiteral("TimeID")), QStringLiteral("1"));
        QCOMPARE(time->Value(QStringLiteral("TimeN")), QStringLiteral("01:10:00"));
        auto exam = db.OpenQuery(QStringLiteral("Select * from Exam"));
        QVERIFY(exam->MoveLast());
        StrToInt(exam->Value(QStringLiteral("ExamID")));
    }

    void doubleQuotedNumbersMatchBareNumerals() {
        // What a spreadsheet import or an add stores must be found by "where <key>=<number>".
        workdir_->Sql(QStringLiteral(
            "insert into Userxinxi (UserID,Xuehao,Xingmin) values (\"2\",\"110102\",\"李四\");"
            "insert into KaoShi4 (TestID,Request) values (\"4\",\"问\");"
            "insert into UserGL (UserGLID,Usermin,password) values (\"2\",\"b\",\"c\")"));
        QCOMPARE(
            workdir_->Scalar(QStringLiteral("select Xingmin from Userxinxi where Xuehao=110102")),
            QStringLiteral("李四"));
        QCOMPARE(workdir_->Scalar(QStringLiteral("select Request from KaoShi4 where TestID=4")),
                 QStringLiteral("问"));
        QCOMPARE(workdir_->Scalar(QStringLiteral("select Usermin from UserGL where UserGLID=2")),
                 QStringLiteral("b"));
        QCOMPARE(
            workdir_->Scalar(QStringLiteral("select UserID from Userxinxi where Xuehao=110102")),
            QStringLiteral("2"));
    }

  private:
    std::unique_ptr<TestWorkdir> workdir_;
};

QTEST_GUILESS_MAIN(DeliveredDatabaseTest)
#include "delivered_database_test.moc"
