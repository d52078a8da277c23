#include "back_office/GradingTab.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

namespace {

// Columns of the candidate list: caption (UserID), then the candidate's row in this order.
const QStringList kListColumns = {
    QStringLiteral("序号"),  QStringLiteral("学号"),  QStringLiteral("姓名"),
    QStringLiteral("tm1"),   QStringLiteral("tm2"),   QStringLiteral("tm3"),
    QStringLiteral("tm4"),   QStringLiteral("tm5"),   QStringLiteral("tm6"),
    QStringLiteral("tm7"),   QStringLiteral("tm8"),   QStringLiteral("tm9"),
    QStringLiteral("tm10"),  QStringLiteral("cheng"), QStringLiteral("cheng1"),
    QStringLiteral("cheng2")};
const QStringList kTableColumns = {
    QStringLiteral("UserID"),  QStringLiteral("Xuehao"),  QStringLiteral("Xingmin"),
    QStringLiteral("Tt1"),     QStringLiteral("Tt2"),     QStringLiteral("Tt3"),
    QStringLiteral("Tt4"),     QStringLiteral("Tt5"),     QStringLiteral("Tt6"),
    QStringLiteral("Tt7"),     QStringLiteral("Tt8"),     QStringLiteral("Tt9"),
    QStringLiteral("Tt10"),    QStringLiteral("Chengji"), QStringLiteral("Chengji1"),
    QStringLiteral("Chengji2")};
constexpr int kNumberColumn = 1;
constexpr int kNameColumn = 2;
constexpr int kFirstAnswerColumn = 3;
constexpr int kObjectiveColumn = 13;

// Geometry of the tab; the families sit inside the panel right of the list.
constexpr int kPanelX = 6;         // left edge of the list
constexpr int kNumberPanelX = 84;  // first number panel
constexpr int kNumberPanelStep = 30;
constexpr int kNumberPanelY = 48;
constexpr int kNumberPanelSize = 25;
constexpr int kMarksX = 548;   // left edge of the marks area
constexpr int kMarkRowY = 68;  // first row of row title and mark box
constexpr int kMarkRowStep = 32;

}  // namespace

GradingTab::GradingTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabSheet6"));

    listView7_ = new ReportList(this, QStringLiteral("ListView7"), kListColumns);
    listView7_->setGeometry(kPanelX, 6, 153, 376);
    listView7_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    guardedConnect(listView7_, &ReportList::rowClicked, this, [this] { ListView7Click(); });

    QPushButton* butg1 =
        MakeButton(this, QStringLiteral("Butg1"), QStringLiteral("刷新"), kPanelX, 390, 75, 25);
    butg1->hide();
    guardedConnect(butg1, &QPushButton::clicked, this, [this] { Butg1Click(); });

    BuildCandidateArea();
}

