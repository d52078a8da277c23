#include "back_office/BankTab.h"

#include "back_office/PictureBox.h"
#include "back_office/SheetExchange.h"
#include "back_office/WordImport.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Renumbering.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "record/Sitting.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Prompts.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <algorithm>
#include <optional>

namespace {

// Geometry of the controls on the page.
constexpr int kMargin = kPageMargin;
constexpr int kColumnGap = 16;
constexpr int kRowPitch = 34;
constexpr int kBoxHeight = 26;
constexpr int kLabelWidth = 80;
constexpr int kNumberBoxWidth = 70;
constexpr int kButtonWidth = 96;
constexpr int kButtonHeight = 30;
constexpr int kButtonGap = 8;
constexpr int kNoticeHeight = 22;

const QString kKeyColumn = QStringLiteral("TestID");

// Edit-box rows: the number and the question text share the first row, the other boxes follow
// two to a row.
int BoxRows(int boxes) {
    return 1 + (boxes - 2 + 1) / 2;
}

// The list shows a picture as "[图片]"; its cells keep the text as stored.
class PictureStandIns : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QString displayText(const QVariant& value, const QLocale& locale) const override {
        return QStyledItemDelegate::displayText(WithoutPictures(value.toString()), locale);
    }
};

}  // namespace

BankTab::BankTab(Bank bank, Prompts& prompts, QWidget* parent)
    : OfficeTab(parent), traits_(TraitsOf(bank)), prompts_(prompts, this) {
    setObjectName(traits_.tabName);

    QStringList captions;
    for (const BankColumn& column : traits_.columns)
        captions << column.caption;
    const int buttonsTop = kPageHeight - kMargin - kButtonHeight;
    const int boxesTop = buttonsTop - 12 - BoxRows(int(traits_.columns.size())) * kRowPitch;
    list_ = new ReportList(this, traits_.listName, captions);
    listHeight_ = boxesTop - 10 - kMargin;
    list_->setGeometry(kMargin, kMargin, kPageWidth - 2 * kMargin, listHeight_);
    list_->setItemDelegate(new PictureStandIns(list_));
    sittingNotice_ =
        MakeLabel(this, traits_.tabName + QStringLiteral("SittingNotice"),
                  QStringLiteral("本场考试进行中：此处的修改从下一场考试起生效。"), kMargin,
                  kMargin + listHeight_ - kNoticeHeight, kPageWidth - 2 * kMargin, kNoticeHeight);
    sittingNotice_->setStyleSheet(QStringLiteral("color: #B00000;"));
    sittingNotice_->hide();
    for (int c = 0; c < traits_.columns.size(); ++c)
        list_->header()->resizeSection(c, traits_.columns[c].listWidth);
    guardedConnect(list_, &ReportList::rowClicked, this, [this] { ListClick(); });

    BuildBoxes(boxesTop);
    BuildButtons(buttonsTop);
}

void BankTab::BuildBoxes(int top) {
    const int right = kPageWidth - kMargin;
    // Two columns of label + box below the first row, both ending at the right edge.
    const int pairWidth = (right - kMargin - 2 * kLabelWidth - kColumnGap) / 2;
    for (int k = 0; k < traits_.columns.size(); ++k) {
        int x, y, width;
        if (k < 2) {
            // "题号：" [number] "题目：" [question text, to the right edge]
            y = top;
            x = k == 0 ? kMargin : kMargin + kLabelWidth + kNumberBoxWidth;
            width = k == 0 ? kNumberBoxWidth : right - (x + kLabelWidth);
        } else {
            y = top + (1 + (k - 2) / 2) * kRowPitch;
            x = (k - 2) % 2 == 0 ? kMargin : right - kLabelWidth - pairWidth;
            width = pairWidth;
        }
        const QString& name = traits_.boxNames[k];
        QLabel* label = MakeLabel(this, name + QStringLiteral("Label"),
                                  traits_.columns[k].caption + QStringLiteral("："), x, y,
                                  kLabelWidth, kBoxHeight);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (!HoldsPictures(traits_.columns[k])) {
            boxes_ << MakeEdit(this, name, x + kLabelWidth, y, width, kBoxHeight, label);
            continue;
        }
        auto* box = new PictureBox(this, pictures_);
        PlaceEdit(box, name, x + kLabelWidth, y, width, kBoxHeight, label);
        box->TextEditor()->setAccessibleName(box->accessibleName());
        guardedConnect(box, &PictureBox::pictureOffered, this,
                       [this, box](const QByteArray& bytes, const QString& picture) {
                           OfferPicture(box, bytes, picture);
                       });
        connect(box, &PictureBox::editorFocused, this, [this, box] { pictureTarget_ = box; });
        boxes_ << box;
    }
    // Edz1KeyPress / Edx1KeyPress / Edy1KeyPress / Edxx1KeyPress: question numbers are digits.
    FilterKeys(boxes_.first(), kDigits);
    // Edz8KeyPress / Edx8KeyPress / Edy6KeyPress: points are digits and ".".
    if (traits_.pointsBox >= 0) FilterKeys(boxes_.at(traits_.pointsBox), kDigitsAndPoint);
}

