#include "exam/ExamWindow.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/DatabaseTurn.h"
#include "data_store/SchemaUpgrade.h"
#include "exam/InputMethodMenu.h"
#include "exam/ObjectiveSection.h"
#include "exam/RightButtonFilter.h"
#include "exam/SubjectiveSection.h"
#include "record/Sitting.h"
#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Platform.h"
#include "ui_common/Widgets.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>

namespace {

constexpr int kLeft = 9;          // left edge of the header, the section boxes, the candidate panel
constexpr int kBoxTop = 80;       // top of the section boxes
constexpr int kColumnLeft = 618;  // the right column: section buttons and answer sheets
constexpr int kColumnTop = 78;
constexpr int kColumnWidth = 161;
constexpr int kButtonHeight = 21;  // a section button

void Fill(QWidget* widget, const QColor& color) {
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
}

}  // namespace

ExamWindow::ExamWindow(Prompts& prompts, Platform& platform, ExamContext context, bool fullScreen,
                       QWidget* parent)
    : FormDialog(parent),
      prompts_(prompts, this),
      platform_(platform),
      context_(std::move(context)),
      fullScreen_(fullScreen) {
    setObjectName(QStringLiteral("ExamWindow"));
    setWindowTitle(QStringLiteral("澄溪标准化考试系统8.01"));
    resize(810, 600);

    for (int s = 0; s < kSectionCount; ++s) {
        if (s == kSubjective) {
            subjective_ = new SubjectiveSection(SectionOf(s), state_, *this, this);
            sections_[s] = subjective_;
        } else {
            objective_[s] = new ObjectiveSection(SectionOf(s), state_, *this, this);
            sections_[s] = objective_[s];
        }
    }
    inputMethods_ = new InputMethodMenu(platform_, this);

    timer1_ = new QTimer(this);
    timer1_->setObjectName(QStringLiteral("Timer1"));
    timer1_->setInterval(1000);
    guardedConnect(timer1_, &QTimer::timeout, this, [this] { Timer1Timer(); });
    recorder_.OnLost([this](const AttemptLost& lost) { Stop(lost.Message()); });
    recorder_.OnOutage([this](std::optional<int> unshipped) { ShowOutage(unshipped); });

    // The right button does nothing anywhere in the program from now on.
    new RightButtonFilter(this);
}

void ExamWindow::setVisible(bool visible) {
    if (visible) EnsureBuilt();
    FormDialog::setVisible(visible);
}

// The panel zz1 and everything on it, showing what the creation step has read so far.
void ExamWindow::BuildContent() {
    zz1_ = new QFrame(this);
    zz1_->setObjectName(QStringLiteral("zz1"));
    zz1_->resize(810, 600);
    BuildHeader(zz1_);

    // The section boxes on the left, exactly one visible; the section buttons and answer sheets
    // in the right column, then "选择输入法".
    int y = kColumnTop;
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionData& data = SectionOf(s);
        ExamSection* section = sections_[s];
        section->Build(zz1_);
        section->Box()->move(kLeft, kBoxTop);
        section->Box()->setVisible(s == kSingleChoice);

        auto* button = new ColorLabel(zz1_, QStringLiteral("LabBt%1").arg(s + 1),
                                      QString::fromUtf16(data.button), kLightSkyBlue);
        button->setFont(PixelFont(16, true));
        button->setGeometry(kColumnLeft, y, kColumnWidth, kButtonHeight);
        button->setCursor(Qt::PointingHandCursor);
        guardedConnect(button, &ColorLabel::clicked, this, [this, s] { LabBtClick(s + 1); });
        y += kButtonHeight;
        section->Grid()->move(kColumnLeft, y);
        y += data.gridSize.height() + 1;
    }
    auto* chooser =
        new ColorLabel(zz1_, QStringLiteral("Label1"), QStringLiteral("选择输入法"), kLightSkyBlue);
    chooser->setFont(PixelFont(14, true));
    chooser->setGeometry(kColumnLeft, y + 1, kColumnWidth, 20);
    chooser->setCursor(Qt::PointingHandCursor);
    guardedConnect(chooser, &ColorLabel::clicked, this, [this] { inputMethods_->Popup(); });
    Hover(chooser);

    BuildCandidatePanel(zz1_);

    bbn_ = MakeButton(zz1_, QStringLiteral("BBn"), QStringLiteral("开始考试"), 190, 230, 240, 80);
    bbn_->setFont(PixelFont(37, true));
    bbn_->setStyleSheet(QStringLiteral("color: #FF0000;"));
    guardedConnect(bbn_, &QPushButton::clicked, this, [this] { BBnClick(); });

    lblTestTime_->setText(state_.ExamTimeText);
    PlaceContent();
}

