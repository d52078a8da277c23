#include "ui_common/ReportList.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// A report row is one line high: a cell whose text has line breaks (a free-text answer) shows
// them as blanks; the cell keeps its text as it is.
class SingleLineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        // The base turns each line break into a line separator.
        for (QChar& c : option->text)
            if (c == QChar::LineSeparator || c == u'\r' || c == u'\n') c = u' ';
    }
};

}  // namespace

ReportList::ReportList(QWidget* parent, const QString& name, const QStringList& captions)
    : QTreeWidget(parent) {
    setObjectName(name);
    setAccessibleName(name);
    setColumnCount(int(captions.size()));
    setHeaderLabels(captions);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setItemDelegate(new SingleLineDelegate(this));
    header()->setStretchLastSection(false);
    header()->setDefaultSectionSize(80);
    // Grid lines between cells. Styling the items drops the style's selection background, so the
    // selected row is painted here too (otherwise its text turns white on white).
    setStyleSheet(QStringLiteral(
        "QTreeView::item { border-right: 1px solid #d4d4d4; border-bottom: 1px solid #d4d4d4; }"
        "QTreeView::item:selected { background: palette(highlight); "
        "color: palette(highlighted-text); }"));
}

void ReportList::AddRow(const QStringList& cells) {
    auto* item = new QTreeWidgetItem(this);
    for (int c = 0; c < columnCount() && c < cells.size(); ++c)
        item->setText(c, cells[c]);
}

QString ReportList::Cell(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

QStringList ReportList::Row(int row) const {
    QStringList cells;
    for (int c = 0; c < columnCount(); ++c)
        cells << Cell(row, c);
    return cells;
}

QStringList ReportList::Captions() const {
    QStringList captions;
    for (int c = 0; c < columnCount(); ++c)
        captions << headerItem()->text(c);
    return captions;
}

int ReportList::SelectedRow() const {
    const QList<QTreeWidgetItem*> items = selectedItems();
    return items.isEmpty() ? -1 : indexOfTopLevelItem(items.first());
}

void ReportList::SelectRow(int row) {
    clearSelection();
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        item->setSelected(true);
        setCurrentItem(item);
    }
}

void ReportList::mouseReleaseEvent(QMouseEvent* event) {
    QTreeWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) emit rowClicked();
}
