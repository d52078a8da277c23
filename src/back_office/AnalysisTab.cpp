#include "back_office/AnalysisTab.h"

#include "analysis/RecordReader.h"
#include "back_office/AnalysisSheets.h"
#include "back_office/BankTraits.h"
#include "back_office/ResultPrinting.h"
#include "back_office/SheetExchange.h"
#include "back_office/workbook/Workbook.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/FrozenPaper.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QHideEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QShowEvent>
#include <QTextEdit>
#include <QTimer>
#include <QValueAxis>

#include <algorithm>

namespace {

// How often a tab on screen looks whether the record changed.
constexpr int kPollMs = 10000;

const QString kNothingToExport = QStringLiteral("没有可导出的分析。");

Bank BankOf(int section) {
    switch (section) {
        case 2:
            return Bank::MultiChoice;
        case 3:
            return Bank::TrueFalse;
        case 4:
            return Bank::Subjective;
        default:
            return Bank::SingleChoice;
    }
}

// The step of the candidates' axis: 1, 2, 5, 10, 20, 50, ... so that `most` takes six at most.
int CountStep(int most) {
    for (int scale = 1;; scale *= 10)
        for (int step : {scale, 2 * scale, 5 * scale})
            if (most <= 6 * step) return step;
}

}  // namespace

AnalysisTab::AnalysisTab(Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), prompts_(prompts, this) {
    setObjectName(QStringLiteral("TabAnalysis"));

    MakeLabel(this, QStringLiteral("AnalysisExamLabel"), QStringLiteral("场次："), 8, 10, 44, 24);
    exams_ = new QComboBox(this);
    exams_->setObjectName(QStringLiteral("AnalysisExam"));
    exams_->setGeometry(52, 8, 236, 26);
    inProgress_ = new QCheckBox(QStringLiteral("包括未交卷"), this);
    inProgress_->setObjectName(QStringLiteral("AnalysisInProgress"));
    inProgress_->setGeometry(294, 8, 96, 26);
    refresh_ =
        MakeButton(this, QStringLiteral("AnalysisRefresh"), QStringLiteral("刷新"), 392, 7, 48, 28);
    export_ = MakeButton(this, QStringLiteral("AnalysisExport"), QStringLiteral("导出分析"), 444, 7,
                         70, 28);
    preview_ = MakeButton(this, QStringLiteral("AnalysisPreview"), QStringLiteral("打印预览"), 518,
                          7, 70, 28);
    pdf_ =
        MakeButton(this, QStringLiteral("AnalysisPdf"), QStringLiteral("导出PDF"), 592, 7, 66, 28);
    notice_ = MakeLabel(this, QStringLiteral("AnalysisNotice"), QString(), 662, 2, 190, 38);
    notice_->setWordWrap(true);
    notice_->setStyleSheet(QStringLiteral("color: #a03000"));

    summary_ = new ReportList(this, QStringLiteral("AnalysisSummary"),
                              {QStringLiteral("项目"), QStringLiteral("数值")});
    summary_->setGeometry(8, 42, 200, 250);
    summary_->setColumnWidth(0, 104);

    chart_ = new QChartView(new QChart(), this);
    chart_->setObjectName(QStringLiteral("AnalysisChart"));
    chart_->setGeometry(214, 42, 636, 250);
    chart_->setRenderHint(QPainter::Antialiasing);

    questions_ = new ReportList(this, QStringLiteral("AnalysisQuestions"), QuestionCaptions());
    questions_->setGeometry(8, 298, 618, 200);
    const int widths[14] = {38, 32, 44, 54, 46, 110, 38, 38, 30, 30, 32, 32, 40, 32};
    for (int c = 0; c < 14; ++c)
        questions_->setColumnWidth(c, widths[c]);
    questionText_ = new QTextEdit(this);
    questionText_->setObjectName(QStringLiteral("AnalysisQuestionText"));
    questionText_->setReadOnly(true);
    questionText_->setGeometry(632, 298, 218, 200);

    poll_ = new QTimer(this);
    poll_->setObjectName(QStringLiteral("AnalysisPoll"));
    poll_->setInterval(kPollMs);
    guardedConnect(poll_, &QTimer::timeout, this, [this] { Poll(); });
    guardedConnect(refresh_, &QPushButton::clicked, this, [this] { Refresh(); });
    guardedConnect(export_, &QPushButton::clicked, this, [this] { ExportClick(); });
    guardedConnect(preview_, &QPushButton::clicked, this, [this] { PrintClick(true); });
    guardedConnect(pdf_, &QPushButton::clicked, this, [this] { PrintClick(false); });
    guardedConnect(exams_, &QComboBox::activated, this, [this] { Analyse(); });
    guardedConnect(inProgress_, &QCheckBox::toggled, this, [this] { Analyse(); });
    guardedConnect(questions_, &ReportList::rowClicked, this, [this] { QuestionsClick(); });
}

