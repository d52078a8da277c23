// "从Word导入" of the four bank tabs: a .docx chosen in the open dialog is read and parsed, a
// preview lists every question as read, every line that fits no question and the questions
// needing attention, and "导入" stores them all (or nothing) into the banks the document's
// section headings name; questions before any heading go to the tab's bank.
#pragma once

#include "back_office/BankTraits.h"
#include "back_office/QuestionStore.h"

#include <QDialog>
#include <QObject>

#include "ui_common/Prompts.h"

class QLabel;
class QTreeWidget;

// The open dialog's filter: a .doc is offered too, to be told to save it as .docx.
inline const QString kWordFilter = QStringLiteral("Word 文档(*.docx *.doc)");

class WordImport : public QObject {
    Q_OBJECT
  public:
    // Serves the button of `tab`, whose bank takes the questions before any section heading.
    WordImport(Bank bank, const WindowPrompts& prompts, QWidget* tab);

    void ImportClick();

  private:
    // Refreshes every bank tab of the window whose bank the plan changed.
    void RefreshTabs(const ImportPlan& plan);

    Bank bank_;
    WindowPrompts prompts_;
    QWidget* tab_;
};

// The preview of an import: objectName "WordImportPreview"; the questions in "WordQuestions",
// the lines no question took in "WordUnplaced", what "导入" will do in "WordSummary"; the buttons
// "WordImportOk" ("导入") and "WordImportCancel" ("取消").
class WordPreview : public QDialog {
    Q_OBJECT
  public:
    // bankSizes: the rows each bank holds now, in Bank order.
    WordPreview(const QString& file, const QuestionDocument& document, const ImportPlan& plan,
                const QList<int>& bankSizes, QWidget* parent);

  private:
    void FillQuestions(const QuestionDocument& document, const ImportPlan& plan);
    void FillUnplaced(const QuestionDocument& document);
};
