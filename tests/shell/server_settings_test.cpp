// Where the data lives, as the teacher sets it: the "服务器" tab copying a classroom to the test
// cluster (TLS checked against the cluster's own CA) and setting up the exam role, which the exam
// then works as and which is refused the administrators and every change of structure; switching
// back to the file with the server's content brought in first; and the administrator sign-in
// while the server is down, opening the file for the "服务器" tab alone.
#include "../exam/ExamRig.h"
#include "back_office/BackOffice.h"
#include "back_office/ServerTab.h"
#include "data_store/Database.h"
#include "data_store/ServerLink.h"
#include "shell/AdminSignIn.h"
#include "shell/CandidateSignIn.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTabWidget>
#include <QtTest>

#include <sqlite3.h>

namespace {

void Fill(QWidget* tab, const char* box, const QString& text) {
    tab->findChild<QLineEdit*>(QString::fromLatin1(box))->setText(text);
}

bool Refused(const std::function<void()>& action) {
    try {
        action();
    } catch (const DatabaseError&) {
        return true;
    }
    return false;
}

}  // namespace

class ServerSettingsTest : public QObject {
    Q_OBJECT

  private slots:
    void copyToServerSetsUpTheExamRoleAndBack() {
        if (qEnvironmentVariableIsEmpty("CX_PG_HOST") || TestWorkdir::OnServer())
            QSKIP("needs the test cluster's variables, on a file of its own");
        TestWorkdir dir;
        const ServerAddress server = TestWorkdir::Server();
        Database(server).RunScript(
            QStringLiteral("Drop Schema public Cascade; Create Schema public"));
        const QString examRole =
            QStringLiteral("t%1_kaoshi").arg(QCoreApplication::applicationPid());

        ScriptedPrompts prompts;
        ServerTab tab(prompts, nullptr);
        Fill(&tab, "Edit31", server.host);
        Fill(&tab, "Edit32", QString::number(server.port));
        Fill(&tab, "Edit33", server.database);
        Fill(&tab, "Edit34", server.user);
        Fill(&tab, "Edit35", server.password);
        Fill(&tab, "Edit36", examRole);
        Fill(&tab, "Edit38", server.caFile);
        tab.findChild<QComboBox*>(QStringLiteral("ComboBox31"))->setCurrentIndex(0);  // verify-full
        tab.Button32Click();
        QCOMPARE(prompts.LastText(), QStringLiteral("已复制到服务器，以后的连接都使用服务器"));
        const std::optional<ServerSettings> stored = StoredServerSettings(dir.DatabaseFile());
        QVERIFY(stored);
        QCOMPARE(stored->examUser, examRole);
        QCOMPARE(stored->examPassword.size(), 20);  // drawn, nobody types it
        QCOMPARE(stored->sslMode, QStringLiteral("verify-full"));
        QVERIFY(!stored->copiedAt.isEmpty());
        QCOMPARE(dir.Scalar(QStringLiteral("Select Mima from Fuwuqi")), QString());  // not stored
        // Saved again: the owner (CREATEROLE, no superuser) alters the role it made.
        tab.Button31Click();
        QCOMPARE(prompts.LastText(), QStringLiteral("已保存，以后的连接都使用服务器"));

        // A workstation: the exam role, over TLS checked against the cluster's CA.
        SetSessionOwnerPassword(std::nullopt);
        {
            Database exam(QStringLiteral("data/Maindb.db"));
            QCOMPARE(exam.OpenQuery(QStringLiteral("Select current_user as u, ssl from pg_stat_ssl "
                                                   "where pid=pg_backend_pid()"))
                         ->Value(QStringLiteral("u")),
                     examRole);
            QVERIFY(Refused([&] { exam.OpenQuery(QStringLiteral("Select * from UserGL")); }));
            QVERIFY(
                Refused([&] { exam.RunStatement(QStringLiteral("Create Table X(a integer)")); }));
            QVERIFY(Refused(
                [&] { exam.RunStatement(QStringLiteral("Create Temp Table X(a integer)")); }));
            QVERIFY(Refused([&] { exam.RunStatement(QStringLiteral("Delete from Test")); }));
            QVERIFY(Refused(
                [&] { exam.RunStatement(QStringLiteral("Update Userxinxi Set Xingmin='x'")); }));
            QVERIFY(exam.OpenQuery(QStringLiteral("Select * from Test"))->RowCount() > 0);
        }
        {
            // The exam, as the exam role: a pick and 下一题 write the record and the score.
            ExamRig rig;
            StoreServerSettings(rig.dir.DatabaseFile(), stored);
            rig.Start();
            rig.Click(QStringLiteral("RadioButton1"));  // question 1, the key A
            rig.Click(QStringLiteral("lblNext"));
            rig.Settle();  // the journal's writer has shipped them
            QCOMPARE(rig.prompts.Errors(), QStringList());
        }
        Database owner(server);
        QCOMPARE(
            owner.OpenQuery(QStringLiteral("Select Chengji from Userxinxi where Xuehao=110101"))
                ->Value(QStringLiteral("Chengji")),
            QStringLiteral("1"));
        owner.RunStatement(QStringLiteral("Update Time Set TimeN='00:45:00'"));

        // Back to the file: told what the file holds, and offered the server's content first.
        SetSessionOwnerPassword(server.password);
        prompts.confirmAnswers.enqueue(true);
        tab.Button34Click();
        QVERIFY2(prompts.shown[prompts.shown.size() - 2].text.contains(stored->copiedAt),
                 qPrintable(prompts.shown[prompts.shown.size() - 2].text));
        QVERIFY(prompts.LastText().startsWith(QStringLiteral("已把服务器上的内容复制回本地文件")));
        QVERIFY(!StoredServerSettings(dir.DatabaseFile()));
        // The file as it was (naming the server) is kept beside it.
        QVERIFY(StoredServerSettings(dir.DatabaseFile() + QStringLiteral(".bak")));
        QCOMPARE(dir.Scalar(QStringLiteral("Select TimeN from Time")), QStringLiteral("00:45:00"));
        QCOMPARE(dir.Scalar(QStringLiteral("Select Chengji from Userxinxi where Xuehao=110101")),
                 QStringLiteral("1"));
        SetSessionOwnerPassword(std::nullopt);
    }