void AnalysisTab::showEvent(QShowEvent* event) {
    OfficeTab::showEvent(event);
    RunGuarded([this] { Refresh(); });
    poll_->start();
}

void AnalysisTab::hideEvent(QHideEvent* event) {
    poll_->stop();
    OfficeTab::hideEvent(event);
}

void AnalysisTab::Poll() {
    Database db(kDatabasePath);
    if (RecordVersion(db) != fingerprint_) Refresh();
}

void AnalysisTab::Refresh() {
    std::vector<SittingChoice> sittings;
    {
        Database db(kDatabasePath);
        fingerprint_ = RecordVersion(db);
        sittings = RecordedSittings(db);
    }
    // The sitting chosen stays chosen while it is there; else the latest.
    const QVariant chosen = exams_->currentData();
    const QSignalBlocker blocker(exams_);
    exams_->clear();
    for (const SittingChoice& sitting : sittings)
        exams_->addItem(sitting.caption, sitting.id);
    exams_->setCurrentIndex(std::max(0, exams_->findData(chosen)));
    Analyse();
}

void AnalysisTab::Analyse() {
    record_ = {};
    if (exams_->count() > 0) {
        Database db(kDatabasePath);
        record_ =
            ReadRecordedExam(db, exams_->currentData().toLongLong(), inProgress_->isChecked());
    }
    exams_->setToolTip(exams_->currentText());  // a long name does not fit the box
    statistics_ = ::Analyse(record_);
    notes_ = AnalysisNotes(record_, statistics_, exams_->count() > 0, inProgress_->isChecked());
    notice_->setText(notes_.join(u' '));

    ShowSummary();
    ShowChart();
    ShowQuestions();
}

void AnalysisTab::ShowSummary() {
    summary_->ClearRows();
    for (const SummaryLine& line : SummaryLines(statistics_.summary))
        summary_->AddRow({line.caption, line.figure.Shown()});
}

void AnalysisTab::ShowChart() {
    auto* chart = new QChart();
    chart->setMargins(QMargins(4, 4, 4, 4));
    const double full = statistics_.summary.fullMarks;
    if (statistics_.summary.candidates > 0 && full > 0) {
        chart->setTitle(QStringLiteral("总分分布（满分 %1）").arg(FormatGeneral(full)));
        auto* counts = new QBarSet(QStringLiteral("人数"));
        QStringList bands;
        int most = 1;
        for (int b = 0; b < kScoreBands; ++b) {
            *counts << statistics_.bands[b];
            most = std::max(most, statistics_.bands[b]);
            bands << QStringLiteral("%1-%2").arg(FormatGeneral(full * b / kScoreBands),
                                                 FormatGeneral(full * (b + 1) / kScoreBands));
        }
        auto* bars = new QBarSeries();
        bars->append(counts);
        bars->setBarWidth(0.9);
        chart->addSeries(bars);

        // The mean: a vertical line on a hidden axis of points laid over the bands.
        auto* mean = new QLineSeries();
        mean->setName(
            QStringLiteral("平均分 %1").arg(SummaryLines(statistics_.summary)[2].figure.Shown()));
        mean->append(*statistics_.summary.mean, 0);
        mean->append(*statistics_.summary.mean, most + 1);
        QPen pen(QColor(0xd0, 0x20, 0x20));
        pen.setWidth(2);
        pen.setStyle(Qt::DashLine);
        mean->setPen(pen);
        chart->addSeries(mean);

        auto* bandAxis = new QBarCategoryAxis();
        bandAxis->append(bands);
        chart->addAxis(bandAxis, Qt::AlignBottom);
        bars->attachAxis(bandAxis);
        auto* pointAxis = new QValueAxis();
        pointAxis->setRange(0, full);
        pointAxis->setVisible(false);
        chart->addAxis(pointAxis, Qt::AlignBottom);
        mean->attachAxis(pointAxis);
        // Whole numbers of candidates: ticks every 1, 2, 5, 10, ... with at most six steps.
        const int step = CountStep(most);
        auto* countAxis = new QValueAxis();
        countAxis->setRange(0, (most / step + 1) * step);
        countAxis->setLabelFormat(QStringLiteral("%d"));
        countAxis->setTickType(QValueAxis::TicksDynamic);
        countAxis->setTickAnchor(0);
        countAxis->setTickInterval(step);
        countAxis->setTitleText(QStringLiteral("人数"));
        chart->addAxis(countAxis, Qt::AlignLeft);
        bars->attachAxis(countAxis);
        mean->attachAxis(countAxis);
        chart->legend()->setAlignment(Qt::AlignRight);
    } else {
        chart->setTitle(QStringLiteral("总分分布：没有数据"));
        chart->legend()->hide();
    }
    QChart* old = chart_->chart();
    chart_->setChart(chart);
    delete old;
}