void ExamWindow::BuildHeader(QWidget* content) {
    auto* header = new QFrame(content);
    header->setObjectName(QStringLiteral("imgLeft"));
    header->setGeometry(kLeft, 2, 792, 72);
    header->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Fill(header, QColor(0xD8, 0xEC, 0xF6));

    QLabel* left =
        MakeLabel(header, QStringLiteral("Label3"), QStringLiteral("剩余时间："), 12, 12);
    left->setFont(PixelFont(14, true));
    left->adjustSize();
    auto* countdown = new ColorLabel(header, QStringLiteral("lblTestTime"), QString(), kRed);
    countdown->setFont(PixelFont(12, true));
    countdown->setGeometry(96, 9, 113, 24);
    lblTestTime_ = countdown;
    pb1_ = new QProgressBar(header);
    pb1_->setObjectName(QStringLiteral("pb1"));
    pb1_->setGeometry(96, 40, 113, 16);
    pb1_->setTextVisible(false);
    pb1_->setRange(0, 100);
    pb1_->setValue(0);

    QLabel* title = MakeLabel(header, QStringLiteral("Label2"),
                              QStringLiteral("澄溪标准化考试系统"), 230, 0, 400, 72);
    title->setFont(PixelFont(27, true));
    title->setAlignment(Qt::AlignCenter);

    auto* handIn = new ColorLabel(header, QStringLiteral("lblEndTest"), QStringLiteral("结束考试"),
                                  kLightSkyBlue);
    handIn->setFont(PixelFont(16, true));
    handIn->setGeometry(680, 21, 96, 30);
    handIn->setFrameStyle(QFrame::Panel | QFrame::Raised);
    handIn->setCursor(Qt::PointingHandCursor);
    guardedConnect(handIn, &ColorLabel::clicked, this, [this] { lblEndTestClick(); });
    Hover(handIn);
}

void ExamWindow::BuildCandidatePanel(QWidget* content) {
    auto* panel = new QFrame(content);
    panel->setObjectName(QStringLiteral("PanelKS"));
    panel->setGeometry(kLeft, 505, 601, 64);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QLabel* caption =
        MakeLabel(panel, QStringLiteral("PanelKSTitle"), QStringLiteral("考生信息提示"), 10, 6);
    caption->setFont(PixelFont(14, true));
    caption->adjustSize();
    QLabel* number =
        MakeLabel(panel, QStringLiteral("PanelKSNumber"), QStringLiteral("学号："), 24, 34);
    QLabel* name =
        MakeLabel(panel, QStringLiteral("PanelKSName"), QStringLiteral("姓名："), 250, 34);
    lbelks4_ = MakeLabel(panel, QStringLiteral("Lbelks4"), QString(), 72, 34, 160, 20);
    lbelks5_ = MakeLabel(panel, QStringLiteral("Lbelks5"), QString(), 298, 34, 240, 20);
    for (QLabel* label : {number, name, lbelks4_, lbelks5_})
        label->setFont(PixelFont(14, true));
    lbelks4_->setTextFormat(Qt::PlainText);
    lbelks5_->setTextFormat(Qt::PlainText);
    number->adjustSize();
    name->adjustSize();
    // One quiet line while the database cannot be reached; the exam goes on.
    outage_ = MakeLabel(panel, QStringLiteral("lblOutage"), QString(), 130, 6, 465, 22);
    outage_->setFont(PixelFont(13, false));
    outage_->setStyleSheet(QStringLiteral("color: #B00000;"));
    outage_->hide();
}

void ExamWindow::ShowOutage(std::optional<int> unshipped) {
    EnsureBuilt();
    if (!unshipped) {
        outage_->hide();
        return;
    }
    outage_->setText(QStringLiteral("网络中断：答案已保存在本机，恢复后自动上传（%1 条待上传）")
                         .arg(*unshipped));
    outage_->show();
}

void ExamWindow::Hover(ColorLabel* label) {
    guardedConnect(label, &ColorLabel::entered, this, [label] { label->setColor(kSkyBlue); });
    guardedConnect(label, &ColorLabel::left, this, [label] { label->setColor(kWhite); });
}

// The content panel sits at the same place on every screen size: (screen − 800) / 2 from the left,
// (screen − 700) / 2 from the top, truncated towards zero.
void ExamWindow::PlaceContent() {
    const QSize screen = platform_.ScreenSize();
    zz1_->move((screen.width() - 800) / 2, (screen.height() - 700) / 2);
}

void ExamWindow::FormCreate() {
    inputMethods_->Build();
    const QSize screen = platform_.ScreenSize();
    if (fullScreen_) {
        setWindowFlag(Qt::FramelessWindowHint);
        move(0, 0);
    }
    resize(screen);
    ReadUnrecordedPaper();
}

