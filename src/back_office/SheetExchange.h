// Spreadsheet exchange of a back-office list: "导出" writes the list to a workbook, "导入" reads a
// workbook's Sheet1 into the table behind the list, the hidden "保存" stores the list as it
// stands. One implementation serves the five lists (candidates and the four question banks); what
// differs between them is their ExchangeRule.
#pragma once

#include "back_office/ExchangeRules.h"

#include <QObject>

#include <functional>

#include "ui_common/Prompts.h"
class QPushButton;
class ReportList;

// The dialogs' filters.
inline const QString kExportFilter = QStringLiteral("Excel文档(*.xlsx)");
inline const QString kImportFilter = QStringLiteral("excel文件(*.xlsx *.xls)");
// Offered beside it: spreadsheets LibreOffice saves by default, read as well.
inline const QString kImportOdsFilter = QStringLiteral("OpenDocument 电子表格(*.ods)");

// Asked before the candidates are replaced while some of them hold a score or an answer.
inline const QString kReplaceCaption = QStringLiteral("提示");
inline const QString kReplaceCandidates =
    QStringLiteral("导入将删除现有的全部考生及其答案和成绩，确定要导入吗?");

// Ends every message of a failed import or save.
inline const QString kUnchangedNote = QStringLiteral("\n数据库中的数据没有改动。");

// Runs the save (or open) dialog for a workbook with the working directory kept as it was: a dialog
// may change it, and the database path is relative. Empty when cancelled.
QString AskWorkbookFile(const WindowPrompts& prompts, bool forSaving);
// The save and open dialogs for any file type (`filter`), the working directory kept likewise.
QString AskSaveFile(const WindowPrompts& prompts, const QString& filter);
QString AskOpenFile(const WindowPrompts& prompts, const QString& filter);

class SheetExchange : public QObject {
    Q_OBJECT
  public:
    // `list` is the tab's list; `refresh` the tab's refresh, run after every save. The exchange
    // lives as long as `tab`.
    SheetExchange(Exchange member, const WindowPrompts& prompts, ReportList* list,
                  std::function<void()> refresh, QWidget* tab);

    // Connects the tab's three buttons (any may be null) to the handlers below.
    void Connect(QPushButton* exportButton, QPushButton* importButton, QPushButton* saveButton);

    // Butk1Click / Butz4Click / Button16Click / Buty6Click / Butx6Click ("导出"): the list's
    // captions and rows to a workbook named in the save dialog.
    void ExportClick();
    // Butk2Click / Butz5Click / Button17Click / Buty7Click / Butx7Click ("导入"): Sheet1 of a
    // workbook named in the open dialog, checked and stored as the save stores the list.
    void ImportClick();
    // Butk3Click / Butz6Click / Button18Click / Buty8Click / Butx8Click (hidden "保存"): the list's
    // rows stored by the member's rule, then the tab refreshed.
    void SaveClick();

  private:
    // Checks `rows`, asks before candidates' results are removed, stores (with the pictures the
    // rows refer to), refreshes. `source` names where the rows come from in messages; false when
    // nothing was stored.
    bool Store(const ListRows& rows, const QString& source, int firstRow,
               const QList<QByteArray>& pictures = {});

    const ExchangeRule& rule_;
    WindowPrompts prompts_;
    ReportList* list_;
    std::function<void()> refresh_;
};
