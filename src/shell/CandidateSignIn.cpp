#include "shell/CandidateSignIn.h"

#include "back_office/BackOffice.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/DatabaseTurn.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "journal/Entry.h"
#include "record/ExamRecord.h"
#include "record/Sitting.h"
#include "shell/AdminSignIn.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindow.h"
#include "shell/ShopLink.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"
#include "ui_common/Prompts.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CandidateSignIn::CandidateSignIn(Prompts& prompts, Platform& platform, AppWindows& windows,
                                 QWidget* parent)
    : FormDialog(parent), prompts_(prompts, this), platform_(platform), windows_(windows) {
    setObjectName(QStringLiteral("CandidateSignIn"));
    setWindowTitle(QStringLiteral("澄溪标准化考试系统8.01"));
    setFixedSize(592, 403);

    ColorLabel* shop = MakeShopLink(this, QStringLiteral("Label4"));
    guardedConnect(shop, &ColorLabel::clicked, this, [this] { platform_.OpenUrl(kShopAddress); });

    QLabel* title = MakeLabel(this, QStringLiteral("Label1"),
                              QStringLiteral("登录澄溪标准化考试系统"), 0, 60, 592, 40);
    title->setFont(PixelFont(29, true));
    title->setAlignment(Qt::AlignCenter);

    QLabel* numberLabel =
        MakeLabel(this, QStringLiteral("Label2"), QStringLiteral("学号"), 150, 146);
    numberLabel->setFont(PixelFont(21, true));
    numberLabel->adjustSize();
    edit1_ = MakeEdit(this, QStringLiteral("Edit1"), 210, 142, 220, 30, numberLabel);
    edit1_->setFont(PixelFont(16));
    FilterKeys(edit1_, kDigits);

    QLabel* nameLabel = MakeLabel(this, QStringLiteral("Label3"), QStringLiteral("姓名"), 150, 200);
    nameLabel->setFont(PixelFont(21, true));
    nameLabel->adjustSize();
    edit2_ = MakeEdit(this, QStringLiteral("Edit2"), 210, 196, 220, 30, nameLabel);
    edit2_->setFont(PixelFont(16));

    QPushButton* signIn =
        MakeButton(this, QStringLiteral("Button1"), QStringLiteral("登录"), 170, 260, 110, 40);
    QPushButton* quit =
        MakeButton(this, QStringLiteral("Button2"), QStringLiteral("退出"), 320, 260, 110, 40);
    signIn->setFont(PixelFont(16, true));
    quit->setFont(PixelFont(16, true));
    QPushButton* office = MakeButton(this, QStringLiteral("Button3"), QStringLiteral("后台管理"),
                                     592 - 190, 403 - 36, 85, 26);
    QPushButton* help = MakeButton(this, QStringLiteral("Button4"), QStringLiteral("软件帮助"),
                                   592 - 96, 403 - 36, 85, 26);
    guardedConnect(signIn, &QPushButton::clicked, this, [this] { Button1Click(); });
    guardedConnect(quit, &QPushButton::clicked, this, [this] { Button2Click(); });
    guardedConnect(office, &QPushButton::clicked, this, [this] { Button3Click(); });
    guardedConnect(help, &QPushButton::clicked, this, [this] { Button4Click(); });

    setTabOrder(edit1_, edit2_);
    setTabOrder(edit2_, signIn);
    setTabOrder(signIn, quit);
    setTabOrder(quit, office);
    setTabOrder(office, help);
    edit1_->setFocus();
}

QString CandidateSignIn::NumberText() const {
    return edit1_->text();
}

// "登录": check number and name against the candidate table.
void CandidateSignIn::Button1Click() {
    try {
        SignIn();
    } catch (const ServerUnreachable&) {
        // A candidate is told in the program's words only, never the server's.
        prompts_.Message(
            QStringLiteral("无法连接考试服务器，请稍后重新登录，或请监考老师检查网络。"));
    }
}

void CandidateSignIn::SignIn() {
    const QString number = edit1_->text().trimmed();
    const QString name = edit2_->text().trimmed();
    if (number.isEmpty() || name.isEmpty()) {
        prompts_.Message(QStringLiteral("学号或姓名不能为空。"));
        return;
    }
    const int value = StrToInt(edit1_->text());
    if (value < kLowestStudentNo || value > kHighestStudentNo) {
        prompts_.Message(QStringLiteral("这个考生不存在。"));
        return;
    }
    QString storedNumber, storedName;
    {
        Database db(kDatabasePath);
        // By the number the check computed, as the exam finds the candidate: a number stored in
        // another form ("0110101") is nobody's, and blanks around a typed number do not count.
        auto table =
            db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"), {qint64(value)});
        if (table->RowCount() == 0) {
            prompts_.Message(QStringLiteral("学号或姓名不存在。"));
            return;
        }
        storedNumber = table->Value(QStringLiteral("Xuehao"));
        storedName = table->Value(QStringLiteral("Xingmin"));
    }
    if (number != storedNumber || name != storedName) {
        prompts_.Message(QStringLiteral("学号或姓名不存在。"));
        return;
    }
    if (!RecordAllows(value)) return;
    signedIn_ = true;
    accept();
    windows_.main->SetPanelText(2, number);
    windows_.main->SetPanelText(4, name);
}

