// The help window: its title, the shop invitation and the help text with the initial accounts.
#include "shell/HelpWindow.h"
#include "shell/ShopLink.h"
#include "support/FakePlatform.h"
#include "support/TestWorkdir.h"
#include "ui_common/Widgets.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTest>

class HelpWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void windowAndTitle();
    void shopInvitationOpensTheShop();
    void helpTextHasItsSectionsInOrder();
    void initialAccountsAgreeWithTheDeliveredDatabase();
};

namespace {
QPlainTextEdit* Memo(HelpWindow& window) {
    window.EnsureBuilt();
    return window.findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
}
}  // namespace

void HelpWindowTest::windowAndTitle() {
    FakePlatform platform;
    HelpWindow window(platform);
    QCOMPARE(window.windowTitle(), QStringLiteral("软件帮助"));
    QCOMPARE(window.size(), QSize(882, 555));
    window.EnsureBuilt();
    auto* label1 = window.findChild<QLabel*>(QStringLiteral("Label1"));
    QVERIFY(label1);
    QCOMPARE(label1->text(), QStringLiteral("澄溪标准化考试系统"));
    QCOMPARE(label1->font().pixelSize(), 27);
    QPlainTextEdit* memo = Memo(window);
    QVERIFY(memo);
    QCOMPARE(memo->size(), QSize(785, 425));
    QCOMPARE(memo->font().pixelSize(), 19);
    QVERIFY(!memo->isReadOnly());  // a user may type in it; nothing is kept
    QVERIFY(window.rect().contains(memo->geometry()));
    // The regular-script family where it is installed.
    if (QFontDatabase::hasFamily(QString::fromLatin1(kRegularScriptFamily))) {
        QCOMPARE(label1->font().families().value(0), QString::fromLatin1(kRegularScriptFamily));
        QCOMPARE(memo->font().families().value(0), QString::fromLatin1(kRegularScriptFamily));
    }
}

void HelpWindowTest::shopInvitationOpensTheShop() {
    FakePlatform platform;
    HelpWindow window(platform);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* label2 = window.findChild<ColorLabel*>(QStringLiteral("Label2"));
    QVERIFY(label2);
    QCOMPARE(label2->text(), kShopCaption);
    QCOMPARE(label2->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0xFF));
    // Top right, wholly inside the window, above the text box.
    QVERIFY(window.rect().contains(label2->geometry()));
    QVERIFY(label2->geometry().right() > window.width() * 3 / 4);
    QVERIFY(label2->geometry().bottom() < Memo(window)->geometry().top());

    QTest::mouseClick(label2, Qt::LeftButton);
    QCOMPARE(platform.openedUrls, QStringList{kShopAddress});
}

void HelpWindowTest::helpTextHasItsSectionsInOrder() {
    FakePlatform platform;
    HelpWindow window(platform);
    const QStringList lines = Memo(window)->toPlainText().split(u'\n');
    const QStringList headings = {QStringLiteral("一、软件的用途"), QStringLiteral("二、考试题型"),
                                  QStringLiteral("三、软件性质"), QStringLiteral("四、软件类别"),
                                  QStringLiteral("五、初始登录")};
    qsizetype previous = 0;  // the opening paragraph comes first
    for (const QString& heading : headings) {
        const qsizetype at = lines.indexOf(heading);
        QVERIFY2(at > previous, qPrintable(heading));
        previous = at;
    }
    QCOMPARE(lines.value(lines.indexOf(QStringLiteral("四、软件类别")) + 1).trimmed(),
             QStringLiteral("教学软件。"));
    QCOMPARE(lines.value(lines.indexOf(QStringLiteral("五、初始登录")) + 1).trimmed(),
             QStringLiteral("登录方式:"));
    // The closing block carries the shop invitation.
    QVERIFY(lines.indexOf(QStringLiteral("    ") + kShopCaption) > previous);
}

// The two numbered login lines name exactly what a fresh database lets in.
void HelpWindowTest::initialAccountsAgreeWithTheDeliveredDatabase() {
    TestWorkdir workdir;
    const QStringList candidate =
        workdir.Rows("Select Xuehao, Xingmin from Userxinxi order by UserID").value(0).split(u'|');
    const QStringList admin =
        workdir.Rows("Select Usermin, password from UserGL order by UserGLID").value(0).split(u'|');
    QCOMPARE(candidate.size(), 2);
    QCOMPARE(admin.size(), 2);

    FakePlatform platform;
    HelpWindow window(platform);
    const QStringList lines = Memo(window)->toPlainText().split(u'\n');
    const qsizetype at = lines.indexOf(QStringLiteral("    登录方式:"));
    QVERIFY(at > 0);
    QCOMPARE(lines.value(at + 1).trimmed(), QStringLiteral("1. 考试登录：学号 ") + candidate[0] +
                                                QStringLiteral("，姓名 ") + candidate[1] +
                                                QStringLiteral("。"));
    QCOMPARE(lines.value(at + 2).trimmed(), QStringLiteral("2. 后台管理登录：管理员 ") + admin[0] +
                                                QStringLiteral("，密码 ") + admin[1] +
                                                QStringLiteral("。"));
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
