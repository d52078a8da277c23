#include "exam/ExamSection.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "exam/ExamRecorder.h"
#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Widgets.h"

#include <QFrame>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>

#include <algorithm>

namespace {
constexpr int kRowHeight = 25;
}

ExamSection::ExamSection(const SectionData& data, ExamState& state, SectionHost& host,
                         QObject* owner)
    : QObject(owner), data_(data), state_(state), host_(host) {}

void ExamSection::Build(QWidget* content) {
    if (Built()) return;
    const SectionData& data = data_;
    const int number = data.section + 1;
    box_ = new QGroupBox(QString::fromUtf16(data.boxTitle), content);
    box_->setObjectName(QStringLiteral("GroupBox%1").arg(number));
    box_->resize(data.boxSize);
    if (data.boxFontPixels > 0)
        box_->setFont(PixelFont(data.boxFontPixels, true, QStringLiteral("宋体")));

    grid_ = new QScrollArea(content);
    grid_->setObjectName(QStringLiteral("ScrollBox%1").arg(number));
    grid_->resize(data.gridSize);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid_->setWidgetResizable(false);
    sheet_ = new QWidget;
    sheet_->setObjectName(QStringLiteral("ScrollBox%1Sheet").arg(number));
    sheet_->resize(data.gridSize.width() - grid_->verticalScrollBar()->sizeHint().width() - 2,
                   RowTop(data, data.limit) + kRowHeight);
    for (int n = 1; n <= data.limit; ++n) {
        auto* panel = new ColorLabel(sheet_, PanelName(data, n), QString::number(n), kLightSkyBlue);
        panel->setGeometry(0, RowTop(data, n), 25, 25);
        panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
        panel->setCursor(Qt::PointingHandCursor);
        panel->hide();  // shown for the questions the paper has
        guardedConnect(panel, &ColorLabel::clicked, this, [this, n] { PanelClick(n); });
        panels_.push_back(panel);
    }
    grid_->setWidget(sheet_);
    BuildContents();
    for (int n = 1; n <= loaded_; ++n)
        ShowSlot(n);
}

void ExamSection::ShowSlot(int n) {
    NumberPanel(n)->show();
}

const ResultTable& ExamSection::Question(int n) {
    const int bank = Bank(n);
    auto found = questions_.find(bank);
    if (found == questions_.end())
        found = questions_.emplace(bank, state_.Paper.Question(RecordSection(), bank)).first;
    return found->second;
}

void ExamSection::LoadPaper() {
    questions_.clear();
    int& count = state_.Count(data_.section);
    {
        ResultTable table = state_.Paper.Section(RecordSection());
        if (data_.countsByLastTestId) {
            table.MoveLast();
            state_.CurrentNoText = table.Value(QStringLiteral("TestID"));
            count = StrToInt(state_.CurrentNoText);
        } else {
            count = table.RowCount();
        }
    }
    for (int n = 1; n <= data_.limit && n <= count; ++n) {
        LoadSlot(Question(n), n);
        loaded_ = n;
        if (Built()) ShowSlot(n);
    }
}

void ExamSection::HideNumberPanels() {
    loaded_ = 0;
    for (ColorLabel* panel : panels_)
        panel->hide();
}

void ExamSection::ClearSheet() {
    for (ColorLabel* panel : panels_)
        panel->setColor(kLightSkyBlue);
    if (memo_) memo_->clear();
    HidePictureCaption();
}

void ExamSection::HidePictureCaption() {
    if (!pictureCaption_ || pictureCaption_->isHidden()) return;
    memo_->show();
    pictureCaption_->hide();
}

void ExamSection::ShowQuestion(const ResultTable& row) {
    state_.CurrentNoText =
        state_.Order.ShownNumber(RecordSection(), row.Value(QStringLiteral("TestID")));
    const QString caption =
        QuestionCaption(state_.CurrentNoText, row.Value(QStringLiteral("Request")));
    if (HasPictures(caption)) {
        ShowPictureCaption(caption);
    } else {
        memo_->setPlainText(caption);
        HidePictureCaption();
    }
    ShowRowDetails(row);
}

void ExamSection::ShowPictureCaption(const QString& caption) {
    memo_->setPlainText(WithoutPictures(caption));
    if (!pictureCaption_) {
        pictureCaption_ = new QTextBrowser(memo_->parentWidget());
        pictureCaption_->setObjectName(memo_->objectName() + QStringLiteral("Pictures"));
        pictureCaption_->setGeometry(memo_->geometry());
        pictureCaption_->setFont(memo_->font());
        pictureCaption_->setFocusPolicy(Qt::NoFocus);
        pictureCaption_->setOpenLinks(false);
        pictureCaption_->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
        pictureCaption_->setVerticalScrollBarPolicy(
            memo_->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAsNeeded);
        guardedConnect(
            pictureCaption_, &QTextBrowser::anchorClicked, this,
            [this](const QUrl& link) { EnlargePicture(LinkedPicture(link.toString())); });
    }
    // A picture fits the memo's page beside a scroll bar with a line of text: the whole of it in
    // sight at once, the text next to it too.
    const int margin = int(pictureCaption_->document()->documentMargin());
    const int line = pictureCaption_->fontMetrics().lineSpacing();
    const QSize page = pictureCaption_->contentsRect().size();
    const QSize room(
        page.width() - 2 * margin - pictureCaption_->verticalScrollBar()->sizeHint().width(),
        std::max(line, page.height() - 2 * margin - line - 4));
    SetPictureText(pictureCaption_->document(), caption, state_.Pictures, room,
                   pictureCaption_->devicePixelRatioF(), true);
    pictureCaption_->show();
    memo_->hide();  // under the view: not painted for nothing
}

