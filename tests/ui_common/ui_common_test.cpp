// Error routing, termination of nested loops, key filters and the forms' keyboard rules.
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "support/ScriptedPrompts.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/FormDialog.h"
#include "ui_common/ReportList.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class UiCommonTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        prompts_.Clear();
        SetErrorPrompts(&prompts_);
        ResetTermination();
    }

    void handlerErrorsReachTheDefaultErrorBoxAndSkipTheRest() {
        QPushButton button;
        QStringList steps;
        // An inner handler "clicked" by an outer one: its error ends the outer handler too.
        const auto inner = [&] {
            steps << "inner";
            StrToInt(QStringLiteral("12a"));
            steps << "inner after";
        };
        guardedConnect(&button, &QPushButton::clicked, &button, [&] {
            steps << "outer";
            inner();
            steps << "outer after";
        });
        button.click();
        QCOMPARE(steps, (QStringList{"outer", "inner"}));
        QCOMPARE(prompts_.Errors(), QStringList{"'12a' is not a valid integer value"});
        QCOMPARE(prompts_.shown.last().window, &button);  // the box speaks for the handler's window
        // The next event is handled as usual.
        button.click();
        QCOMPARE(prompts_.Errors().size(), 2);
    }

    void qtsOwnTextsAreChinese() {
        QVERIFY(LoadQtChinese());
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("取消"));
        const QString fileName = QCoreApplication::translate("QFileDialog", "File &name:");
        QVERIFY2(fileName.contains(QStringLiteral("文件")), qPrintable(fileName));
    }

    void handlersMayTakeTheSignalsArguments() {
        QLineEdit edit;
        QString seen;
        guardedConnect(&edit, &QLineEdit::textChanged, &edit, [&](const QString& text) {
            seen = text;
            if (text == QStringLiteral("x"))
                throw DatabaseError(QStringLiteral("Could not retrieve data"));
        });
        edit.setText(QStringLiteral("ab"));
        QCOMPARE(seen, QStringLiteral("ab"));
        edit.setText(QStringLiteral("x"));
        QCOMPARE(prompts_.Errors(), QStringList{"Could not retrieve data"});
    }

    void timerTicksAreGuarded() {
        QTimer timer;
        int ticks = 0;
        guardedConnect(&timer, &QTimer::timeout, &timer, [&] {
            ++ticks;
            throw DatabaseError(QStringLiteral("The database file is locked"));
        });
        timer.start(1);
        QTRY_VERIFY(ticks >= 2);
        timer.stop();
        QCOMPARE(prompts_.Errors().size(), ticks);
    }

    void terminationEndsNestedModalLoopsAndLaterOnes() {
        FormDialog outer;
        FormDialog inner;
        bool innerReturned = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [] { RequestTerminate(); });
            inner.exec();
            innerReturned = true;
        });
        outer.exec();
        QVERIFY(innerReturned);
        QVERIFY(TerminateRequested());
        // A loop started after the request returns at once: no further window waits for the user.
        FormDialog late;
        QElapsedTimer clock;
        clock.start();
        late.exec();
        QVERIFY(clock.elapsed() < 1000);
    }

    void keyFiltersDropCharactersBeforeTheyReachTheBox() {
        QLineEdit edit;
        FilterKeys(&edit, kDigitsAndColon);
        edit.show();
        QTest::keyClicks(&edit, QStringLiteral("1a:3 -0"));
        QCOMPARE(edit.text(), QStringLiteral("1:30"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("1:3"));
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QCOMPARE(edit.text(), QStringLiteral(":3"));
        // Text committed by an input method is filtered too.
        QInputMethodEvent chinese;
        chinese.setCommitString(QStringLiteral("一二"));
        QApplication::sendEvent(&edit, &chinese);
        QCOMPARE(edit.text(), QStringLiteral(":3"));
        QInputMethodEvent digits;
        digits.setCommitString(QStringLiteral("45"));
        QApplication::sendEvent(&edit, &digits);
        QCOMPARE(edit.text(), QStringLiteral("45:3"));  // typed at the cursor, still at the start
    }

    void tabLeavesAFilteredBox() {
        QWidget form;
        QLineEdit* number = MakeEdit(&form, QStringLiteral("Edit1"), 0, 0, 100, 20);
        QLineEdit* name = MakeEdit(&form, QStringLiteral("Edit2"), 0, 30, 100, 20);
        FilterKeys(number, kDigits);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        number->setFocus();
        QTest::keyClick(number, Qt::Key_Tab);
        QVERIFY(name->hasFocus());
        QCOMPARE(number->text(), QString());
    }

    void formsHaveNoDefaultOrCancelButton() {
        FormDialog dialog;
        QLineEdit* edit = MakeEdit(&dialog, QStringLiteral("Edit1"), 0, 0, 100, 20);
        QPushButton* button =
            MakeButton(&dialog, QStringLiteral("Button1"), QStringLiteral("登录"), 0, 30, 80, 24);
        int clicks = 0;
        guardedConnect(button, &QPushButton::clicked, button, [&] { ++clicks; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::keyClick(edit, Qt::Key_Enter);
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(clicks, 0);
        QVERIFY(dialog.isVisible());
    }

    void colourPanelsReportTheirColourAndClicks() {
        ColorLabel panel(nullptr, QStringLiteral("Panel7"), QStringLiteral("7"),
                         QColor(0x7E, 0xCE, 0xE0));
        int clicks = 0;
        connect(&panel, &ColorLabel::clicked, [&] { ++clicks; });
        QTest::mouseClick(&panel, Qt::LeftButton);
        QTest::mouseClick(&panel, Qt::RightButton);
        QCOMPARE(clicks, 1);
        panel.setColor(Qt::red);
        QCOMPARE(panel.color(), QColor(Qt::red));
        QCOMPARE(panel.accessibleName(), QStringLiteral("7"));
    }

    void reportListRowsAndSelection() {
        ReportList list(nullptr, QStringLiteral("ListView1"), {"序号", "管理员名称", "密码"});
        list.AddRow({"1", "admin", "123456"});
        list.AddRow({"2", "王老师"});
        QCOMPARE(list.RowCount(), 2);
        QCOMPARE(list.Row(1), (QStringList{"2", "王老师", ""}));
        QCOMPARE(list.SelectedRow(), -1);
        list.SelectRow(1);
        QCOMPARE(list.SelectedRow(), 1);
        QCOMPARE(list.Captions(), (QStringList{"序号", "管理员名称", "密码"}));
    }

  private:
    ScriptedPrompts prompts_;
};

QTEST_MAIN(UiCommonTest)
#include "ui_common_test.moc"
