// Faults a user can cause, met through the windows: a read-only database file, a missing data
// folder, a file that is not a database, a full disk, and a database locked by another process
// beyond the busy timeout. Each reaches the user as one error box, changes nothing half-way, the
// program goes on, and nothing a candidate saved is lost.
#include "../exam/ExamRig.h"
#include "back_office/BackOffice.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Conversions.h"
#include "reliability/Faults.h"
#include "shell/CandidateSignIn.h"
#include "shell/Startup.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

#include <memory>

namespace {

enum class Fault { ReadOnly, NoDataFolder, NotADatabase, DiskFull, Locked };

// A fault made on a working directory while the object lives; Lift() ends it early.
class FaultScope {
  public:
    FaultScope(Fault fault, const TestWorkdir& dir) : fault_(fault), dir_(dir) {
        const QString file = dir.DatabaseFile();
        switch (fault) {
            case Fault::ReadOnly:
                permissions_ = std::make_unique<PermissionsApply>();
                QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup);
                break;
            case Fault::NoDataFolder:
                QVERIFY(QDir(dir.Path()).rename(QStringLiteral("data"), QStringLiteral("away")));
                break;
            case Fault::NotADatabase: {
                saved_ = FileBytes(file);
                QFile garbage(file);
                QVERIFY(garbage.open(QIODevice::WriteOnly | QIODevice::Truncate));
                garbage.write(QByteArray("这不是数据库，是一封信。\n").repeated(200));
                break;
            }
            case Fault::DiskFull:
                full_ = std::make_unique<DiskFull>();
                break;
            case Fault::Locked:
                lock_ = std::make_unique<LockedByAnotherProcess>(dir.Path());
                break;
        }
    }
    ~FaultScope() { Lift(); }

    void Lift() {
        if (lifted_) return;
        lifted_ = true;
        const QString file = dir_.DatabaseFile();
        switch (fault_) {
            case Fault::ReadOnly:
                QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
                permissions_.reset();
                break;
            case Fault::NoDataFolder:
                QDir(dir_.Path()).rename(QStringLiteral("away"), QStringLiteral("data"));
                break;
            case Fault::NotADatabase: {
                QFile restored(file);
                if (restored.open(QIODevice::WriteOnly | QIODevice::Truncate))
                    restored.write(saved_);
                break;
            }
            case Fault::DiskFull:
                full_.reset();
                break;
            case Fault::Locked:
                lock_.reset();
                break;
        }
    }

    // Whether reading still works under this fault.
    bool ReadsWork() const { return fault_ == Fault::ReadOnly || fault_ == Fault::DiskFull; }

  private:
    Fault fault_;
    const TestWorkdir& dir_;
    bool lifted_ = false;
    QByteArray saved_;
    std::unique_ptr<PermissionsApply> permissions_;
    std::unique_ptr<DiskFull> full_;
    std::unique_ptr<LockedByAnotherProcess> lock_;
};

void AddFaultRows() {
    QTest::addColumn<Fault>("fault");
    QTest::newRow("read-only file") << Fault::ReadOnly;
    QTest::newRow("no data folder") << Fault::NoDataFolder;
    QTest::newRow("not a database") << Fault::NotADatabase;
    QTest::newRow("disk full") << Fault::DiskFull;
    QTest::newRow("locked by another process") << Fault::Locked;
}

// What the file holds, to compare before and after a failed action (the file may be away).
QByteArray Bytes(const TestWorkdir& dir, Fault fault) {
    return FileBytes(fault == Fault::NoDataFolder ? dir.Path() + QStringLiteral("/away/Maindb.db")
                                                  : dir.DatabaseFile());
}

// A text that needs pages the full disk does not have.
QString LongText() {
    return QStringLiteral("一段很长的答案。\n").repeated(3000);
}

}  // namespace

Q_DECLARE_METATYPE(Fault)

class UserFaultsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        ResetTermination();
        prompts_.Clear();
        SetErrorPrompts(&prompts_);
    }

    void signInMeetsTheFault_data() { AddFaultRows(); }
    void signInMeetsTheFault() {
        QFETCH(Fault, fault);
        TestWorkdir dir;
        Program program(prompts_, platform_, false);
        CandidateSignIn* signIn = program.Windows().signIn;
        signIn->show();
        signIn->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("110101"));
        signIn->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("张三"));
        auto* button = signIn->findChild<QPushButton*>(QStringLiteral("Button1"));
        FaultScope scope(fault, dir);
        const QByteArray before = Bytes(dir, fault);
        QTest::mouseClick(button, Qt::LeftButton);
        if (scope.ReadsWork()) {
            QVERIFY(prompts_.shown.isEmpty());
            QCOMPARE(signIn->result(), int(QDialog::Accepted));
            return;
        }
        QCOMPARE(prompts_.Errors().size(), 1);
        QCOMPARE(prompts_.shown.size(), 1);
        QVERIFY(signIn->isVisible());
        QCOMPARE(Bytes(dir, fault), before);
        QVERIFY(!QFile::exists(dir.DatabaseFile()) || fault != Fault::NoDataFolder);
        // Once the fault is gone the same click signs in.
        scope.Lift();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(prompts_.shown.size(), 1);
        QCOMPARE(signIn->result(), int(QDialog::Accepted));
    }

    void backOfficeMeetsTheFault_data() { AddFaultRows(); }
    void backOfficeMeetsTheFault() {
        QFETCH(Fault, fault);
        TestWorkdir dir;
        dir.Sql(QStringLiteral("update Userxinxi set UserID = 5"));  // the refresh renumbers
        ScriptedPrompts& prompts = prompts_;
        BackOffice office(prompts, nullptr);
        office.EnsureBuilt();
        auto* tab = office.findChild<QWidget*>(QStringLiteral("TabSheet1"));
        office.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(tab);
        const QString sheet = dir.Path() + QStringLiteral("/in.xlsx");
        // More candidates than a full disk has room for.
        SheetCells cells{{QStringLiteral("序号")}};
        for (int i = 0; i < 300; ++i)
            cells << QStringList{QString::number(i + 1),
                                 QString::number(120100 + i),
                                 QStringLiteral("导入的考生%1号").arg(i),
                                 QStringLiteral("1"),
                                 QStringLiteral("2"),
                                 QStringLiteral("3")};
        WriteSheet(sheet, cells);
        std::unique_ptr<FaultScope> scope = std::make_unique<FaultScope>(fault, dir);
        QByteArray before = Bytes(dir, fault);

        // Shown: every list refreshed in one handler, so one box at most.
        office.show();
        QVERIFY(prompts.Errors().size() <= 1);
        const int shownErrors = int(prompts.Errors().size());
        if (fault != Fault::DiskFull) QCOMPARE(shownErrors, 1);    // the renumbering cannot write
        if (fault == Fault::DiskFull) before = Bytes(dir, fault);  // renumbered in place
        // "添加": a candidate with a name too long for a full disk.
        tab->findChild<QLineEdit*>(QStringLiteral("Edit5"))->setText(QStringLiteral("120002"));
        tab->findChild<QLineEdit*>(QStringLiteral("Edit6"))->setText(LongText());
        prompts.Clear();
        QTest::mouseClick(tab->findChild<QPushButton*>(QStringLiteral("Button7")), Qt::LeftButton);
        QCOMPARE(prompts.Errors().size(), 1);
        QCOMPARE(prompts.shown.size(), 1);
        // "导入": the candidates' replacement from a workbook.
        prompts.Clear();
        prompts.fileAnswers.enqueue(sheet);
        QTest::mouseClick(tab->findChild<QPushButton*>(QStringLiteral("Butk2")), Qt::LeftButton);
        QCOMPARE(prompts.Errors().size(), 1);
        QCOMPARE(prompts.Messages().size(), 0);
        QCOMPARE(Bytes(dir, fault), before);

        // The program goes on: without the fault the same add works.
        scope.reset();
        prompts.Clear();
        QTest::mouseClick(tab->findChild<QPushButton*>(QStringLiteral("Button7")), Qt::LeftButton);
        QCOMPARE(prompts.Texts(), QStringList{QStringLiteral("添加成功,谢谢!")});
        QCOMPARE(dir.Rows(QStringLiteral("select UserID, Xuehao from Userxinxi")),
                 (QStringList{QStringLiteral("1|110101"), QStringLiteral("2|120002")}));
    }

    void examMeetsTheFault_data() { AddFaultRows(); }
    void examMeetsTheFault() {
        QFETCH(Fault, fault);
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        // Error boxes shown by one click.
        const auto boxes = [&rig](const char* control) {
            const qsizetype before = rig.prompts.Errors().size();
            rig.Click(QString::fromLatin1(control));
            return int(rig.prompts.Errors().size() - before);
        };
        // Saved before the fault: an answer, and the score of question 1 (key A).
        auto* memo = rig.Find<QPlainTextEdit>(QStringLiteral("MeRequest"));
        boxes("LabBt4");
        memo->setPlainText(QStringLiteral("第一稿"));
        boxes("Labee4");
        boxes("LabBt1");
        boxes("RadioButton1");
        boxes("lblNext");
        QVERIFY(rig.prompts.shown.isEmpty());
        const QStringList saved =
            rig.dir.Rows(QStringLiteral("select Chengji, Tt1 from Userxinxi"));
        QCOMPARE(saved, QStringList{QStringLiteral("1|第一稿")});

        auto scope = std::make_unique<FaultScope>(fault, rig.dir);
        const QByteArray before = Bytes(rig.dir, fault);
        // Every button answers and no box is shown: the questions come from the paper the exam
        // loaded, and what cannot be written waits in the journal on this workstation.
        QCOMPARE(boxes("lblNext"), 0);
        QVERIFY(rig.Text(QStringLiteral("mmoRequest")).startsWith(QStringLiteral("第3题")));
        QCOMPARE(boxes("LabBt4"), 0);
        memo->setPlainText(LongText());
        QCOMPARE(boxes("Labee4"), 0);
        QCOMPARE(memo->toPlainText(), LongText());
        // Hand-in: the score is shown as usual; it is shipped once the fault is gone.
        QCOMPARE(boxes("lblEndTest"), 0);
        QCOMPARE(rig.prompts.Messages().size(), 1);
        QVERIFY(TerminateRequested());
        // Run as root, the read-only file stays writable to the journal's writer thread: a
        // thread keeps the capabilities it was created with, and only the test's own thread
        // gave up overriding permissions.
        if (fault != Fault::DiskFull && fault != Fault::ReadOnly)
            QCOMPARE(Bytes(rig.dir, fault), before);
        scope.reset();
        QCOMPARE(rig.dir.Rows(QStringLiteral("select Chengji, Tt1 from Userxinxi")),
                 QStringList{QStringLiteral("1|") + LongText()});
        QCOMPARE(IntegrityOf(rig.dir), QStringLiteral("ok"));
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Daan from Datijilu where Bufen=4")),
                 LongText());
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Zhuangtai from Kaoshijilu")),
                 QStringLiteral("1"));
        QCOMPARE(rig.prompts.Errors(), QStringList());
    }

    // A file locked while the candidate moves on: the questions come from the paper the exam
    // loaded, so the candidate moves on with no box; what could not be written is shipped once
    // the lock is gone, and the next pick and score land on the question shown.
    void lockedFileDoesNotHoldTheCandidateBack() {
        ExamRig rig;
        rig.Start();
        rig.StopClock();
        {
            LockedByAnotherProcess lock(rig.dir.Path());
            rig.Click(QStringLiteral("lblNext"));  // the showing and the score cannot be written
        }
        QCOMPARE(rig.prompts.Errors().size(), 0);
        QVERIFY(rig.Text(QStringLiteral("mmoRequest")).startsWith(QStringLiteral("第2题")));
        rig.Click(QStringLiteral("RadioButton1"));
        QCOMPARE(rig.Color(QStringLiteral("p2p1")), QColor(0x0000FF));
        QVERIFY(rig.Color(QStringLiteral("p1p1")) != QColor(0x0000FF));
        rig.Click(QStringLiteral("lblNext"));
        QVERIFY(rig.Text(QStringLiteral("mmoRequest")).startsWith(QStringLiteral("第3题")));
        QCOMPARE(rig.Chengji(), FormatGeneral(rig.State().AchievedScore));
        QCOMPARE(rig.dir.Scalar(QStringLiteral("select Daan from Datijilu where Bufen=1 and "
                                               "TestID=2")),
                 QStringLiteral("A"));
        QCOMPARE(rig.prompts.Errors().size(), 0);
    }

    // Start-up: every creation step that reads the database meets the same fault; the user meets
    // it in one box, and the sign-in window still comes.
    void startUpMeetsTheFault_data() { AddFaultRows(); }
    void startUpMeetsTheFault() {
        QFETCH(Fault, fault);
        TestWorkdir dir;
        FaultScope scope(fault, dir);
        const QByteArray before = Bytes(dir, fault);
        QStringList created;
        Program program(prompts_, platform_, false, [&](const QString& name) { created << name; });
        QCOMPARE(created.size(), 6);
        QCOMPARE(prompts_.shown.size(), scope.ReadsWork() ? 0 : 1);
        QCOMPARE(prompts_.Errors().size(), prompts_.shown.size());
        QCOMPARE(Bytes(dir, fault), before);
    }

  private:
    static QString IntegrityOf(const TestWorkdir& dir) {
        return dir.Scalar(QStringLiteral("PRAGMA integrity_check"));
    }

    ScriptedPrompts prompts_;
    FakePlatform platform_;
};

QTEST_MAIN(UserFaultsTest)
#include "user_faults_test.moc"
