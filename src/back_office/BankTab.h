// The four question-bank tabs ("单项选择题", "多项选择题", "判断题", "主观题"): one implementation
// built and served from the bank's BankTraits.
#pragma once

#include "back_office/BankTraits.h"
#include "back_office/OfficeTab.h"

#include <QList>

#include "ui_common/PictureShelf.h"
#include "ui_common/Prompts.h"
class PictureBox;
class QLabel;
class QLineEdit;
class Database;
class QPushButton;
class ReportList;

class BankTab : public OfficeTab {
    Q_OBJECT
  public:
    BankTab(Bank bank, Prompts& prompts, QWidget* parent);

    // Butz1Click / Button14Click / Buty1Click / Butx1Click ("刷新"): renumber the bank to 1..n
    // (not the fixed single-choice bank) and list it; say whether a sitting is open.
    void Refresh() override;

    const BankTraits& Traits() const { return traits_; }
    ReportList* List() const { return list_; }
    QLineEdit* Box(int k) const { return boxes_.at(k); }
    // The spreadsheet buttons ("导出", "导入", hidden "保存"), served by the spreadsheet exchange.
    QPushButton* ExportButton() const { return exportButton_; }
    QPushButton* ImportButton() const { return importButton_; }
    QPushButton* SaveButton() const { return saveButton_; }
    QPushButton* InsertPictureButton() const { return insertPicture_; }

    // "插入图片" with the file chosen: the picture at the cursor of the question text or option
    // box last in focus (the question text when none was), unless it is refused.
    void InsertPictureFile(const QString& path);

  private:
    void BuildBoxes(int top);
    void BuildButtons(int top);
    QPushButton* AddButton(const BankButton& button, int* x, int top);
    int buttonWidth_ = 0;

    // ListView5Click / ListView4Click / ListView2Click / ListView6Click: copy the clicked row
    // into the edit boxes.
    void ListClick();
    // Butz2Click / Button11Click / Buty2Click / Butx2Click ("更改"): store the boxes over the
    // question whose number the first box holds.
    void ChangeClick();
    // Button12Click / Buty3Click / Butx3Click ("添加"): add the boxes as a new question.
    void AddClick();
    // Button15Click / Buty5Click / Buttx4Click ("删除"): delete the question with the number in
    // the first box.
    void DeleteClick();
    // Butz3Click / Button13Click / Buty4Click / Butx5Click ("清空"): empty the edit boxes.
    void ClearClick();

    // "插入图片": a picture file chosen in the file dialog.
    void InsertPictureClick();
    // A picture for `box`: refused with a message naming it, or kept on the shelf and inserted.
    void OfferPicture(PictureBox* box, const QByteArray& bytes, const QString& name);
    // Every picture the texts refer to that this tab holds the bytes of, stored with the row.
    void StorePictures(Database& db, const QStringList& texts);
    QStringList Texts() const;

    QString Trimmed(int k) const;
    // Shows the message of the first empty box, or of every empty box; true when one was empty.
    bool ReportEmptyBoxes(bool every);
    // The number n in 1..count whose decimal text equals the trimmed number box exactly (so a
    // leading zero never matches); 0 when there is none.
    int MatchingNumber(int count) const;

    const BankTraits& traits_;
    WindowPrompts prompts_;
    ReportList* list_ = nullptr;
    int listHeight_ = 0;
    // Shown while a sitting is open: its paper was frozen, edits here reach the next one.
    QLabel* sittingNotice_ = nullptr;
    QList<QLineEdit*> boxes_;
    QPushButton* exportButton_ = nullptr;
    QPushButton* importButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* insertPicture_ = nullptr;
    // The pictures of the bank's rows listed and of those inserted since; stored with a row.
    PictureShelf pictures_;
    PictureBox* pictureTarget_ = nullptr;  // the picture box last in focus
};
