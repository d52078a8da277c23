#include "back_office/CandidatesTab.h"

#include "back_office/ExchangeRules.h"
#include "back_office/ResultPrinting.h"
#include "back_office/SheetExchange.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Renumbering.h"
#include "data_store/Schema.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr int kListWidth = 415;
constexpr int kListHeight = 297;
constexpr int kPanelSize = 297;
constexpr int kGroupHeight = kPanelSize / 3;
constexpr int kButtonX = 204;  // the groups' buttons, right of their boxes

// The title of a group of the panel: a 19-pixel caption.
void MakeGroupTitle(QWidget* panel, const QString& name, const QString& caption, int group) {
    QLabel* title = MakeLabel(panel, name, caption, 10, group * kGroupHeight + 4, 200, 24);
    title->setFont(PixelFont(19));
}

// A caption and its edit box on one line of a group.
QLineEdit* MakeField(QWidget* panel, const QString& labelName, const QString& caption,
                     const QString& editName, int y) {
    QLabel* label = MakeLabel(panel, labelName, caption, 10, y, 44, 24);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return MakeEdit(panel, editName, 58, y, 130, 24, label);
}

}  // namespace

CandidatesTab::CandidatesTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabSheet1"));

    listView3_ = new ReportList(
        this, QStringLiteral("ListView3"),
        {QStringLiteral("序号"), QStringLiteral("学号"), QStringLiteral("姓名"),
         QStringLiteral("客观成绩"), QStringLiteral("主观成绩"), QStringLiteral("总评成绩")});
    listView3_->setGeometry(10, 10, kListWidth, kListHeight);
    const int widths[6] = {45, 70, 80, 70, 70, 70};
    for (int c = 0; c < 6; ++c)
        listView3_->setColumnWidth(c, widths[c]);
    guardedConnect(listView3_, &ReportList::rowClicked, this, [this] { ListView3Click(); });

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    panel->setGeometry(10 + kListWidth + 8, 10, kPanelSize, kPanelSize);

    // Each group: its title, its boxes on the left, its button on the right.
    MakeGroupTitle(panel, QStringLiteral("Label9"), QStringLiteral("添加新考生"), 0);
    edit5_ = MakeField(panel, QStringLiteral("Label10"), QStringLiteral("学号"),
                       QStringLiteral("Edit5"), 32);
    edit6_ = MakeField(panel, QStringLiteral("Label11"), QStringLiteral("姓名"),
                       QStringLiteral("Edit6"), 64);
    FilterKeys(edit5_, kDigits);
    QPushButton* add =
        MakeButton(panel, QStringLiteral("Button7"), QStringLiteral("添加"), kButtonX, 47, 80, 28);
    guardedConnect(add, &QPushButton::clicked, this, [this] { Button7Click(); });

    MakeGroupTitle(panel, QStringLiteral("Label12"), QStringLiteral("删除考生"), 1);
    edit7_ = MakeField(panel, QStringLiteral("Label13"), QStringLiteral("学号"),
                       QStringLiteral("Edit7"), kGroupHeight + 32);
    FilterKeys(edit7_, kDigits);
    QPushButton* remove = MakeButton(panel, QStringLiteral("Button8"), QStringLiteral("删除"),
                                     kButtonX, kGroupHeight + 30, 80, 28);
    guardedConnect(remove, &QPushButton::clicked, this, [this] { Button8Click(); });

    MakeGroupTitle(panel, QStringLiteral("Label19"), QStringLiteral("成绩查询"), 2);
    edit1_ = MakeField(panel, QStringLiteral("Label3"), QStringLiteral("姓名："),
                       QStringLiteral("Edit1"), 2 * kGroupHeight + 32);
    QPushButton* query = MakeButton(panel, QStringLiteral("Button3"), QStringLiteral("查询"),
                                    kButtonX, 2 * kGroupHeight + 30, 80, 28);
    guardedConnect(query, &QPushButton::clicked, this, [this] { Button3Click(); });

    // Below the list, in one row: refresh and the spreadsheet exchange.
    const int y = 10 + kListHeight + 10;
    QPushButton* refresh =
        MakeButton(this, QStringLiteral("Button4"), QStringLiteral("刷新"), 10, y, 90, 30);
    guardedConnect(refresh, &QPushButton::clicked, this, [this] { Button4Click(); });
    butk1_ = MakeButton(this, QStringLiteral("Butk1"), QStringLiteral("导出"), 110, y, 90, 30);
    butk2_ = MakeButton(this, QStringLiteral("Butk2"), QStringLiteral("导入"), 210, y, 90, 30);
    butk3_ = MakeButton(this, QStringLiteral("Butk3"), QStringLiteral("保存"), 310, y, 90, 30);
    butk3_->hide();
    auto* exchange = new SheetExchange(
        Exchange::Candidates, prompts_, listView3_, [this] { Button4Click(); }, this);
    exchange->Connect(butk1_, butk2_, butk3_);

    // Below them: the class list and the selected candidate's result sheet on paper.
    const int y2 = y + 40;
    MakeLabel(this, QStringLiteral("LabelPrintList"), QStringLiteral("成绩表："), 10, y2 + 6);
    const struct {
        const char* name;
        const char* caption;
        int x;
        bool sheet, preview;
    } prints[] = {{"ClassListPreview", "打印预览", 64, false, true},
                  {"ClassListPdf", "导出PDF", 154, false, false},
                  {"ResultSheetPreview", "打印预览", 372, true, true},
                  {"ResultSheetPdf", "导出PDF", 462, true, false}};
    MakeLabel(this, QStringLiteral("LabelPrintSheet"), QStringLiteral("所选考生成绩单："), 256,
              y2 + 6);
    for (const auto& p : prints) {
        QPushButton* button = MakeButton(this, QString::fromLatin1(p.name),
                                         QString::fromUtf8(p.caption), p.x, y2, 84, 30);
        guardedConnect(button, &QPushButton::clicked, this, [this, p] {
            p.sheet ? PrintResultSheetClick(p.preview) : PrintClassListClick(p.preview);
        });
    }
}

