// The back office as a teacher uses its spreadsheet buttons: the window shown (which lists every
// tab), the member's tab brought to the front, the file dialogs answered by scripted prompts. The
// dialogs move the working directory elsewhere while they are open, as real ones may.
#pragma once

#include "back_office/BackOffice.h"
#include "back_office/BankTraits.h"
#include "back_office/SheetExchange.h"
#include "support/ScriptedPrompts.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

Q_DECLARE_METATYPE(Exchange)

// The controls of one member.
struct MemberControls {
    QString tab, list, exportButton, importButton, saveButton, table;
};

inline MemberControls ControlsOf(Exchange member) {
    if (member == Exchange::Candidates)
        return {QStringLiteral("TabSheet1"), QStringLiteral("ListView3"),
                QStringLiteral("Butk1"),     QStringLiteral("Butk2"),
                QStringLiteral("Butk3"),     QStringLiteral("Userxinxi")};
    const Bank bank = member == Exchange::SingleChoice  ? Bank::SingleChoice
                      : member == Exchange::MultiChoice ? Bank::MultiChoice
                      : member == Exchange::TrueFalse   ? Bank::TrueFalse
                                                        : Bank::Subjective;
    const BankTraits& t = TraitsOf(bank);
    return {t.tabName,          t.listName,       t.exportSheet.name,
            t.importSheet.name, t.saveSheet.name, t.table};
}

inline QString NameOf(Exchange member) {
    return ControlsOf(member).table;
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
}

class ExchangeHarness {
  public:
    // The working directory (the TestWorkdir) must be set before.
    ExchangeHarness() : workdir_(QDir::currentPath()) {
        SetErrorPrompts(&prompts);
        // A dialog that is open works elsewhere; the handler must come back.
        prompts.onShown = [this](const ScriptedPrompts::Shown& shown) {
            if (shown.kind == ScriptedPrompts::Kind::OpenFile ||
                shown.kind == ScriptedPrompts::Kind::SaveFile)
                QDir::setCurrent(QDir::tempPath());
        };
        office = new BackOffice(prompts, nullptr);
        office->show();
    }
    ~ExchangeHarness() {
        delete office;
        SetErrorPrompts(nullptr);
    }

    ReportList* List(Exchange member) const {
        return office->findChild<ReportList*>(ControlsOf(member).list);
    }
    QPushButton* Button(const QString& name) const { return office->findChild<QPushButton*>(name); }

    // "导出" with `file` answering the save dialog (empty: cancelled).
    void Export(Exchange member, const QString& file) {
        prompts.fileAnswers.enqueue(file);
        Click(member, ControlsOf(member).exportButton);
    }
    // "导入" with `file` answering the open dialog (empty: cancelled).
    void Import(Exchange member, const QString& file) {
        prompts.fileAnswers.enqueue(file);
        Click(member, ControlsOf(member).importButton);
    }
    // The hidden "保存", clicked the way the program clicks it.
    void Save(Exchange member) { Click(member, ControlsOf(member).saveButton); }

    // Every row of the member's list, cells joined by "|".
    QStringList ListedRows(Exchange member) const {
        QStringList rows;
        const ReportList* list = List(member);
        for (int r = 0; r < list->RowCount(); ++r)
            rows << list->Row(r).join(u'|');
        return rows;
    }

    // The working directory is where the test put it.
    bool WorkdirKept() const { return QDir::currentPath() == workdir_; }

    ScriptedPrompts prompts;
    BackOffice* office = nullptr;

  private:
    void Click(Exchange member, const QString& name) {
        auto* pages = office->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        pages->setCurrentWidget(office->findChild<QWidget*>(ControlsOf(member).tab));
        QPushButton* button = Button(name);
        if (!button) QFAIL(qPrintable(QStringLiteral("no button ") + name));
        if (button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            button->click();
    }

    QString workdir_;
};
