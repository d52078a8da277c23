#include "ExamRig.h"

#include "ui_common/ErrorRouting.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

void ClickIn(QWidget* root, const QString& name) {
    QWidget* target = root->findChild<QWidget*>(name);
    QVERIFY2(target, qPrintable(name));
    for (QWidget* up = target->parentWidget(); up; up = up->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(up)) area->ensureWidgetVisible(target, 0, 0);
    QPoint at = target->rect().center();
    if (qobject_cast<QAbstractButton*>(target) && !target->inherits("QPushButton"))
        at = QPoint(8, target->height() / 2);  // on the indicator
    QTest::mouseClick(target, Qt::LeftButton, {}, at);
}

QString TextIn(QWidget* root, const QString& name) {
    QWidget* widget = root->findChild<QWidget*>(name);
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* memo = qobject_cast<QPlainTextEdit*>(widget)) return memo->toPlainText();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    return QString();
}

void TypeInto(QWidget* widget, const QString& text) {
    widget->setFocus();
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(widget, &commit);
}

ExamRig::ExamRig() {
    SetErrorPrompts(&prompts);
    ResetTermination();
    context.signedInNumber = [this] { return signedInNumber; };
    context.signedInName = [this] { return signedInName; };
    context.numberBoxText = [this] { return numberBox; };
    context.showMainWindow = [this] { ++mainWindowShown; };
}

ExamRig::~ExamRig() {
    TestWorkdir::beforeAccess = nullptr;
    window.reset();
    SetErrorPrompts(nullptr);
    ResetTermination();
}

void ExamRig::Settle() {
    if (window) window->Recorder().Drain(10000);
}

ExamWindow& ExamRig::Create() {
    TestWorkdir::beforeAccess = [this] { Settle(); };
    window.reset();  // a workstation runs one program: the last one's writer stops first
    window = std::make_unique<ExamWindow>(prompts, platform, context, fullScreen);
    RunGuarded([this] { window->FormCreate(); });
    return *window;
}

ExamWindow& ExamRig::Start() {
    if (!window) Create();
    window->show();
    return *window;
}

ExamWindow& ExamRig::Restart() {
    window.reset();
    Create();
    return Start();
}

QColor ExamRig::Color(const QString& name) const {
    const auto* label = Find<ColorLabel>(name);
    return label ? label->color() : QColor();
}

bool ExamRig::Checked(const QString& name) const {
    const auto* button = Find<QAbstractButton>(name);
    return button && button->isChecked();
}

bool ExamRig::Shown(const QString& name) const {
    const QWidget* widget = Find(name);
    return widget && widget->isVisibleTo(window.get());
}

int ExamRig::ScrollOf(int section) const {
    return Find<QScrollArea>(QStringLiteral("ScrollBox%1").arg(section))
        ->verticalScrollBar()
        ->value();
}

QString ExamRig::Chengji() const {
    return dir.Scalar(QStringLiteral("select Chengji from Userxinxi where Xuehao='110101'"));
}

void ExamRig::StopClock() {
    Find<QTimer>(QStringLiteral("Timer1"))->stop();
}

void ExamRig::LockCandidates() {
    dir.RefuseWrites(QStringLiteral("Locked"), QStringLiteral("update"),
                     QStringLiteral("Userxinxi"), {}, QStringLiteral("database is locked"));
}

void ExamRig::Unlock() {
    dir.DropRefusal(QStringLiteral("Locked"), QStringLiteral("Userxinxi"));
}
