#include "exam/SubjectiveSection.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "exam/ExamRecorder.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Widgets.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

SubjectiveSection::SubjectiveSection(const SectionData& data, ExamState& state, SectionHost& host,
                                     QObject* owner)
    : ExamSection(data, state, host, owner), requests_(size_t(data.limit)) {}

void SubjectiveSection::BuildContents() {
    const SectionData& data = data_;
    // Answer sheet: the question text beside each number panel.
    for (int n = 1; n <= data.limit; ++n) {
        QLabel* label = MakeLabel(sheet_, QStringLiteral("Lab%1").arg(data.panelBase + n),
                                  QString(), 32, RowTop(data, n), sheet_->width() - 34, 25);
        label->setFont(PixelFont(12));
        label->setTextFormat(Qt::PlainText);
        labels_.push_back(label);
    }

    memo_ = MakeQuestionMemo(box_, QString::fromUtf16(data.memo), QRect(24, 22, 553, 49), false);
    QLabel* title = MakeLabel(box_, QStringLiteral("Labtm2"), QStringLiteral("答题区："), 24, 78);
    answer_ = new QPlainTextEdit(box_);
    title->setBuddy(answer_);
    answer_->setObjectName(QStringLiteral("MeRequest"));
    answer_->setGeometry(24, 98, 553, 257);
    answer_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    answer_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    answer_->setAccessibleName(QStringLiteral("答题区"));
    guardedConnect(answer_, &QPlainTextEdit::textChanged, this, [this] { AnswerEdited(); });
    MakeLabel(box_, QStringLiteral("Labtm3"),
              QStringLiteral("注意：答完本题后，必须保存，否则相当于未答此题。"), 24, 358);
    BuildNavigation(90, 378, 420, [this] { SaveSubjectiveAnswer(); });
}

void SubjectiveSection::LoadSlot(const ResultTable& row, int n) {
    requests_[size_t(n - 1)] = row.Value(QStringLiteral("Request"));
}

namespace {
// A question as a tooltip: plain text (one line, wrapped only where the screen ends), shown as
// written even when it looks like markup, as the row's label shows it.
QString WholeQuestionTip(const QString& request) {
    if (!Qt::mightBeRichText(request)) return request;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + request.toHtmlEscaped() +
           QStringLiteral("</p>");
}
}  // namespace

void SubjectiveSection::ShowSlot(int n) {
    ExamSection::ShowSlot(n);
    const QString request = WithoutPictures(requests_[size_t(n - 1)]);
    // The row has room for the question's beginning; the whole question is its tooltip.
    QuestionLabel(n)->setText(request);
    QuestionLabel(n)->setToolTip(WholeQuestionTip(request));
}

void SubjectiveSection::ShowRowDetails(const ResultTable&) {}

void SubjectiveSection::ClearSheet() {
    ExamSection::ClearSheet();
    loading_ = true;
    answer_->clear();
    loading_ = false;
    answerOf_ = 0;
}

void SubjectiveSection::Restore(int n) {
    state_.SubjectiveCandidateNo = host_.SignedInNumber();
    // Whatever was typed and not saved gives way to the saved answer, except a draft carried over
    // from an exam that was cut short. A recorded exam knows the saved answers from its start.
    // The answers are kept by the bank's question, whatever its place in the candidate's paper.
    const int bank = Bank(n);
    std::optional<QString> saved = host_.Recorder().SavedText(bank);
    if (!saved) {
        Database db(kDatabasePath);
        auto candidate = db.OpenQuery(QStringLiteral("Select * from Userxinxi where Xuehao=?"),
                                      {CandidateKey(state_.SubjectiveCandidateNo)});
        saved = candidate->Value(QStringLiteral("Tt%1").arg(bank));
    }
    const std::optional<QString> draft = host_.Recorder().TakeResumedDraft(bank);
    loading_ = true;
    answer_->setPlainText(draft.value_or(*saved));
    loading_ = false;
    answerOf_ = bank;
    host_.Recorder().AnswerShown(bank, *saved, draft);
}

void SubjectiveSection::AnswerEdited() {
    if (!loading_ && answerOf_ > 0) host_.Recorder().Typed(answerOf_, answer_->toPlainText());
}

// Labee4Click.
void SubjectiveSection::SaveSubjectiveAnswer() {
    state_.SubjectiveCandidateNo = host_.SignedInNumber();
    const int n = StrToInt(state_.CurrentNoText);
    if (!InGrid(n)) return;
    const QString text = answer_->toPlainText();
    const int bank = Bank(n);
    // Recorded, the saved answer goes to the journal with the question's row.
    if (host_.Recorder().Recorded()) {
        host_.Recorder().Saved(bank, text);
        return;
    }
    // The answer is bound: quotes and line breaks are stored as typed and touch no other column.
    Database db(kDatabasePath);
    db.RunStatement(QStringLiteral("Update Userxinxi Set Tt%1=?  where Xuehao=?").arg(bank),
                    {text, CandidateKey(state_.SubjectiveCandidateNo)});
}