QPushButton* BankTab::AddButton(const BankButton& button, int* x, int top) {
    if (button.name.isEmpty()) return nullptr;
    QPushButton* made =
        MakeButton(this, button.name, button.caption, *x, top, buttonWidth_, kButtonHeight);
    made->setVisible(button.visible);
    if (button.visible) *x += buttonWidth_ + kButtonGap;
    return made;
}

void BankTab::BuildButtons(int top) {
    // One row: the bank's own buttons and 插入图片 at the left, 从Word导入 and the spreadsheet
    // buttons at the right, two gaps apart; a bank with many buttons gets narrower ones.
    int count = 1 + 3;
    for (const BankButton* button : {&traits_.refresh, &traits_.change, &traits_.add,
                                     &traits_.remove, &traits_.clear, &traits_.saveSheet})
        if (!button->name.isEmpty() && button->visible) ++count;
    buttonWidth_ = std::min(kButtonWidth, (kPageWidth - 2 * kMargin - count * kButtonGap) / count);
    int x = kMargin;
    const auto connect = [this](QPushButton* button, void (BankTab::*handler)()) {
        if (button)
            guardedConnect(button, &QPushButton::clicked, this,
                           [this, handler] { (this->*handler)(); });
    };
    connect(AddButton(traits_.refresh, &x, top), &BankTab::Refresh);
    connect(AddButton(traits_.change, &x, top), &BankTab::ChangeClick);
    connect(AddButton(traits_.add, &x, top), &BankTab::AddClick);
    connect(AddButton(traits_.remove, &x, top), &BankTab::DeleteClick);
    connect(AddButton(traits_.clear, &x, top), &BankTab::ClearClick);
    insertPicture_ = MakeButton(this, traits_.tabName + QStringLiteral("InsertPicture"),
                                QStringLiteral("插入图片"), x, top, buttonWidth_, kButtonHeight);
    insertPicture_->setFocusPolicy(Qt::NoFocus);  // the box with the cursor keeps it
    connect(insertPicture_, &BankTab::InsertPictureClick);
    // The spreadsheet buttons stand apart, at the right.
    x = kPageWidth - kMargin - 2 * buttonWidth_ - kButtonGap;
    exportButton_ = AddButton(traits_.exportSheet, &x, top);
    importButton_ = AddButton(traits_.importSheet, &x, top);
    saveButton_ = AddButton(traits_.saveSheet, &x, top);
    auto* exchange = new SheetExchange(
        ExchangeOf(traits_.bank), prompts_, list_, [this] { Refresh(); }, this);
    exchange->Connect(exportButton_, importButton_, saveButton_);
    // "从Word导入" stands left of them.
    QPushButton* word = MakeButton(
        this, traits_.tabName + QStringLiteral("Word"), QStringLiteral("从Word导入"),
        kPageWidth - kMargin - 3 * buttonWidth_ - 2 * kButtonGap, top, buttonWidth_, kButtonHeight);
    auto* wordImport = new WordImport(traits_.bank, prompts_, this);
    guardedConnect(word, &QPushButton::clicked, wordImport,
                   [wordImport] { wordImport->ImportClick(); });
}

void BankTab::Refresh() {
    list_->ClearRows();
    UpgradeSchemaOnce(kDatabasePath);
    Database db(kDatabasePath);
    const bool sittingOpen = record::OpenSitting(db).has_value();
    sittingNotice_->setVisible(sittingOpen);
    list_->resize(list_->width(), listHeight_ - (sittingOpen ? kNoticeHeight : 0));
    if (traits_.fixedRows == 0) RenumberKeys(db, traits_.table, kKeyColumn, kKeyColumn);
    const auto rows = db.OpenQuery(traits_.selectSql);
    // The fixed bank lists exactly its number of rows: fewer rows in the table stop the refresh
    // with the access layer's end-of-table (or empty-dataset) error.
    const int count = traits_.fixedRows > 0 ? traits_.fixedRows : rows->RowCount();
    QStringList texts;
    for (int r = 0; r < count; ++r, rows->MoveNext()) {
        QStringList cells;
        for (const BankColumn& column : traits_.columns)
            cells << rows->Value(column.column);
        list_->AddRow(cells);
        texts << cells;
    }
    // The pictures of the rows, so that a row clicked shows them without reading.
    if (const QStringList missing = pictures_.Missing(texts); !missing.isEmpty())
        pictures_.Add(ReadPictures(db, missing));
}

void BankTab::ListClick() {
    const int row = list_->SelectedRow();
    if (row < 0) return;
    for (int k = 0; k < boxes_.size(); ++k)
        boxes_[k]->setText(list_->Cell(row, k));
}