void GradingTab::BuildCandidateArea() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("GradingPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setGeometry(166, 6, 684, 478);

    QLabel* labg1 = MakeLabel(panel, QStringLiteral("Labg1"), QStringLiteral("学号："), 12, 14);
    edg1_ = MakeEdit(panel, QStringLiteral("Edg1"), 60, 10, 130, 24, labg1);
    FilterKeys(edg1_, kDigits);
    QLabel* labg2 = MakeLabel(panel, QStringLiteral("Labg2"), QStringLiteral("姓名："), 210, 14);
    edg2_ = MakeEdit(panel, QStringLiteral("Edg2"), 258, 10, 130, 24, labg2);

    QLabel* labg3 = MakeLabel(panel, QStringLiteral("Labg3"), QStringLiteral("题号："), 12, 46);
    labg3->setFont(PixelFont(24));
    labg3->adjustSize();
    for (int i = 0; i < kSubjectiveLimit; ++i) {
        const int n = i + 1;
        pg_[i] =
            new ColorLabel(panel, QStringLiteral("Pg%1").arg(n), QString::number(n), kLightSkyBlue);
        pg_[i]->setGeometry(kNumberPanelX + i * kNumberPanelStep, kNumberPanelY, kNumberPanelSize,
                            kNumberPanelSize);
        pg_[i]->setCursor(Qt::PointingHandCursor);
        pg_[i]->hide();
        guardedConnect(pg_[i], &ColorLabel::clicked, this, [this, n] { PgClick(n); });
    }
    QPushButton* butg10 = MakeButton(panel, QStringLiteral("Butg10"), QStringLiteral("标识本题"),
                                     392, kNumberPanelY - 1, 90, 27);
    guardedConnect(butg10, &QPushButton::clicked, this, [this] { Butg10Click(); });

    QLabel* labg4 = MakeLabel(panel, QStringLiteral("Labg4"), QStringLiteral("题目："), 12, 86);
    memott1_ = new QPlainTextEdit(panel);
    memott1_->setObjectName(QStringLiteral("Memott1"));
    memott1_->setAccessibleName(QStringLiteral("题目"));
    memott1_->setReadOnly(true);
    memott1_->setGeometry(12, 104, 521, 100);
    labg4->setBuddy(memott1_);

    QLabel* labg9 =
        MakeLabel(panel, QStringLiteral("Labg9"), QStringLiteral("考生答案区"), 12, 214);
    memoTt_ = new QPlainTextEdit(panel);
    memoTt_->setObjectName(QStringLiteral("MemoTt"));
    memoTt_->setAccessibleName(QStringLiteral("考生答案区"));
    memoTt_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoTt_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoTt_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoTt_->setGeometry(12, 232, 521, 233);
    labg9->setBuddy(memoTt_);

    BuildMarksArea(panel);
}

void GradingTab::BuildMarksArea(QWidget* panel) {
    QLabel* labg6 =
        MakeLabel(panel, QStringLiteral("Labg6"), QStringLiteral("评分区"), kMarksX + 30, 12);
    labg6->setFont(PixelFont(16, true));
    labg6->adjustSize();
    MakeLabel(panel, QStringLiteral("Labg7"), QStringLiteral("题号"), kMarksX + 8, 44);
    MakeLabel(panel, QStringLiteral("Labg8"), QStringLiteral(" 得分"), kMarksX + 64, 44);
    for (int i = 0; i < kSubjectiveLimit; ++i) {
        const int n = i + 1;
        const int y = kMarkRowY + i * kMarkRowStep;
        labgg_[i] = MakeLabel(panel, QStringLiteral("Labgg%1").arg(n),
                              QStringLiteral("第%1题").arg(n), kMarksX + 8, y + 4);
        edgg_[i] =
            MakeEdit(panel, QStringLiteral("Edgg%1").arg(n), kMarksX + 64, y, 56, 24, labgg_[i]);
        FilterKeys(edgg_[i], kDigitsAndPoint);
        labgg_[i]->hide();
        edgg_[i]->hide();
    }
    QPushButton* butg9 =
        MakeButton(panel, QStringLiteral("Butg9"), QStringLiteral("保存"), kMarksX + 26,
                   kMarkRowY + kSubjectiveLimit * kMarkRowStep + 16, 80, 30);
    guardedConnect(butg9, &QPushButton::clicked, this, [this] { Butg9Click(); });
}

// Once per program run: the subjective questions that exist get their text, number panel, row
// title and mark box; then the candidate list is filled. An access-layer error stops it here and
// leaves the tab incomplete.
void GradingTab::SetUp() {
    GradingSetUp setUp;
    const auto show = qScopeGuard([&] { ShowSetUp(setUp); });
    ReadSetUp(setUp);
}

void GradingTab::ReadSetUp(GradingSetUp& setUp) {
    {
        Database OfficeDb(kDatabasePath);
        int count = 0;
        {
            auto OfficeTable = OfficeDb.OpenQuery(QStringLiteral("Select * from KaoShi4"));
            count = OfficeTable->RowCount();
        }
        for (int n = 1; n <= kSubjectiveLimit; ++n) {
            if (count < n) continue;
            auto OfficeTable =
                OfficeDb.OpenQuery(QStringLiteral("Select * from KaoShi4 where TestID=%1").arg(n));
            setUp.texts[n - 1] = WithoutPictures(OfficeTable->Value(QStringLiteral("Request")));
            setUp.questions = n;
        }
    }
    setUp.questionsRead = true;
    setUp.rows = ReadRows();
    setUp.rowsRead = true;
}

