#include "back_office/AdminsTab.h"

#include "back_office/TabFields.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Renumbering.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "data_store/SharedSettings.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr FieldColumns kColumns{86, 104, 130};
}  // namespace

AdminsTab::AdminsTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabSheet2"));

    listView1_ = new ReportList(
        this, QStringLiteral("ListView1"),
        {QStringLiteral("序号"), QStringLiteral("管理员名称"), QStringLiteral("密码")});
    listView1_->setGeometry(10, 10, 330, 420);
    listView1_->setColumnWidth(0, 60);
    listView1_->setColumnWidth(1, 130);
    listView1_->setColumnWidth(2, 130);
    guardedConnect(listView1_, &ReportList::rowClicked, this, [this] { ListView1Click(); });
    QPushButton* refresh =
        MakeButton(this, QStringLiteral("Button1"), QStringLiteral("刷新"), 10, 440, 90, 30);
    guardedConnect(refresh, &QPushButton::clicked, this, [this] { Button1Click(); });

    QGroupBox* add = MakeSection(this, QStringLiteral("GroupBox1"), QStringLiteral("添加管理员"),
                                 355, 10, 245, 150);
    edit8_ = MakeField(add, QStringLiteral("Edit8"), QStringLiteral("管理员名称:"), 32, kColumns);
    edit9_ = MakeField(add, QStringLiteral("Edit9"), QStringLiteral("密      码:"), 68, kColumns);
    QPushButton* addButton =
        MakeButton(add, QStringLiteral("Button9"), QStringLiteral("添加"), 144, 108, 90, 30);
    guardedConnect(addButton, &QPushButton::clicked, this, [this] { Button9Click(); });

    QGroupBox* remove = MakeSection(this, QStringLiteral("GroupBox2"), QStringLiteral("删除管理员"),
                                    610, 10, 245, 150);
    edit10_ =
        MakeField(remove, QStringLiteral("Edit10"), QStringLiteral("管理员名称："), 32, kColumns);
    QPushButton* removeButton =
        MakeButton(remove, QStringLiteral("Button10"), QStringLiteral("删除"), 144, 108, 90, 30);
    guardedConnect(removeButton, &QPushButton::clicked, this, [this] { Button10Click(); });

    QGroupBox* time = MakeSection(this, QStringLiteral("GroupBox3"), QStringLiteral("设置考试时间"),
                                  355, 175, 245, 190);
    edit11_ = MakeField(time, QStringLiteral("Edit11"), QStringLiteral("考试时间："), 32, kColumns);
    edit11_->setText(QStringLiteral("01:10:00"));
    FilterKeys(edit11_, kDigitsAndColon);
    QLabel* hint =
        MakeLabel(time, QString(), QStringLiteral("时间格式（00：00：00）"), 12, 64, 222, 24);
    hint->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QPushButton* timeButton =
        MakeButton(time, QStringLiteral("Button19"), QStringLiteral("设置"), 144, 148, 90, 30);
    guardedConnect(timeButton, &QPushButton::clicked, this, [this] { Button19Click(); });

    // The school's name heads every printed page; set once, shared by every workstation.
    QGroupBox* school = MakeSection(this, QStringLiteral("SchoolBox"), QStringLiteral("学校名称"),
                                    355, 380, 500, 90);
    school_ = MakeField(school, QStringLiteral("SchoolName"), QStringLiteral("学校名称："), 28,
                        {86, 104, 270});
    QLabel* schoolHint = MakeLabel(
        school, QString(), QStringLiteral("打印的成绩单、成绩表和成绩分析的页眉显示学校名称。"), 16,
        58, 470, 24);
    schoolHint->setEnabled(false);
    QPushButton* schoolButton = MakeButton(school, QStringLiteral("SchoolNameSet"),
                                           QStringLiteral("设置"), 390, 26, 90, 30);
    guardedConnect(schoolButton, &QPushButton::clicked, this, [this] { SchoolNameClick(); });

    QGroupBox* change = MakeSection(this, QStringLiteral("GroupBox4"),
                                    QStringLiteral("管理员密码修改"), 610, 175, 245, 190);
    edit2_ =
        MakeField(change, QStringLiteral("Edit2"), QStringLiteral("管理员名称："), 32, kColumns);
    edit3_ =
        MakeField(change, QStringLiteral("Edit3"), QStringLiteral("原  密  码："), 68, kColumns);
    edit4_ =
        MakeField(change, QStringLiteral("Edit4"), QStringLiteral("新  密  码："), 104, kColumns);
    MaskWithStars(edit3_);
    MaskWithStars(edit4_);
    QPushButton* changeButton =
        MakeButton(change, QStringLiteral("Button5"), QStringLiteral("修改"), 44, 148, 90, 30);
    QPushButton* clearButton =
        MakeButton(change, QStringLiteral("Button6"), QStringLiteral("清空"), 144, 148, 90, 30);
    guardedConnect(changeButton, &QPushButton::clicked, this, [this] { Button5Click(); });
    guardedConnect(clearButton, &QPushButton::clicked, this, [this] { Button6Click(); });
}

void AdminsTab::Refresh() {
    Button1Click();
    UpgradeSchemaOnce(kDatabasePath);
    Database officeDb(kDatabasePath);
    school_->setText(settings::Read(officeDb, settings::kSchoolName));
}

