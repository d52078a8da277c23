#include "ui_common/Prompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QRegularExpression>

#include <map>

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

// The kinds of file a file dialog names in its type column: "文件夹" for a folder and, for a file,
// the caption of the first filter that names its extension ("excel文件" for .xlsx in
// "excel文件(*.xlsx *.xls)"). Read by the dialog's file model on its own thread: set once, then
// only read.
class FileKinds : public QFileIconProvider {
  public:
    explicit FileKinds(const QString& filter) {
        static const QRegularExpression entry(QStringLiteral("^(.*)\\(([^)]*)\\)$"));
        for (const QString& part : filter.split(QStringLiteral(";;"))) {
            const QRegularExpressionMatch match = entry.match(part.trimmed());
            if (!match.hasMatch()) continue;
            for (const QString& pattern : match.captured(2).split(u' ', Qt::SkipEmptyParts))
                if (pattern.startsWith(QStringLiteral("*.")))
                    kinds_.try_emplace(pattern.mid(2).toLower(), match.captured(1).trimmed());
        }
    }

    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return QStringLiteral("文件夹");
        const QString suffix = info.suffix();
        const auto found = kinds_.find(suffix.toLower());
        if (found != kinds_.end()) return found->second;
        return suffix.isEmpty() ? QStringLiteral("文件") : suffix + QStringLiteral(" 文件");
    }

  private:
    std::map<QString, QString> kinds_;  // by lower-case extension
};

// The file dialog's columns in the program's language: the kinds above, and sizes and dates in
// the program's locale (Qt's file model writes them in the desktop's). The kinds are shown from
// here too, since the model may have read the first folder before the dialog had them.
class DialogColumns : public QIdentityProxyModel {
    // "kB", "MB" (of 1024) as most file managers write them, not "KiB", "MiB".
    static constexpr QLocale::DataSizeFormats kSizeUnits = QLocale::DataSizeTraditionalFormat;

  public:
    DialogColumns(const FileKinds& kinds, QObject* parent)
        : QIdentityProxyModel(parent), kinds_(kinds) {}

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        switch (index.column()) {
            case 1:
                return files->isDir(source)
                           ? QString()
                           : QLocale().formattedDataSize(files->size(source), 2, kSizeUnits);
            case 2:
                return kinds_.type(files->fileInfo(source));
            case 3:
                return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }

  private:
    const FileKinds& kinds_;
};

// The dialog's columns in Chinese; `kinds` (made from the dialog's filter) outlives the dialog.
void ShowColumnsInChinese(QFileDialog& dialog, FileKinds& kinds) {
    dialog.setIconProvider(&kinds);  // the model sorts by these kinds
    dialog.setProxyModel(new DialogColumns(kinds, &dialog));
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
    FileKinds kinds(filter);
    QFileDialog dialog(window, QString(), QString(), filter);
    ShowColumnsInChinese(dialog, kinds);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (RunFor(window, dialog) != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}

QString QtPrompts::SaveFileName(QWidget* owner, const QString& filter) {
    // A name typed without an extension gets the filter's, so the file is listed again by an
    // open dialog with the same filter.
    QWidget* window = OwnerWindow(owner);
    FileKinds kinds(filter);
    QFileDialog dialog(window, QString(), QString(), filter);
    ShowColumnsInChinese(dialog, kinds);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(FirstSuffix(filter));
    if (RunFor(window, dialog) != QDialog::Accepted) return QString();
    return dialog.selectedFiles().value(0);
}
