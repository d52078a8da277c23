#include "exam/ObjectiveSection.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "exam/ExamRecorder.h"
#include "ui_common/Colors.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/PictureShelf.h"
#include "ui_common/Widgets.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// Where the controls sit in the section's box.
struct BoxLayout {
    QRect memo;
    int choiceX, choiceY, choiceStep, choiceWidth;
    int optionX, optionWidth;
    QRect navigation;
};
const BoxLayout kLayouts[kObjectiveSections] = {
    {{12, 24, 569, 112}, 24, 144, 36, 48, 76, 500, {146, 298, 300, 34}},
    {{12, 24, 561, 112}, 24, 144, 36, 48, 76, 492, {142, 314, 300, 34}},
    {{32, 26, 505, 73}, 48, 130, 32, 80, 0, 0, {134, 314, 300, 34}},
};

// The column holding option k's text.
const QString kOptionColumns[4] = {QStringLiteral("AXX"), QStringLiteral("BXX"),
                                   QStringLiteral("CXX"), QStringLiteral("DXX")};

}  // namespace

void ObjectiveSection::BuildContents() {
    const SectionData& data = data_;
    // Answer sheet: the cells beside each number panel show the answer and react to nothing.
    for (int n = 1; n <= data.limit; ++n) {
        for (int k = 1; k <= data.cellCount; ++k) {
            auto* cell = new ColorLabel(sheet_, CellName(data, n, k),
                                        QString::fromUtf16(data.cellCaptions[k - 1]), ButtonFace());
            cell->setGeometry(data.cellX[k - 1], RowTop(data, n), 25, 25);
            cell->setFrameStyle(QFrame::Panel | QFrame::Raised);
            cells_.push_back(cell);
        }
    }

    const BoxLayout& layout = kLayouts[data.section];
    memo_ = MakeQuestionMemo(box_, QString::fromUtf16(data.memo), layout.memo, true);
    if (data.boxFontPixels == 0) memo_->setFont(PixelFont(16, true, QStringLiteral("宋体")));
    for (int k = 1; k <= data.cellCount; ++k) {
        const int y = layout.choiceY + (k - 1) * layout.choiceStep;
        QAbstractButton* choice = nullptr;
        const QString caption = QString::fromUtf16(data.choiceCaptions[k - 1]);
        if (data.answer == AnswerKind::AnyOfCells)
            choice = new QCheckBox(caption, box_);
        else
            choice = new QRadioButton(caption, box_);  // one group: the box
        choice->setObjectName(QString::fromUtf16(data.choices[k - 1]));
        choice->setGeometry(layout.choiceX, y, layout.choiceWidth, 28);
        if (data.boxFontPixels == 0) choice->setFont(PixelFont(14, true));
        ConnectChoice(choice, k);
        choices_[k - 1] = choice;
        if (data.optionLabels[k - 1]) {
            options_[k - 1] = MakeLabel(box_, QString::fromUtf16(data.optionLabels[k - 1]),
                                        QString(), layout.optionX, y, layout.optionWidth, 28);
            options_[k - 1]->setFont(PixelFont(14));
            options_[k - 1]->setTextFormat(Qt::PlainText);  // texts from the bank, tags and all
        }
    }
    key_ = MakeLabel(box_, QString::fromUtf16(data.keyLabel), QString(), 0, 0, 40, 20);
    key_->setTextFormat(Qt::PlainText);
    key_->hide();  // the correct answer of the question shown
    BuildNavigation(layout.navigation.x(), layout.navigation.y(), layout.navigation.width());
}

void ObjectiveSection::LoadSlot(const ResultTable& row, int n) {
    state_.FieldScratch = row.Value(QStringLiteral("Score"));
    state_.ScoreSlot(data_.section, n) = StrToFloat(state_.FieldScratch);
}

void ObjectiveSection::ShowRowDetails(const ResultTable& row) {
    int bank = 0;
    TryStrToInt(row.Value(QStringLiteral("TestID")).trimmed(), &bank);
    for (int k = 0; k < 4; ++k) {
        if (!options_[k]) continue;
        const int option = state_.Order.BankOption(RecordSection(), bank, k + 1);
        const QString text = row.Value(kOptionColumns[option - 1]);
        if (HasPictures(text)) {
            ShowPictureOption(k, text);
            continue;
        }
        options_[k]->setText(text);
        for (PictureLabel* picture : optionPictures_[k])
            picture->hide();
    }
    key_->setText(row.Value(QStringLiteral("DDX")));
}

void ObjectiveSection::ShowPictureOption(int k, const QString& text) {
    QLabel* option = options_[k];
    const QString words = WithoutPictures(text, QString());
    option->setText(words);
    const QStringList hashes = PictureHashes(text);
    std::vector<PictureLabel*>& pictures = optionPictures_[k];
    while (pictures.size() < size_t(hashes.size())) {
        auto* picture = new PictureLabel(
            box_, option->objectName() + QStringLiteral("Picture%1").arg(pictures.size() + 1));
        guardedConnect(picture, &PictureLabel::clicked, this,
                       [this, picture] { EnlargePicture(picture->Hash()); });
        pictures.push_back(picture);
    }
    // The row between two options, from the end of the words to the end of the label.
    const BoxLayout& layout = kLayouts[data_.section];
    const int height = layout.choiceStep - 2;
    const int middle = option->y() + option->height() / 2;
    int x =
        option->x() + (words.isEmpty() ? 0 : option->fontMetrics().horizontalAdvance(words) + 8);
    const int gap = 6;
    const int width = std::max(8, (option->x() + option->width() - x) / int(hashes.size()) - gap);
    for (size_t i = 0; i < pictures.size(); ++i) {
        PictureLabel* picture = pictures[i];
        if (i >= size_t(hashes.size())) {
            picture->hide();
            continue;
        }
        const QSize size = state_.Pictures.Fit(hashes[qsizetype(i)], QSize(width, height));
        picture->setGeometry(x, middle - size.height() / 2, size.width(), size.height());
        picture->Show(state_.Pictures, hashes[qsizetype(i)], size);
        picture->show();
        x += size.width() + gap;
    }
}

