// Conversions: integer range edges, floats, the general format, strict UTF-8, times.
#include "data_store/Conversions.h"

#include <QtTest>

namespace {
QString ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ConversionError& error) {
        return error.Message();
    }
    return QStringLiteral("<no error>");
}
}  // namespace

class ConversionsTest : public QObject {
    Q_OBJECT

  private slots:
    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("plain") << "110101" << true << 110101;
        QTest::newRow("max") << "2147483647" << true << 2147483647;
        QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
        QTest::newRow("leading blanks") << "  42" << true << 42;
        QTest::newRow("plus") << "+7" << true << 7;
        QTest::newRow("leading zeros") << "0003" << true << 3;
        QTest::newRow("above max") << "2147483648" << false << 0;
        QTest::newRow("below min") << "-2147483649" << false << 0;
        QTest::newRow("eleven digits") << "99999999999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blank") << " " << false << 0;
        QTest::newRow("trailing blank") << "12 " << false << 0;
        QTest::newRow("decimal point") << "2.5" << false << 0;
        QTest::newRow("sign only") << "-" << false << 0;
        QTest::newRow("full-width digit") << "１２" << false << 0;
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        if (valid) {
            QCOMPARE(StrToInt(text), value);
        } else {
            QCOMPARE(ErrorOf([&] { StrToInt(text); }),
                     QStringLiteral("'%1' is not a valid integer value").arg(text));
            int ignored = 0;
            QVERIFY(!TryStrToInt(text, &ignored));
        }
    }

    void floats() {
        QCOMPARE(StrToFloat(QStringLiteral("2.5")), 2.5);
        QCOMPARE(StrToFloat(QStringLiteral(" 3 ")), 3.0);
        QCOMPARE(StrToFloat(QStringLiteral("1e3")), 1000.0);
        QCOMPARE(StrToFloat(QStringLiteral(".5")), 0.5);
        for (const char* bad : {"", "2,5", "abc", "1e", "inf", "nan", "0x10", "1.2.3", "1e999"})
            QCOMPARE(ErrorOf([&] { StrToFloat(QString::fromLatin1(bad)); }),
                     QStringLiteral("'%1' is not a valid floating point value")
                         .arg(QString::fromLatin1(bad)));
    }

    void generalFormat_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("85") << 85.0 << "85";
        QTest::newRow("87.5") << 87.5 << "87.5";
        QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("negative zero") << -0.0 << "0";
        QTest::newRow("negative") << -2.25 << "-2.25";
        QTest::newRow("1e-5 fixed") << 0.00001 << "0.00001";
        QTest::newRow("1e-6 scientific") << 1e-6 << "1E-6";
        QTest::newRow("15 digits fixed") << 999999999999999.0 << "999999999999999";
        QTest::newRow("1e15 scientific") << 1e15 << "1E15";
        QTest::newRow("1.5e20") << 1.5e20 << "1.5E20";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("student number") << 110101.0 << "110101";
        QTest::newRow("rounds up to the next power") << 9.9999999999999999 << "10";
    }
    void generalFormat() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(FormatGeneral(value), text);
    }

    void utf8IsDecodedStrictly() {
        QCOMPARE(DecodeUtf8(QByteArray("\xe4\xb8\xad\xe6\x96\x87")), QStringLiteral("中文"));
        QCOMPARE(DecodeUtf8(QByteArray("\xe4\xb8")), QString());  // cut short
        QCOMPARE(DecodeUtf8(QByteArray("ok\xff")), QString());    // invalid byte
        QCOMPARE(DecodeUtf8(QByteArray("\xc0\xaf")), QString());  // overlong
        QCOMPARE(DecodeUtf8(QByteArray("\xf0\x9f\x98\x80")),
                 QStringLiteral("😀"));  // outside the BMP
        QCOMPARE(DecodeUtf8(QByteArray()), QString());
        // A byte-order mark is a character like any other: a text stored with one keeps it.
        QCOMPARE(DecodeUtf8(QByteArray("\xef\xbb\xbf"
                                       "abc")),
                 QStringLiteral("\uFEFFabc"));
        QCOMPARE(DecodeUtf8(QStringLiteral("\uFEFF名").toUtf8()).toUtf8(),
                 QStringLiteral("\uFEFF名").toUtf8());
    }

    void times() {
        QCOMPARE(StrToTime(QStringLiteral("01:10:00")), 4200);
        QCOMPARE(StrToTime(QStringLiteral("1:30")), 5400);
        QCOMPARE(StrToTime(QStringLiteral("0:1:30")), 90);
        QCOMPARE(StrToTime(QStringLiteral(" 23:59:59 ")), 86399);
        for (const char* bad :
             {"25:00:00", "24:00", "1:60", "1:00:60", "", "10", "1::0", "a:b", "1:2:3:4", "100:00"})
            QCOMPARE(ErrorOf([&] { StrToTime(QString::fromLatin1(bad)); }),
                     QStringLiteral("'%1' is not a valid time").arg(QString::fromLatin1(bad)));
        // The countdown subtracts "00:00:01" each tick.
        const int second = StrToTime(QStringLiteral("00:00:01"));
        QCOMPARE(FormatTime(StrToTime(QStringLiteral("00:01:30")) - second),
                 QStringLiteral("00:01:29"));
        QCOMPARE(FormatTime(StrToTime(QStringLiteral("01:00:00")) - second),
                 QStringLiteral("00:59:59"));
        QCOMPARE(FormatTime(StrToTime(QStringLiteral("00:00:01")) - second),
                 QStringLiteral("00:00:00"));
        QCOMPARE(FormatTime(0 - second), QStringLiteral("23:59:59"));
    }
};

QTEST_GUILESS_MAIN(ConversionsTest)
#include "conversions_test.moc"