void CandidatesTab::AddCandidateRow(const ResultTable& row) {
    listView3_->AddRow({row.Value(QStringLiteral("UserID")), row.Value(QStringLiteral("Xuehao")),
                        row.Value(QStringLiteral("Xingmin")), row.Value(QStringLiteral("Chengji")),
                        row.Value(QStringLiteral("Chengji1")),
                        row.Value(QStringLiteral("Chengji2"))});
}

void CandidatesTab::Button4Click() {
    listView3_->ClearRows();
    Database officeDb(kDatabasePath);
    RenumberKeys(officeDb, QStringLiteral("Userxinxi"), QStringLiteral("UserID"),
                 QStringLiteral("Xuehao"));
    auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    for (; !officeTable->AtEnd(); officeTable->MoveNext())
        AddCandidateRow(*officeTable);
}

void CandidatesTab::Button7Click() {
    if (edit5_->text().trimmed().isEmpty() || edit6_->text().trimmed().isEmpty()) {
        prompts_.Message(QStringLiteral("学号或姓名不能为空。"));
    } else {
        const QString numberText = edit5_->text();
        const QString name = edit6_->text();
        // A number beyond 32 bits stops here with the conversion error: nothing written, no
        // refresh.
        const int number = StrToInt(numberText);
        Database officeDb(kDatabasePath);
        auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from Userxinxi"));
        if (number < kLowestStudentNo || number > kHighestStudentNo) {
            prompts_.Message(QStringLiteral("学号不在110101-999999内,请重新输入学号。"));
        } else if (!IsPlainStudentNumber(numberText)) {
            // In range but written otherwise ("0110101"): stored so, no sign-in would find it.
            prompts_.Message(NotPlainStudentNumber(numberText) +
                             QStringLiteral("，请重新输入学号。"));
        } else {
            bool exists = false;
            for (; !officeTable->AtEnd() && !exists; officeTable->MoveNext())
                exists = officeTable->Value(QStringLiteral("Xuehao")) == numberText;
            if (exists) {
                prompts_.Message(QStringLiteral("学号已存在,请重新输入学号。"));
            } else {
                officeDb.RunStatement(
                    QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) values (?,?,?)"),
                    {qint64(officeTable->RowCount() + 1), numberText, name});
                prompts_.Message(QStringLiteral("添加成功,谢谢!"));
                edit5_->clear();
                edit6_->clear();
            }
        }
    }
    Button4Click();
}

void CandidatesTab::Button8Click() {
    const QString number = edit7_->text().trimmed();
    if (number.isEmpty()) {
        prompts_.Message(QStringLiteral("学号或姓名不能为空。"));
    } else {
        Database officeDb(kDatabasePath);
        auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from Userxinxi"));
        bool found = false;
        for (; !officeTable->AtEnd(); officeTable->MoveNext()) {
            if (officeTable->Value(QStringLiteral("Xuehao")) != number) continue;
            // The number as stored text: the rows just matched are exactly the ones removed.
            officeDb.RunStatement(QStringLiteral("Delete  from Userxinxi where Xuehao=?"),
                                  {number});
            found = true;
            prompts_.Message(QStringLiteral("删除成功。"));
        }
        if (!found) prompts_.Message(QStringLiteral("考生不存在，请重新输入考生学号。"));
    }
    Button4Click();
}

void CandidatesTab::Button3Click() {
    listView3_->ClearRows();
    Database officeDb(kDatabasePath);
    auto officeTable = officeDb.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    // A query of blanks lists nothing; otherwise the text as typed, blanks included, is sought.
    const bool blank = edit1_->text().trimmed().isEmpty();
    for (; !officeTable->AtEnd(); officeTable->MoveNext())
        if (!blank && officeTable->Value(QStringLiteral("Xingmin")).contains(edit1_->text()))
            AddCandidateRow(*officeTable);
}

void CandidatesTab::ListView3Click() {
    const int row = listView3_->SelectedRow();
    if (row >= 0) edit7_->setText(listView3_->Cell(row, 1));
}

void CandidatesTab::PrintClassListClick(bool preview) {
    PrintClassList(prompts_, this, preview ? PrintOutput::Preview : PrintOutput::Pdf);
}

void CandidatesTab::PrintResultSheetClick(bool preview) {
    const int row = listView3_->SelectedRow();
    PrintResultSheet(prompts_, this, row >= 0 ? listView3_->Cell(row, 1) : QString(),
                     preview ? PrintOutput::Preview : PrintOutput::Pdf);
}