void AnalysisTab::ShowQuestions() {
    const int selected = questions_->SelectedRow();
    questions_->ClearRows();
    questionText_->clear();
    for (const QuestionStatistics& item : statistics_.questions) {
        QStringList cells;
        for (const Figure& figure : QuestionRow(item))
            cells << figure.Shown();
        questions_->AddRow(cells);
        if (item.flagged)
            for (int c = 0; c < cells.size(); ++c)
                questions_->topLevelItem(questions_->RowCount() - 1)
                    ->setForeground(c, QColor(0xc0, 0x00, 0x00));
    }
    if (selected >= 0 && selected < questions_->RowCount()) {
        questions_->SelectRow(selected);
        QuestionsClick();
    }
}

void AnalysisTab::QuestionsClick() {
    const int row = questions_->SelectedRow();
    if (row < 0 || size_t(row) >= statistics_.questions.size()) return;
    const RecordedQuestion& q = statistics_.questions[size_t(row)].question;
    const BankTraits& traits = TraitsOf(BankOf(q.section));
    QStringList lines;
    lines << QStringLiteral("%1 第 %2 题").arg(SectionName(q.section)).arg(q.number);
    // The question as the sitting's paper froze it, whatever the bank holds now.
    Database db(kDatabasePath);
    const ResultTable table =
        ReadPaper(db, exams_->currentData().toLongLong()).Question(q.section, q.number);
    const QStringList& columns = FrozenPaper::Columns();
    for (const BankColumn& column : traits.columns)
        if (table.RowCount() > 0 && column.column != QStringLiteral("TestID") &&
            columns.contains(column.column, Qt::CaseInsensitive))
            lines << column.caption + QStringLiteral("：") +
                         WithoutPictures(table.Value(column.column));
    questionText_->setPlainText(lines.join(u'\n'));
}

void AnalysisTab::ExportClick() {
    if (statistics_.summary.candidates == 0) {
        prompts_.Message(kNothingToExport);
        return;
    }
    const QString file = AskWorkbookFile(prompts_, true);
    if (file.isEmpty()) return;
    try {
        WriteWorkbook(file, AnalysisWorkbook(exams_->currentText(), notes_, record_, statistics_));
    } catch (const WorkbookError& error) {
        prompts_.Error(QStringLiteral("导出失败：") + error.Message());
    }
}

void AnalysisTab::PrintClick(bool preview) {
    if (statistics_.summary.candidates == 0) {
        prompts_.Message(kNothingToExport);
        return;
    }
    AnalysisReportData report = AnalysisReport(statistics_);
    report.exam = exams_->currentText();
    report.notes = notes_.join(u' ');
    // The chart as on screen, drawn three times as fine for the paper.
    report.chart = QImage(chart_->size() * 3, QImage::Format_ARGB32_Premultiplied);
    report.chart.fill(Qt::white);
    {
        QPainter painter(&report.chart);
        painter.setRenderHint(QPainter::Antialiasing);
        chart_->render(&painter, QRectF(report.chart.rect()), chart_->viewport()->rect());
    }
    OutputDocument(prompts_, this, AnalysisReportDocument(report),
                   preview ? PrintOutput::Preview : PrintOutput::Pdf);
}
