#include "back_office/WordImport.h"

#include "back_office/BankTab.h"
#include "back_office/SheetExchange.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "ui_common/Prompts.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>

namespace {

constexpr int kThumbnail = 40;

QString BankName(QuestionBank bank) {
    switch (bank) {
        case QuestionBank::kSingle:
            return QStringLiteral("单项选择题");
        case QuestionBank::kMultiple:
            return QStringLiteral("多项选择题");
        case QuestionBank::kTrueFalse:
            return QStringLiteral("判断题");
        case QuestionBank::kSubjective:
            break;
    }
    return QStringLiteral("主观题");
}

// A part of a question on one line of the list: line breaks as spaces, pictures as "[图片]".
QString Shown(const QString& text) {
    QString shown = text;
    shown.replace(u'\n', u' ');
    return shown.replace(kPictureMark, QStringLiteral("[图片]"));
}

QList<int> PicturesOf(const ParsedQuestion& q) {
    QList<int> pictures = q.stem.pictures;
    for (const RichText& option : q.options)
        pictures += option.pictures;
    return pictures + q.key.pictures;
}

// What "导入" does to each bank, one sentence a bank.
QString PlanText(const QuestionDocument& document, const ImportPlan& plan,
                 const QList<int>& bankSizes) {
    QStringList lines;
    for (const BankImport& bank : plan.banks) {
        const QString name = BankName(QuestionBankOf(bank.bank));
        const int count = int(bank.rows.size());
        if (bank.bank == Bank::SingleChoice) {
            lines << (count < kSingleChoiceLimit
                          ? QStringLiteral("%1：第 1–%2 题换成文档中的 %2 题，第 %3–%4 题不变。")
                                .arg(name)
                                .arg(count)
                                .arg(count + 1)
                                .arg(kSingleChoiceLimit)
                          : QStringLiteral("%1：%2 题全部换成文档中的题目。")
                                .arg(name)
                                .arg(kSingleChoiceLimit));
        } else {
            lines << QStringLiteral("%1：题库现有的 %2 题换成文档中的 %3 题。")
                         .arg(name)
                         .arg(bankSizes.value(int(bank.bank)))
                         .arg(count);
        }
    }
    if (!plan.leftOut.isEmpty())
        lines << QStringLiteral("超出题库上限的 %1 题不导入（列表中灰色的行）。")
                     .arg(plan.leftOut.size());
    if (!plan.pictures.isEmpty())
        lines << QStringLiteral("图片 %1 张，每张只存一份。").arg(plan.pictures.size());
    int attention = 0;
    for (const ParsedQuestion& q : document.questions)
        attention += !q.attention.isEmpty();
    if (attention > 0)
        lines << QStringLiteral(
                     "%1 题需要注意（黄色的行）：按读出的样子导入，导入后请在题库中核对修改。")
                     .arg(attention);
    if (!document.unplaced.isEmpty())
        lines << QStringLiteral("%1 行未能归入任何试题，不导入（见下方）。")
                     .arg(document.unplaced.size());
    return lines.join(u'\n');
}

}  // namespace