void AdminsTab::Button1Click() {
    listView1_->ClearRows();
    Database officeDb(kDatabasePath);
    RenumberKeys(officeDb, QStringLiteral("UserGL"), QStringLiteral("UserGLID"),
                 QStringLiteral("UserGLID"));
    auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from UserGL"));
    for (; !officeTable->AtEnd(); officeTable->MoveNext())
        listView1_->AddRow({officeTable->Value(QStringLiteral("UserGLID")),
                            officeTable->Value(QStringLiteral("Usermin")),
                            officeTable->Value(QStringLiteral("password"))});
}

void AdminsTab::ListView1Click() {
    const int row = listView1_->SelectedRow();
    if (row < 0) return;
    edit10_->setText(listView1_->Cell(row, 1));
    edit2_->setText(listView1_->Cell(row, 1));
}

void AdminsTab::Button9Click() {
    if (edit8_->text().trimmed().isEmpty() || edit9_->text().trimmed().isEmpty()) {
        prompts_.Message(QStringLiteral("管理员或密码不能为空。"));
    } else {
        Database officeDb(kDatabasePath);
        auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from UserGL"));
        // The typed name untrimmed: " admin" is a name of its own.
        bool exists = false;
        for (; !officeTable->AtEnd() && !exists; officeTable->MoveNext())
            exists = officeTable->Value(QStringLiteral("Usermin")) == edit8_->text();
        if (exists) {
            prompts_.Message(QStringLiteral("管理员已存在,请重新输入管理员。"));
        } else {
            officeDb.RunStatement(
                QStringLiteral("INSERT INTO UserGL (UserGLID,Usermin,password) values (?,?,?)"),
                {qint64(officeTable->RowCount() + 1), edit8_->text(), edit9_->text()});
            prompts_.Message(QStringLiteral("添加成功,谢谢!"));
            edit8_->clear();
            edit9_->clear();
        }
    }
    Button1Click();
}

void AdminsTab::Button10Click() {
    const QString name = edit10_->text().trimmed();
    if (name.isEmpty()) {
        prompts_.Message(QStringLiteral("管理员不能为空。"));
    } else {
        Database officeDb(kDatabasePath);
        auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from UserGL"));
        QList<qint64> matches;
        for (; !officeTable->AtEnd(); officeTable->MoveNext())
            if (officeTable->Value(QStringLiteral("Usermin")) == name)
                matches << StrToInt(officeTable->Value(QStringLiteral("UserGLID")));
        if (matches.isEmpty()) {
            prompts_.Message(QStringLiteral("管理员不存在，请重新输入管理员。"));
        } else if (matches.size() == officeTable->RowCount()) {
            // Without an administrator nobody could sign in to the back office again.
            prompts_.Message(QStringLiteral("至少保留一个管理员。"));
        } else {
            for (qint64 key : matches) {
                officeDb.RunStatement(QStringLiteral("Delete  from UserGL where UserGLID=?"),
                                      {key});
                prompts_.Message(QStringLiteral("删除成功。"));
            }
        }
    }
    Button1Click();
}

void AdminsTab::Button5Click() {
    const QString name = edit2_->text().trimmed();
    const QString oldPassword = edit3_->text().trimmed();
    if (name.isEmpty() || oldPassword.isEmpty() || edit4_->text().trimmed().isEmpty()) {
        prompts_.Message(QStringLiteral("管理员或密码不能为空。"));
        return;
    }
    Database officeDb(kDatabasePath);
    const int count = officeDb.OpenQuery(QStringLiteral("Select * from UserGL"))->RowCount();
    bool changed = false;
    for (int n = 1; n <= count; ++n) {
        QString storedName, storedPassword;
        {
            auto officeTable = officeDb.OpenQuery(
                QStringLiteral("Select * from UserGL where UserGLID=?"), {qint64(n)});
            storedName = officeTable->Value(QStringLiteral("Usermin"));
            storedPassword = officeTable->Value(QStringLiteral("password"));
        }
        if (storedName == name && storedPassword == oldPassword) {
            officeDb.RunStatement(QStringLiteral("Update UserGL Set password=? where UserGLID=?"),
                                  {edit4_->text(), qint64(n)});
            changed = true;
            prompts_.Message(QStringLiteral("密码修改成功。"));
        }
    }
    if (!changed) prompts_.Message(QStringLiteral("管理员不存在或原密码错误。"));
}

void AdminsTab::Button6Click() {
    edit2_->clear();
    edit3_->clear();
    edit4_->clear();
}

void AdminsTab::Button19Click() {
    const QString duration = edit11_->text().trimmed();
    if (duration.isEmpty()) {
        prompts_.Message(QStringLiteral("时间不能为空。"));
        return;
    }
    int seconds = 0;
    if (!TryStrToTime(duration, &seconds)) {
        prompts_.Message(QStringLiteral("不是时间格式"));
        return;
    }
    Database officeDb(kDatabasePath);
    officeDb.RunStatement(QStringLiteral("Update Time Set TimeN=? where TimeID=1"),
                          {edit11_->text()});
    prompts_.Message(QStringLiteral("考试时间设置成功。"));
}

// Stored as typed, like every name the back office keeps; the printed header shows it on one
// line (white space collapsed, cut short where the page's title begins).
void AdminsTab::SchoolNameClick() {
    const QString name = school_->text();
    UpgradeSchemaOnce(kDatabasePath);
    Database officeDb(kDatabasePath);
    settings::Write(officeDb, settings::kSchoolName, name);
    prompts_.Message(name.trimmed().isEmpty()
                         ? QStringLiteral("已清除学校名称，打印的页眉不再显示学校名称。")
                         : QStringLiteral("学校名称设置成功。"));
}
