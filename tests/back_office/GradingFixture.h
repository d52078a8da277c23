// A grading tab working on a fresh copy of the delivered database, driven as a teacher would.
#pragma once

#include "back_office/GradingTab.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/ReportList.h"
#include "ui_common/Widgets.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

// Clicks row `row` of a report list where a user would: on its first column.
inline void ClickListRow(ReportList* list, int row) {
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(10, rect.center().y()));
}

// Finds a named control below `root`, failing the test when there is none.
template <typename T>
T* Control(QWidget* root, const QString& name) {
    T* control = root->findChild<T*>(name);
    if (!control)
        QTest::qFail(qPrintable(QStringLiteral("no control ") + name), __FILE__, __LINE__);
    return control;
}

// `root` holds the controls of the grading tab (the tab itself, or the whole back office).
class GradingDriver {
  public:
    explicit GradingDriver(QWidget* root) : root_(root) {}

    ReportList* List() const { return Control<ReportList>(root_, QStringLiteral("ListView7")); }
    ColorLabel* Panel(int n) const {
        return Control<ColorLabel>(root_, QStringLiteral("Pg%1").arg(n));
    }
    QLabel* RowTitle(int n) const {
        return Control<QLabel>(root_, QStringLiteral("Labgg%1").arg(n));
    }
    QLineEdit* Box(int n) const {
        return Control<QLineEdit>(root_, QStringLiteral("Edgg%1").arg(n));
    }
    QLineEdit* Edit(const QString& name) const { return Control<QLineEdit>(root_, name); }
    QString Question() const {
        return Control<QPlainTextEdit>(root_, QStringLiteral("Memott1"))->toPlainText();
    }
    QString Answer() const {
        return Control<QPlainTextEdit>(root_, QStringLiteral("MemoTt"))->toPlainText();
    }

    void ChooseCandidate(int row) const { ClickListRow(List(), row); }
    void ChooseQuestion(int n) const { QTest::mouseClick(Panel(n), Qt::LeftButton); }
    void TypeMark(int n, const QString& mark) const {
        Box(n)->clear();
        QTest::keyClicks(Box(n), mark);
    }
    void Click(const QString& button) const {
        QTest::mouseClick(Control<QPushButton>(root_, button), Qt::LeftButton);
    }
    void Save() const { Click(QStringLiteral("Butg9")); }

  private:
    QWidget* root_;
};

// The tab alone, set up on the delivered database after `setUpSql` ran on it.
struct GradingFixture {
    explicit GradingFixture(const QString& setUpSql = QString()) {
        if (!setUpSql.isEmpty()) workdir.Sql(setUpSql);
        SetErrorPrompts(&prompts);
        tab = std::make_unique<GradingTab>(prompts, nullptr);
        tab->resize(860, 510);
        RunGuarded([this] { tab->SetUp(); });
        tab->show();
        if (!QTest::qWaitForWindowExposed(tab.get()))
            QTest::qFail("the grading tab was not shown", __FILE__, __LINE__);
    }
    ~GradingFixture() { SetErrorPrompts(nullptr); }

    TestWorkdir workdir;
    ScriptedPrompts prompts;
    std::unique_ptr<GradingTab> tab;

    GradingDriver Ui() const { return GradingDriver(tab.get()); }
};