WordPreview::WordPreview(const QString& file, const QuestionDocument& document,
                         const ImportPlan& plan, const QList<int>& bankSizes, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("WordImportPreview"));
    setWindowTitle(QStringLiteral("从Word导入 - %1").arg(QDir::toNativeSeparators(file)));
    resize(1060, 640);
    auto* layout = new QVBoxLayout(this);

    auto* summary = new QLabel(PlanText(document, plan, bankSizes), this);
    summary->setObjectName(QStringLiteral("WordSummary"));
    summary->setWordWrap(true);
    layout->addWidget(summary);

    auto* questions = new QTreeWidget(this);
    questions->setObjectName(QStringLiteral("WordQuestions"));
    questions->setRootIsDecorated(false);
    questions->setIconSize(QSize(kThumbnail, kThumbnail));
    questions->setHeaderLabels({QStringLiteral("题库"), QStringLiteral("题号"),
                                QStringLiteral("段落"), QStringLiteral("题目"), QStringLiteral("A"),
                                QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                                QStringLiteral("答案"), QStringLiteral("分值"),
                                QStringLiteral("图片"), QStringLiteral("需要注意")});
    const int widths[] = {76, 36, 36, 220, 64, 64, 64, 64, 56, 64, 80};
    for (int c = 0; c < int(std::size(widths)); ++c)
        questions->header()->resizeSection(c, widths[c]);
    layout->addWidget(questions, 3);

    auto* unplacedTitle = new QLabel(
        QStringLiteral("未能归入试题的行（%1 行，不导入）：").arg(document.unplaced.size()), this);
    layout->addWidget(unplacedTitle);
    auto* unplaced = new QTreeWidget(this);
    unplaced->setObjectName(QStringLiteral("WordUnplaced"));
    unplaced->setRootIsDecorated(false);
    unplaced->setHeaderLabels({QStringLiteral("段落"), QStringLiteral("内容")});
    unplaced->header()->resizeSection(0, 60);
    layout->addWidget(unplaced, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("导入"), this);
    ok->setObjectName(QStringLiteral("WordImportOk"));
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    cancel->setObjectName(QStringLiteral("WordImportCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    FillQuestions(document, plan);
    FillUnplaced(document);
}

void WordPreview::FillQuestions(const QuestionDocument& document, const ImportPlan& plan) {
    auto* list = findChild<QTreeWidget*>(QStringLiteral("WordQuestions"));
    // The number each question gets in its bank.
    QHash<int, int> numbers;
    for (const BankImport& bank : plan.banks)
        for (int r = 0; r < bank.questions.size(); ++r)
            numbers.insert(bank.questions[r], r + 1);
    const QSet<int> leftOut(plan.leftOut.begin(), plan.leftOut.end());
    QHash<int, QIcon> thumbnails;
    const auto thumbnail = [&](int index) {
        if (const auto known = thumbnails.constFind(index); known != thumbnails.constEnd())
            return *known;
        QIcon icon;
        const DocumentPicture& picture = document.pictures[index];
        QImage image;
        if (picture.Shown() && image.loadFromData(picture.bytes))
            icon = QIcon(QPixmap::fromImage(image.scaled(
                kThumbnail, kThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        thumbnails.insert(index, icon);
        return icon;
    };
    for (int i = 0; i < document.questions.size(); ++i) {
        const ParsedQuestion& q = document.questions[i];
        QStringList cells{
            BankName(q.bank),
            numbers.contains(i) ? QString::number(numbers.value(i)) : QStringLiteral("—"),
            q.paragraphs.isEmpty() ? QString() : QString::number(q.paragraphs[0]),
            Shown(q.stem.text)};
        for (const RichText& option : q.options)
            cells << Shown(option.text);
        cells << Shown(q.key.text)
              << (q.points ? FormatGeneral(*q.points)
                           : QStringLiteral("%1（未写）").arg(FormatGeneral(kDefaultPoints)));
        const QList<int> pictures = PicturesOf(q);
        cells << (pictures.isEmpty() ? QString() : QStringLiteral("%1 张").arg(pictures.size()));
        QStringList notes = q.attention;
        if (leftOut.contains(i)) notes.prepend(QStringLiteral("超出题库上限，不导入"));
        cells << notes.join(QStringLiteral("；"));
        auto* item = new QTreeWidgetItem(list, cells);
        if (!pictures.isEmpty()) item->setIcon(10, thumbnail(pictures.first()));
        item->setToolTip(3, q.stem.text);
        item->setToolTip(11, notes.join(u'\n'));
        if (leftOut.contains(i)) {
            for (int c = 0; c < cells.size(); ++c)
                item->setForeground(c, Qt::gray);
        } else if (!q.attention.isEmpty()) {
            for (int c = 0; c < cells.size(); ++c)
                item->setBackground(c, QColor(0xFF, 0xF2, 0xB0));
        }
    }
}

void WordPreview::FillUnplaced(const QuestionDocument& document) {
    auto* list = findChild<QTreeWidget*>(QStringLiteral("WordUnplaced"));
    for (const UnplacedLine& line : document.unplaced)
        new QTreeWidgetItem(list, {QString::number(line.paragraph), line.text});
}

WordImport::WordImport(Bank bank, const WindowPrompts& prompts, QWidget* tab)
    : QObject(tab), bank_(bank), prompts_(prompts), tab_(tab) {}

void WordImport::ImportClick() {
    const QString file = AskOpenFile(prompts_, kWordFilter);
    if (file.isEmpty()) return;
    QuestionDocument document;
    try {
        document = ReadQuestionDocument(file, QuestionBankOf(bank_));
    } catch (const WorkbookError& error) {
        prompts_.Error(error.Message() + kUnchangedNote);
        return;
    }
    const ImportPlan plan = PlanImport(document);
    QList<int> sizes;
    {
        Database db(kDatabasePath);
        for (const Bank bank :
             {Bank::SingleChoice, Bank::MultiChoice, Bank::TrueFalse, Bank::Subjective})
            sizes << db.OpenQuery(TraitsOf(bank).selectSql)->RowCount();
    }
    WordPreview preview(file, document, plan, sizes, tab_->window());
    if (preview.exec() != QDialog::Accepted) return;
    try {
        UpgradeSchemaOnce(kDatabasePath);
        Database db(kDatabasePath);
        StoreImport(db, plan);
    } catch (const DatabaseError& error) {
        prompts_.Error(QStringLiteral("写入数据库时出错：") + error.Message() + kUnchangedNote);
        return;
    }
    RefreshTabs(plan);
    int stored = 0;
    for (const BankImport& bank : plan.banks)
        stored += int(bank.rows.size());
    prompts_.Message(QStringLiteral("已从文档导入 %1 题。").arg(stored));
}

void WordImport::RefreshTabs(const ImportPlan& plan) {
    QSet<int> changed;
    for (const BankImport& bank : plan.banks)
        changed.insert(int(bank.bank));
    for (BankTab* tab : tab_->window()->findChildren<BankTab*>())
        if (changed.contains(int(tab->Traits().bank))) tab->Refresh();
}
