// The back office on the delivered database in a fresh working directory, shown as an
// administrator would see it after signing in, with helpers to reach the controls of one tab.
#pragma once

#include "back_office/BackOffice.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

class OfficeFixture {
  public:
    // `tab` is the objectName of the tab whose controls the helpers find.
    explicit OfficeFixture(const char* tab) {
        SetErrorPrompts(&prompts);
        window.show();
        tab_ = window.findChild<QWidget*>(QString::fromLatin1(tab));
        if (!tab_) qFatal("no tab %s", tab);
        window.findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentWidget(tab_);
    }
    ~OfficeFixture() { SetErrorPrompts(nullptr); }

    template <typename T>
    T* Find(const char* name) const {
        T* child = tab_->findChild<T*>(QString::fromLatin1(name));
        if (!child) qFatal("no control %s", name);
        return child;
    }
    QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
    ReportList* List(const char* name) const { return Find<ReportList>(name); }

    void Click(const char* name) const {
        QTest::mouseClick(Find<QPushButton>(name), Qt::LeftButton);
    }
    // Sets the box's text as if typed (Chinese text cannot go through key clicks).
    void Type(const char* name, const QString& text) const { Edit(name)->setText(text); }

    // The list's rows, cells joined by "|".
    static QStringList Rows(const ReportList* list) {
        QStringList rows;
        for (int r = 0; r < list->RowCount(); ++r)
            rows << list->Row(r).join(u'|');
        return rows;
    }
    // Clicks in the middle of a list row (or, with -1, below the last row).
    static void ClickRow(ReportList* list, int row) {
        QPoint at;
        if (row >= 0) {
            at = list->visualItemRect(list->topLevelItem(row)).center();
        } else {
            at = QPoint(10, list->viewport()->height() - 5);
        }
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    TestWorkdir dir;  // first: the window works in this directory
    ScriptedPrompts prompts;
    BackOffice window{prompts, nullptr};

  private:
    QWidget* tab_ = nullptr;
};