void ObjectiveSection::LoadFirstQuestion() {
    SetChoices(data_.startClearsChoices ? 0 : 1);
    NumberPanel(1)->setColor(kLime);
    ShowQuestion(Question(1));
    state_.EarnedSlot(data_.section, 1) = 0;
}

void ObjectiveSection::Restore(int n) {
    SetChoices(n);
}

// A click scores when it ends (the chosen option clicked again too). Any other change of an
// option the candidate can make — the accessibility interface's toggle action, for one — scores
// as that click would; a change under a press waits for the press's click.
void ObjectiveSection::ConnectChoice(QAbstractButton* choice, int k) {
    connect(choice, &QAbstractButton::pressed, this, [this, k] { pressed_ = k; });
    connect(choice, &QAbstractButton::released, this, [this] { pressed_ = 0; });
    guardedConnect(choice, &QAbstractButton::toggled, this, [this, k](bool checked) {
        // A radio button turned off is the other side of the one turned on.
        if (pressed_ == k || (!checked && data_.answer != AnswerKind::AnyOfCells)) return;
        ChoiceClick(k);
    });
    guardedConnect(choice, &QAbstractButton::clicked, this, [this, k] { ChoiceClick(k); });
}

void ObjectiveSection::SetChoices(int n) {
    // Showing the answer of a question is not answering it: the controls change silently.
    std::vector<QSignalBlocker> silent;
    for (int k = 1; k <= data_.cellCount; ++k)
        silent.emplace_back(choices_[k - 1]);
    // Radio buttons of one box exclude each other; clearing them all needs that rule off a moment.
    for (int k = 1; k <= data_.cellCount; ++k)
        choices_[k - 1]->setAutoExclusive(false);
    for (int k = 1; k <= data_.cellCount; ++k)
        choices_[k - 1]->setChecked(n > 0 && Cell(n, k)->color() == kBlue);
    if (data_.answer == AnswerKind::OneOfCells)
        for (int k = 1; k <= data_.cellCount; ++k)
            choices_[k - 1]->setAutoExclusive(true);
}

// RadioButton1Click..RadioButton4Click, CheckBox1Click..CheckBox4Click, RadioButton13Click and
// RadioButton23Click: the candidate answers the question shown.
void ObjectiveSection::ChoiceClick(int k) {
    QString answer;
    if (data_.answer == AnswerKind::AnyOfCells) {
        // The ticked letters, always in the order A, B, C, D.
        QString* picks[4] = {&state_.MultiPickA, &state_.MultiPickB, &state_.MultiPickC,
                             &state_.MultiPickD};
        for (int j = 0; j < data_.cellCount; ++j)
            *picks[j] =
                choices_[j]->isChecked() ? QString::fromUtf16(data_.cellCaptions[j]) : QString();
        state_.MultiAnswer =
            state_.MultiPickA + state_.MultiPickB + state_.MultiPickC + state_.MultiPickD;
        answer = state_.MultiAnswer;
    } else {
        answer = QString::fromUtf16(data_.cellCaptions[k - 1]);
    }
    const int n = StrToInt(state_.CurrentNoText);
    // The cells show the candidate's letters; the key, the score and the record the bank's.
    const QString bankAnswer = state_.Order.ToBank(RecordSection(), Bank(n), answer);
    if (InGrid(n)) {
        if (data_.answer == AnswerKind::AnyOfCells) {
            Cell(n, k)->setColor(choices_[k - 1]->isChecked() ? kBlue : ButtonFace());
        } else {
            for (int j = 1; j <= data_.cellCount; ++j)
                Cell(n, j)->setColor(j == k ? kBlue : ButtonFace());
        }
        state_.EarnedSlot(data_.section, n) =
            key_->text() == bankAnswer ? state_.ScoreSlot(data_.section, n) : 0;
    }
    state_.SumScores();
    if (InGrid(n))
        host_.Recorder().Picked(RecordSection(), Bank(n), bankAnswer,
                                state_.ScoreSlot(data_.section, n), key_->text(),
                                state_.EarnedSlot(data_.section, n));
}

void ObjectiveSection::RestoreAnswer(int n, const QString& answer) {
    // The answer holds the bank's letters of the chosen options: "B", "AC", "对"; the cells show
    // the candidate's.
    const QString shown = state_.Order.ToShown(RecordSection(), Bank(n), answer);
    for (int k = 1; k <= data_.cellCount; ++k) {
        const QString caption = QString::fromUtf16(data_.cellCaptions[k - 1]);
        Cell(n, k)->setColor(shown.contains(caption) ? kBlue : ButtonFace());
    }
    const bool right = state_.Paper.Key(RecordSection(), Bank(n)) == answer;  // as a pick scores
    state_.EarnedSlot(data_.section, n) = right ? state_.ScoreSlot(data_.section, n) : 0;
}

void ObjectiveSection::ClearSheet() {
    ExamSection::ClearSheet();
    for (ColorLabel* cell : cells_)
        cell->setColor(ButtonFace());
    for (int n = 1; n <= data_.limit; ++n)
        state_.EarnedSlot(data_.section, n) = 0;
    SetChoices(0);
}
