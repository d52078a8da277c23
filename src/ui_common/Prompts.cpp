#include "ui_common/Prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QRegularExpression>

namespace {

// Messages may separate their lines with carriage returns; show them as line breaks.
QString Displayed(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QChar(u'\r'), QChar(u'\n'));
    return shown;
}

// The window a box speaks for: the owner's, while it is on screen; otherwise the window the user
// is working in.
QWidget* OwnerWindow(QWidget* owner) {
    if (owner && owner->window()->isVisible()) return owner->window();
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Runs a box or dialog centred on `window`, then puts that window in front again: closing a
// modal box otherwise activates the application's modal window (the candidate sign-in), not the
// window that asked.
int RunFor(QWidget* window, QDialog& dialog) {
    const int result = dialog.exec();
    if (window && window->isVisible()) {
        window->raise();
        window->activateWindow();
    }
    return result;
}

// Room in a title bar beside its caption: the window icon and the buttons.
constexpr int kTitleBarRoom = 140;

// Chinese captions on the standard buttons; the box at least as wide as its caption needs.
int Run(QWidget* window, QMessageBox& box) {
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) {
        cancel->setText(QStringLiteral("取消"));
        box.setEscapeButton(cancel);
    }
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        QFont titleFont = box.font();
        titleFont.setBold(true);
        const int width =
            QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return RunFor(window, box);
}

// The extension of the filter's first pattern ("xlsx" for "Excel文档(*.xlsx)"), empty when none.
QString FirstSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

void QtPrompts::Message(QWidget* owner, const QString& text) {
    QWidget* window = OwnerWindow(owner);
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, Displayed(text), QMessageBox::Ok, window);
    Run(window, box);
}

void QtPrompts::Error(QWidget* owner, const QString& text) {
    QWidget* window = OwnerWindow(owner);
    QMessageBox box(QMessageBox::Critical, kAppTitle, Displayed(text), QMessageBox::Ok, window);
    Run(window, box);
}

bool QtPrompts::Confirm(QWidget* owner, const QString& caption, const QString& text) {
    QWidget* window = OwnerWindow(owner);
    QMessageBox box(QMessageBox::Question, caption, Displayed(text),
                    QMessageBox::Ok | QMessageBox::Cancel, window);
    box.setDefaultButton(QMessageBox::Ok);
    return Run(window, box) == QMessageBox::Ok;
}

QString QtPrompts::OpenFileName(QWidget* owner, const QString& filter) {
    QWidget* window = OwnerWindow(owner);
    QFileDialog dialog(window, QString(), QString(), filter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunFor(window, dialog) != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

QString QtPrompts::SaveFileName(QWidget* owner, const QString& filter) {
    // A name typed without an extension gets the filter's, so the file is listed again by an
    // open dialog with the same filter.
    QWidget* window = OwnerWindow(owner);
    QFileDialog dialog(window, QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FirstSuffix(filter));
    if (RunFor(window, dialog) != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}