// The exam record decides whether the candidate may start or resume here. A record that cannot
// be read refuses the sign-in: a fresh attempt must never start over one that may exist.
bool CandidateSignIn::RecordAllows(int studentNo) {
    std::optional<AttemptRow> latest;
    std::optional<SittingRow> sitting;
    int unshipped = 0;  // entries the owner's workstation still held at its last apply
    try {
        const std::lock_guard turn(DatabaseTurn());  // this workstation's writer may be shipping
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        const ReadTransaction view(db);
        sitting = record::OpenSitting(db);
        if (sitting) latest = record::LatestAttempt(db, studentNo, sitting->id);
    } catch (const std::exception& error) {
        prompts_.Message(
            QStringLiteral("无法读取考试记录，暂时不能登录。请稍后再试，或请监考老师检查"
                           "考试数据库。\n") +
            QString::fromUtf8(error.what()));
        return false;
    }
    if (latest && latest->InProgress() && latest->installation != platform_.InstallationId())
        // Best effort, on a connection of its own: without any journal applied yet there is no
        // table to read.
        CaughtError([&] {
            const std::lock_guard turn(DatabaseTurn());
            Database db(kDatabasePath);
            const journal::Applied applied = journal::AppliedOf(db, latest->id);
            if (applied.owner == latest->owner) unshipped = applied.unshipped;
        });
    const SignInVerdict verdict = liveness_.Check(
        latest, platform_.InstallationId(), sitting ? sitting->clock : 0, platform_.SteadyMs());
    if (!verdict.allowed) {
        prompts_.Message(BusyMessage(verdict));
        return false;
    }
    // Moving on while the other workstation, alive, still ships its journal would leave those
    // answers refused: a proctor's permission waits for them too.
    if (unshipped > 0 && latest->SilentFor(sitting->clock) < kSilenceSeconds) {
        prompts_.Message(
            QStringLiteral("该考生在另一台机器上（%1，机器编号%2）还有%3条答案尚未上传到考试"
                           "数据库，请等待上传完成后再登录。")
                .arg(latest->workstation, latest->installation)
                .arg(unshipped));
        return false;
    }
    if (verdict.silentSeconds > 0) {
        // This workstation saw the attempt silent that long: the sitting's clock has run at
        // least as long since its last sign of life, and the resume charges it. Best effort: the
        // exam start reads the record again.
        const qint64 clock = latest->lastClock + verdict.silentSeconds;
        CaughtError([&] {
            Database db(kDatabasePath);
            record::AdvanceClock(db, sitting->id, clock);
        });
        sitting->clock = qMax(sitting->clock, clock);
    }
    if (latest && latest->InProgress())
        prompts_.Message(
            QStringLiteral("已恢复未完成的考试，剩余时间%1。已作答的题目和答案都已保留。")
                .arg(FormatTime(record::TimeOnResume(*latest, *sitting, platform_.InstallationId(),
                                                     platform_.Now())
                                    .secondsLeft)));
    return true;
}

QString BusyMessage(const SignInVerdict& verdict) {
    return QStringLiteral(
               "该考生正在另一台机器上考试（%1）。请在那台机器上继续；"
               "若那台机器已停止工作，请等待%2秒后再登录。")
        .arg(verdict.busyWorkstation)
        .arg(verdict.secondsToWait);
}

// The exam sent the candidate back: the window opens empty for the next sign-in.
void CandidateSignIn::Reset() {
    signedIn_ = false;
    edit1_->clear();
    edit2_->clear();
    edit1_->setFocus();
}

// The sign-in succeeded: the back office and the administrator sign-in close with this window, so
// no back office waits behind the exam; reaching it again takes an administrator sign-in.
void CandidateSignIn::accept() {
    if (windows_.adminSignIn) windows_.adminSignIn->close();
    if (windows_.backOffice) windows_.backOffice->close();
    FormDialog::accept();
}

// "退出": end the program whatever the boxes hold.
void CandidateSignIn::Button2Click() {
    close();
    RequestTerminate();
}

void CandidateSignIn::Button3Click() {
    windows_.adminSignIn->exec();
}

void CandidateSignIn::Button4Click() {
    windows_.help->exec();
}

void CandidateSignIn::closeEvent(QCloseEvent* event) {
    // Leaving without a successful sign-in ends the program: nobody may take the exam under a
    // number whose name was never checked.
    if (!signedIn_) RequestTerminate();
    FormDialog::closeEvent(event);
}
