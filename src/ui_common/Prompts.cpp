#include "ui_common/Prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
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

// Chinese captions on the standard buttons.
int Run(QMessageBox& box) {
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("确定"));
    if (QAbstractButton* cancel = box.button(QMessageBox::Cancel)) {
        cancel->setText(QStringLiteral("取消"));
        box.setEscapeButton(cancel);
    }
    return box.exec();
}

// The extension of the filter's first pattern ("xlsx" for "Excel文档(*.xlsx)"), empty when none.
QString FirstSuffix(const QString& filter) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    const QRegularExpressionMatch match = pattern.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

}  // namespace

QWidget* QtPrompts::Owner() const {
    if (QWidget* active = QApplication::activeModalWidget()) return active;
    if (QWidget* active = QApplication::activeWindow()) return active;
    return parent_;
}

void QtPrompts::Message(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kAppTitle, Displayed(text), QMessageBox::Ok, Owner());
    Run(box);
}

void QtPrompts::Error(const QString& text) {
    QMessageBox box(QMessageBox::Critical, kAppTitle, Displayed(text), QMessageBox::Ok, Owner());
    Run(box);
}

bool QtPrompts::Confirm(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, Displayed(text),
                    QMessageBox::Ok | QMessageBox::Cancel, Owner());
    box.setDefaultButton(QMessageBox::Ok);
    return Run(box) == QMessageBox::Ok;
}

QString QtPrompts::OpenFileName(const QString& filter) {
    return QFileDialog::getOpenFileName(Owner(), QString(), QString(), filter);
}

QString QtPrompts::SaveFileName(const QString& filter) {
    // A name typed without an extension gets the filter's, so the file is listed again by an
    // open dialog with the same filter.
    QFileDialog dialog(Owner(), QString(), QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FirstSuffix(filter));
    if (dialog.exec() != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}