void ExamSection::EnlargePicture(const QString& hash) {
    const QImage image = state_.Pictures.Image(hash);
    if (!image.isNull()) ShowPictureWindow(box_->window(), image);
}

// Number panel N: show question N of this section.
void ExamSection::PanelClick(int n) {
    NumberPanel(n)->setColor(kLime);
    ShowQuestion(Question(n));
    // Shown only once its question is: a question missing from the paper leaves the section on
    // screen whose question the shared question number belongs to, so a pick or a save cannot
    // land on another question.
    host_.ShowSection(data_.section);
    Restore(n);
    host_.Recorder().Shown(RecordSection(), Bank(n));
}

void ExamSection::PreClick() {
    Step(-1);
}

void ExamSection::NextClick() {
    Step(+1);
}

// "上一题" (delta -1) and "下一题" (delta +1): move within 1..count, never into another section.
void ExamSection::Step(int delta) {
    state_.CurrentNo = StrToInt(state_.CurrentNoText);
    const bool moves =
        delta < 0 ? state_.CurrentNo > 1 : state_.CurrentNo < state_.Count(data_.section);
    if (moves) {
        const QString next = QString::number(state_.CurrentNo + delta);
        const ResultTable& row = Question(state_.CurrentNo + delta);
        state_.CurrentNo += delta;
        state_.CurrentNoText = next;
        ShowQuestion(row);
        const int n = StrToInt(state_.CurrentNoText);
        if (InGrid(n)) {
            NumberPanel(n)->setColor(kLime);
            Restore(n);
            host_.Recorder().Shown(RecordSection(), Bank(n));
        }
    }
    if (delta > 0 && data_.nextWritesScore) host_.SaveScore();
    Scroll(delta * kRowHeight);
}

void ExamSection::Scroll(int pixels) {
    QScrollBar* bar = grid_->verticalScrollBar();
    bar->setValue(bar->value() + pixels);  // the bar keeps the position within its range
}

// "标识本题": the number panel of the question shown turns red until it is shown again.
void ExamSection::MarkClick() {
    const int n = StrToInt(state_.CurrentNoText);
    if (!InGrid(n)) return;
    NumberPanel(n)->setColor(kRed);
    host_.Recorder().Marked(RecordSection(), Bank(n));
}

void ExamSection::BuildNavigation(int x, int y, int width, const std::function<void()>& fourth) {
    auto* bar = new QFrame(box_);
    bar->setObjectName(box_->objectName() + QStringLiteral("Buttons"));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    static const char16_t* const kCaptions[4] = {u"上一题", u"下一题", u"标识本题", u"保  存"};
    const int labels = data_.navNames[3] ? 4 : 3;
    const int cell = (width - 8) / labels;
    bar->setGeometry(x, y, width, 34);
    const std::function<void()> actions[4] = {[this] { PreClick(); }, [this] { NextClick(); },
                                              [this] { MarkClick(); }, fourth};
    for (int i = 0; i < labels; ++i) {
        auto* label = new ColorLabel(bar, QString::fromUtf16(data_.navNames[i]),
                                     QString::fromUtf16(kCaptions[i]), kLightSkyBlue);
        label->setFont(PixelFont(16, true, QStringLiteral("宋体")));
        label->setGeometry(4 + i * cell + 4, 4, cell - 8, 26);
        label->setCursor(Qt::PointingHandCursor);
        guardedConnect(label, &ColorLabel::clicked, this, actions[i]);
        if (data_.navHover) {
            guardedConnect(label, &ColorLabel::entered, this,
                           [label] { label->setColor(kSkyBlue); });
            guardedConnect(label, &ColorLabel::left, this, [label] { label->setColor(kWhite); });
        }
    }
}

QPlainTextEdit* MakeQuestionMemo(QWidget* parent, const QString& name, const QRect& geometry,
                                 bool disabled) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setGeometry(geometry);
    memo->setReadOnly(true);
    if (disabled) {
        memo->setEnabled(false);
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        QPalette palette = memo->palette();
        for (QPalette::ColorRole role : {QPalette::Text, QPalette::Base})
            palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
        memo->setPalette(palette);
    } else {
        memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    return memo;
}