    void fileOfAnOlderProgramKeepsItsAddressButNotTheOwnerPassword() {
        TestWorkdir dir;
        dir.Sql(
            QStringLiteral("Create Table Fuwuqi(Dizhi text, Duankou integer, Shujuku text, "
                           "Yonghu text, Mima text); Insert into Fuwuqi values "
                           "('localhost', 1, 'kaoshi', 'owner', 'secret')"));
        const std::optional<ServerSettings> old = StoredServerSettings(dir.DatabaseFile());
        QVERIFY(old);
        QCOMPARE(old->owner, QStringLiteral("owner"));
        // No exam role yet: the workstation does not connect with the owner's stored password,
        // nor falls back to the file.
        try {
            Database db(QStringLiteral("data/Maindb.db"));
            QFAIL("connected");
        } catch (const ServerUnreachable& error) {
            QVERIFY(error.Message().contains(QStringLiteral("没有考试账号")));
        }
        StoreServerSettings(dir.DatabaseFile(), old);
        QCOMPARE(dir.Rows(QStringLiteral("Select Dizhi, Yonghu, Mima, Jiami from Fuwuqi")),
                 QStringList{QStringLiteral("localhost|owner||require")});
    }

    void lockedFileNamingAServerIsNoReasonToUseTheFile() {
        TestWorkdir dir;
        ServerSettings settings{.host = QStringLiteral("localhost"),
                                .port = 1,
                                .database = QStringLiteral("kaoshi"),
                                .owner = QStringLiteral("o"),
                                .examUser = QStringLiteral("e"),
                                .examPassword = QStringLiteral("p"),
                                .sslMode = QString(),
                                .caFile = QString(),
                                .copiedAt = QString()};
        StoreServerSettings(dir.DatabaseFile(), settings);
        QVERIFY_THROWS_EXCEPTION(ServerUnreachable, Database(QStringLiteral("data/Maindb.db")));
        // Another process holds the file: the settings cannot be read, and the file is not used.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(dir.DatabaseFile().toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "Begin Exclusive", nullptr, nullptr, nullptr), SQLITE_OK);
        try {
            Database db(QStringLiteral("data/Maindb.db"), 200);
            QFAIL("opened");
        } catch (const ServerUnreachable& error) {
            QVERIFY(error.Detail().contains(QStringLiteral("服务器设置")));
        }
        sqlite3_close(other);
    }

    void signInWhileTheServerIsDownOffersTheSettingsAlone() {
        ResetTermination();
        ScriptedPrompts prompts;
        SetErrorPrompts(&prompts);
        TestWorkdir dir;
        // Nothing listens on port 1: the server is down.
        StoreServerSettings(dir.DatabaseFile(), ServerSettings{.host = QStringLiteral("localhost"),
                                                               .port = 1,
                                                               .database = QStringLiteral("kaoshi"),
                                                               .owner = QStringLiteral("chengxi"),
                                                               .examUser = QStringLiteral("kaoshi"),
                                                               .examPassword = QStringLiteral("p"),
                                                               .sslMode = QString(),
                                                               .caFile = QString(),
                                                               .copiedAt = QString()});
        SetSessionOwnerPassword(std::nullopt);
        FakePlatform platform;
        Program program(prompts, platform, false);
        // A candidate is told in Chinese alone, and not that they do not exist.
        QWidget* candidate = program.Windows().signIn;
        Fill(candidate, "Edit1", QStringLiteral("110101"));
        Fill(candidate, "Edit2", QStringLiteral("张三"));
        prompts.Clear();
        program.Windows().signIn->Button1Click();
        QCOMPARE(prompts.Texts(),
                 QStringList{
                     QStringLiteral("无法连接考试服务器，请稍后重新登录，或请监考老师检查网络。")});
        AdminSignIn* signIn = program.Windows().adminSignIn;
        signIn->show();
        QVERIFY(signIn->findChild<QLineEdit*>(QStringLiteral("Edit3"))->isVisible());
        Fill(signIn, "Edit1", QStringLiteral("admin"));
        Fill(signIn, "Edit2", QStringLiteral("123456"));
        Fill(signIn, "Edit3", QStringLiteral("owner's"));
        prompts.Clear();
        prompts.confirmAnswers.enqueue(true);
        signIn->Button1Click();
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.startsWith(
            QStringLiteral("无法连接考试服务器 chengxi@localhost:1/kaoshi。")));
        BackOffice* office = program.Windows().backOffice;
        QVERIFY(office->isVisible());
        QVERIFY(office->ServerSettingsOnly());
        auto* pages = office->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QCOMPARE(pages->tabText(pages->currentIndex()), QStringLiteral("服务器"));
        QVERIFY(!pages->isTabEnabled(0));
        QCOMPARE(office->findChild<QLineEdit*>(QStringLiteral("Edit31"))->text(),
                 QStringLiteral("localhost"));
        QVERIFY(!SessionOwnerPassword());
        office->hide();
        SetErrorPrompts(nullptr);
    }
};

QTEST_MAIN(ServerSettingsTest)
#include "server_settings_test.moc"