void ExamWindow::ReadUnrecordedPaper() {
    const std::lock_guard turn(DatabaseTurn());  // the writer may be shipping a journal
    UpgradeSchemaOnce(kDatabasePath);
    Database db(kDatabasePath);
    const ReadTransaction paper(db);  // the whole paper from one state of the file
    state_.ExamTimeText =
        db.OpenQuery(QStringLiteral("Select * from Time"))->Value(QStringLiteral("TimeN"));
    // The countdown shows the duration; it starts running with the exam.
    if (content_.Done()) {
        lblTestTime_->setText(state_.ExamTimeText);
        PlaceContent();
    }
    // The paper of the sitting open now, or the banks a sitting opened now would freeze.
    const std::optional<SittingRow> open = record::OpenSitting(db);
    LoadPaper(open ? ReadPaper(db, open->id) : ReadBanks(db));
}

int ExamWindow::ConfiguredSeconds() {
    const std::lock_guard turn(DatabaseTurn());
    Database db(kDatabasePath);
    state_.ExamTimeText =
        db.OpenQuery(QStringLiteral("Select * from Time"))->Value(QStringLiteral("TimeN"));
    return StrToTime(state_.ExamTimeText);
}

void ExamWindow::LoadPaper(FrozenPaper paper, qint64 seed) {
    state_.Order = PaperOrder(paper, seed);
    state_.Paper = std::move(paper);
    state_.SingleTableName = QStringLiteral("KaoShi");
    // Questions taken out of the paper must not keep their points.
    objective_[kSingleChoice]->HideNumberPanels();
    for (double& score : state_.SingleScore)
        score = 0;
    for (ExamSection* section : sections_)
        section->LoadPaper();
    ReadPaperPictures();
}

// Every picture of the paper, read once at the exam start, so that no question waits for the
// database when it is shown. A paper without pictures reads nothing.
void ExamWindow::ReadPaperPictures() {
    state_.Pictures.Clear();
    QStringList hashes;
    for (int section = 1; section <= FrozenPaper::kSections; ++section)
        for (const PaperRow& row : state_.Paper.Rows(section))
            for (const std::optional<QString>& cell : row)
                if (cell && cell->contains(kPictureOpen)) hashes << PictureHashes(*cell);
    if (hashes.isEmpty()) return;
    Database db(kDatabasePath);
    state_.Pictures.Add(ReadPictures(db, hashes));
}

void ExamWindow::showEvent(QShowEvent* event) {
    FormDialog::showEvent(event);
    if (event->spontaneous()) return;
    showing_ = true;
    RunGuarded([this] { FormShow(); }, this);
    showing_ = false;
}

void ExamWindow::FormShow() {
    BBnClick();
}

// The exam start: the candidate, the sitting's paper and countdown (the attempt in progress
// brought back), and question 1 of the objective sections.
void ExamWindow::BBnClick() {
    EnsureBuilt();
    stopped_ = false;
    lbelks4_->setText(context_.signedInNumber ? context_.signedInNumber() : QString());
    lbelks5_->setText(context_.signedInName ? context_.signedInName() : QString());
    bbn_->hide();
    PlaceContent();
    state_.CandidateNo = context_.numberBoxText ? context_.numberBoxText() : QString();
    for (ExamSection* section : sections_)
        section->ClearSheet();

    const std::optional<ExamRecorder::Started> started = StartRecord();
    if (stopped_) return;
    if (started) {
        LoadPaper(started->paper, started->seed);
    } else {
        // No candidate to record (the window shown without a sign-in): the open sitting's paper
        // or the banks, and the exam time the back office sets.
        ReadUnrecordedPaper();
    }
    // A duration that is no time of day is reported once and leaves the clock still; the exam
    // start goes on, so that the paper is there and can be handed in.
    timer1_->stop();
    const std::optional<QString> error = CaughtError([&] {
        if (started && started->sitting.durationSeconds > 0)
            StartClock(started->secondsTotal, started->secondsLeft);
        else
            StartClock(ConfiguredSeconds(), -1);
    });
    if (error) ShowDefaultError(*error, this);
    // Every point of the paper is known now: the full marks are right even if nothing is
    // answered.
    state_.SumScores();
    for (ObjectiveSection* section : objective_)
        section->LoadFirstQuestion();
    if (started && started->resumed) Resume(*started->resumed);
}

void ExamWindow::LabBtClick(int k) {
    EnsureBuilt();
    // Question 1's panel shows the section once the question is read.
    sections_[k - 1]->PanelClick(1);
}

void ExamWindow::ShowSection(int section) {
    for (int s = 0; s < kSectionCount; ++s)
        sections_[s]->Box()->setVisible(s == section);
}

QString ExamWindow::SignedInNumber() const {
    return context_.signedInNumber ? context_.signedInNumber() : QString();
}

void ExamWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
}
