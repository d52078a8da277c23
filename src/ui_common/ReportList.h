// A read-only list in report style: column captions, grid lines, whole-row selection. Each row has
// a caption (column 0) and further columns, as the back office's lists show them.
#pragma once

#include <QStringList>
#include <QTreeWidget>

class ReportList : public QTreeWidget {
    Q_OBJECT
  public:
    ReportList(QWidget* parent, const QString& name, const QStringList& captions);

    void AddRow(const QStringList& cells);
    int RowCount() const { return topLevelItemCount(); }
    int ColumnCount() const { return columnCount(); }
    QString Cell(int row, int column) const;
    QStringList Row(int row) const;
    QStringList Captions() const;
    // Index of the selected row, -1 when none is selected.
    int SelectedRow() const;
    void SelectRow(int row);
    void ClearRows() { clear(); }

  signals:
    // A click in the list (whether or not it selected a row).
    void rowClicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