void BankTab::ChangeClick() {
    if (ReportEmptyBoxes(false)) return;
    bool changed = false;
    {
        Database db(kDatabasePath);
        // A row with pictures is stored with them, or not at all.
        const QStringList texts = Texts();
        std::optional<Transaction> save;
        if (HasPictures(texts.join(QString()))) save.emplace(db);
        const int count =
            traits_.fixedRows > 0 ? traits_.fixedRows : db.OpenQuery(traits_.selectSql)->RowCount();
        if (const int number = MatchingNumber(count); number > 0) {
            SqlValues values;
            for (int k = 1; k < boxes_.size(); ++k)
                values << texts[k];
            values << qint64(number);
            db.RunStatement(traits_.updateSql, values);
            // A number in range with no row behind it changes nothing: not a success.
            changed = db.ChangedRows() > 0;
        }
        if (changed && save) {
            StorePictures(db, texts);
            save->Commit();
        }
    }
    if (!changed) {
        prompts_.Message(traits_.notFound);
        return;
    }
    prompts_.Message(kChanged);
    Refresh();
}

void BankTab::AddClick() {
    if (traits_.insertSql.isEmpty()) return;
    const bool someEmpty = ReportEmptyBoxes(traits_.addReportsEveryEmptyBox);
    const int number = StrToInt(Trimmed(0));
    if (number < 1 || number > traits_.addLimit) {
        prompts_.Message(traits_.addRangeMessage);
        return;
    }
    if (someEmpty) return;
    {
        Database db(kDatabasePath);
        if (MatchingNumber(db.OpenQuery(traits_.selectSql)->RowCount()) > 0) {
            prompts_.Message(kNumberTaken);
            return;
        }
        // The number goes in as the text typed: a taken number written differently ("03") is
        // stored as that integer and refused by the key.
        const QStringList texts = Texts();
        std::optional<Transaction> save;
        if (HasPictures(texts.join(QString()))) save.emplace(db);
        SqlValues values;
        for (const QString& text : texts)
            values << text;
        db.RunStatement(traits_.insertSql, values);
        if (save) {
            StorePictures(db, texts);
            save->Commit();
        }
    }
    prompts_.Message(kAdded);
    Refresh();
}

void BankTab::DeleteClick() {
    if (traits_.deleteSql.isEmpty()) return;
    const QString number = Trimmed(0);
    if (number.isEmpty()) {
        prompts_.Message(traits_.columns.first().emptyMessage);
        return;
    }
    bool deleted = false;
    {
        Database db(kDatabasePath);
        const auto rows = db.OpenQuery(traits_.selectSql);
        for (; !rows->AtEnd(); rows->MoveNext()) {
            const QString key = rows->Value(kKeyColumn);
            if (key != number) continue;
            db.RunStatement(traits_.deleteSql, {qint64(StrToInt(key))});
            prompts_.Message(kDeleted);
            deleted = true;
        }
    }
    if (!deleted) {
        prompts_.Message(kNoSuchNumber);
        return;
    }
    Refresh();
}

void BankTab::ClearClick() {
    for (QLineEdit* box : boxes_)
        box->clear();
}

QStringList BankTab::Texts() const {
    QStringList texts;
    for (QLineEdit* box : boxes_)
        texts << box->text();
    return texts;
}

void BankTab::StorePictures(Database& db, const QStringList& texts) {
    QStringList stored;
    for (const QString& text : texts)
        for (const QString& hash : PictureHashes(text))
            if (pictures_.Contains(hash) && !stored.contains(hash)) {
                StorePicture(db, pictures_.Bytes(hash));
                stored << hash;
            }
}

void BankTab::InsertPictureClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("插入图片"), QString(),
        QStringLiteral("图片 (*.png *.jpg *.jpeg *.gif *.bmp);;所有文件 (*)"));
    if (!path.isEmpty()) InsertPictureFile(path);
}

void BankTab::InsertPictureFile(const QString& path) {
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly)) bytes = file.read(kPictureMaxBytes + 1);
    PictureBox* box = pictureTarget_ ? pictureTarget_ : qobject_cast<PictureBox*>(boxes_.at(1));
    OfferPicture(box, bytes, QFileInfo(path).fileName());
}

void BankTab::OfferPicture(PictureBox* box, const QByteArray& bytes, const QString& name) {
    if (const QString refusal = PictureRefusal(bytes, name); !refusal.isEmpty()) {
        prompts_.Message(refusal);
        return;
    }
    const QString hash = PictureHash(bytes);
    pictures_.Add(hash, bytes);
    box->InsertPicture(hash);
    box->setFocus();
}

QString BankTab::Trimmed(int k) const {
    return boxes_.at(k)->text().trimmed();
}

bool BankTab::ReportEmptyBoxes(bool every) {
    bool someEmpty = false;
    for (int k = 0; k < boxes_.size(); ++k) {
        if (!Trimmed(k).isEmpty()) continue;
        prompts_.Message(traits_.columns[k].emptyMessage);
        someEmpty = true;
        if (!every) break;
    }
    return someEmpty;
}

int BankTab::MatchingNumber(int count) const {
    const QString number = Trimmed(0);
    for (int n = 1; n <= count; ++n)
        if (number == QString::number(n)) return n;
    return 0;
}