void GradingTab::ShowSetUp(const GradingSetUp& setUp) {
    for (int i = 0; i < setUp.questions; ++i) {
        GradingQuestionText[i] = setUp.texts[i];
        pg_[i]->show();
        labgg_[i]->setVisible(setUp.questionsRead);
        edgg_[i]->setVisible(setUp.questionsRead);
    }
    if (setUp.rowsRead) ShowRows(setUp.rows);
}

// "刷新" (hidden): the list shows the candidates, answers and scores as they are now.
void GradingTab::Butg1Click() {
    listView7_->ClearRows();
    ShowRows(ReadRows());
}

std::vector<QStringList> GradingTab::ReadRows() {
    std::vector<QStringList> rows;
    Database OfficeDb(kDatabasePath);
    auto OfficeTable = OfficeDb.OpenQuery(QStringLiteral("Select * from Userxinxi"));
    for (int row = 0; row < OfficeTable->RowCount(); ++row) {
        QStringList cells;
        for (const QString& column : kTableColumns)
            cells << OfficeTable->Value(column);
        rows.push_back(std::move(cells));
        OfficeTable->MoveNext();
    }
    return rows;
}

void GradingTab::ShowRows(const std::vector<QStringList>& rows) {
    listView7_->ClearRows();
    for (const QStringList& cells : rows)
        listView7_->AddRow(cells);
}

// The teacher clicks in the list: the selected row becomes the chosen candidate. The question and
// the answer shown go with the candidate before, so nobody marks against another candidate's
// answer; the chosen question number and the mark boxes keep their contents.
void GradingTab::ListView7Click() {
    const int row = listView7_->SelectedRow();
    if (row >= 0) {
        memott1_->clear();
        memoTt_->clear();
        edg1_->setText(listView7_->Cell(row, kNumberColumn));
        edg2_->setText(listView7_->Cell(row, kNameColumn));
        for (int i = 0; i < kSubjectiveLimit; ++i)
            GradingAnswer[i] = listView7_->Cell(row, kFirstAnswerColumn + i);
        GradingObjectiveText = listView7_->Cell(row, kObjectiveColumn);
        GradingCandidateNo = edg1_->text();
    }
    for (ColorLabel* panel : pg_)
        panel->setColor(kLightSkyBlue);
}

// The teacher clicks number panel n: question n and the chosen candidate's answer to it.
void GradingTab::PgClick(int n) {
    GradingQuestionNo = QString::number(n);
    pg_[n - 1]->setColor(kLime);
    memott1_->setPlainText(GradingQuestionText[n - 1]);
    memoTt_->setPlainText(GradingAnswer[n - 1]);
}

// "标识本题": the chosen question's panel turns red (before any choice: the conversion error).
void GradingTab::Butg10Click() {
    const int n = StrToInt(GradingQuestionNo);
    if (n >= 1 && n <= kSubjectiveLimit) pg_[n - 1]->setColor(kRed);
}

// "保存": the marks are whole numbers; the total is the objective score (which may have a
// fraction) plus their sum. A mark or objective score that does not convert stops the save before
// anything is written, and the boxes that were empty then show "0".
void GradingTab::Butg9Click() {
    for (QLineEdit* box : edgg_)
        if (box->text().isEmpty()) box->setText(QStringLiteral("0"));
    qint64 marks = 0;
    for (QLineEdit* box : edgg_)
        marks += StrToInt(box->text());
    SubjectiveMarks = marks;
    TotalMarks = StrToFloat(GradingObjectiveText) + double(SubjectiveMarks);
    {
        Database OfficeDb(kDatabasePath);
        OfficeDb.RunStatement(
            QStringLiteral("Update Userxinxi Set Chengji1=?,Chengji2=? where Xuehao=?"),
            {QString::number(SubjectiveMarks), FormatGeneral(TotalMarks), GradingCandidateNo});
    }
    for (QLineEdit* box : edgg_)
        if (box->text() == QStringLiteral("0")) box->clear();
}
