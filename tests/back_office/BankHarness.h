// One question-bank tab on a shown page, driven as a teacher drives it: boxes filled, buttons and
// list rows clicked, every box recorded by scripted prompts (error boxes included).
#pragma once

#include "back_office/BankTab.h"
#include "support/ScriptedPrompts.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWidget>

class BankHarness {
  public:
    // The tab is created on a page of the back office's size and refreshed, as showing it does.
    explicit BankHarness(Bank bank) {
        SetErrorPrompts(&prompts);
        page.resize(860, 514);
        tab = new BankTab(bank, prompts, &page);
        tab->resize(860, 514);
        page.show();
        RunGuarded([this] { tab->Refresh(); });
    }
    ~BankHarness() { SetErrorPrompts(nullptr); }

    const BankTraits& Traits() const { return tab->Traits(); }
    ReportList* List() const { return tab->List(); }
    QPushButton* Button(const QString& name) const { return tab->findChild<QPushButton*>(name); }
    QLineEdit* Box(int k) const { return tab->Box(k); }
    int BoxCount() const { return int(Traits().columns.size()); }

    // A visible button is clicked with the mouse; a hidden one the way other handlers click it.
    void Click(const QString& name) {
        QPushButton* button = Button(name);
        if (!button) QFAIL(qPrintable(QStringLiteral("no button ") + name));
        if (button->isVisible())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            button->click();
    }
    void Change() { Click(Traits().change.name); }
    void Add() { Click(Traits().add.name); }
    void Delete() { Click(Traits().remove.name); }
    void Refresh() { Click(Traits().refresh.name); }

    void Fill(const QStringList& texts) {
        for (int k = 0; k < BoxCount(); ++k)
            Box(k)->setText(k < texts.size() ? texts[k] : QString());
    }
    QStringList Boxes() const {
        QStringList texts;
        for (int k = 0; k < BoxCount(); ++k)
            texts << Box(k)->text();
        return texts;
    }
    // A complete question with number `number`: every box filled.
    QStringList Question(const QString& number, const QString& text = QStringLiteral("题")) const {
        QStringList texts{number, text};
        for (int k = 2; k < BoxCount(); ++k)
            texts << (k == Traits().pointsBox ? QStringLiteral("2") : QStringLiteral("x%1").arg(k));
        return texts;
    }

    void ClickRow(int row) {
        QTreeWidgetItem* item = List()->topLevelItem(row);
        if (!item) QFAIL("no such list row");
        List()->scrollToItem(item);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {},
                          List()->visualItemRect(item).center());
    }
    QStringList Numbers() const {
        QStringList numbers;
        for (int r = 0; r < List()->RowCount(); ++r)
            numbers << List()->Cell(r, 0);
        return numbers;
    }

    ScriptedPrompts prompts;
    QWidget page;
    BankTab* tab = nullptr;
};

// "1", "2", ... "n".
inline QStringList NumbersUpTo(int n) {
    QStringList numbers;
    for (int i = 1; i <= n; ++i)
        numbers << QString::number(i);
    return numbers;
}
