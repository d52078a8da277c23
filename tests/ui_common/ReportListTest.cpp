// The report-style list the back office tabs show their tables in.

#include "ui_common/ReportList.h"

#include <QImage>
#include <QTest>

class ReportListTest : public QObject {
    Q_OBJECT
  private slots:
    void selectedRowIsHighlighted();
    void rowsAreOneLineHigh();
};

// The grid lines come from a style sheet on the items; the selected row must still be painted in
// the highlight colour, or its text (highlighted-text, white) vanishes on the white background.
void ReportListTest::selectedRowIsHighlighted() {
    ReportList list(nullptr, QStringLiteral("ListView1"),
                    {QStringLiteral("序号"), QStringLiteral("名称")});
    list.resize(300, 200);
    list.AddRow({QStringLiteral("1"), QStringLiteral("a")});
    list.AddRow({QStringLiteral("2"), QStringLiteral("b")});
    list.show();
    list.SelectRow(1);
    QCOMPARE(list.SelectedRow(), 1);
    const QRect row = list.visualItemRect(list.topLevelItem(1));
    const QImage image = list.viewport()->grab().toImage();
    // A spot of the second column to the right of its one-letter text.
    const QColor spot = image.pixelColor(list.columnWidth(0) + 60, row.center().y());
    QCOMPARE(spot, list.palette().color(QPalette::Active, QPalette::Highlight).toRgb());
}

// A free-text answer with line breaks keeps them in its cell but does not make rows taller.
void ReportListTest::rowsAreOneLineHigh() {
    ReportList list(nullptr, QStringLiteral("ListView7"),
                    {QStringLiteral("序号"), QStringLiteral("tm1")});
    list.resize(300, 200);
    list.AddRow({QStringLiteral("1"), QStringLiteral("第一行\n第二行\r\n第三行")});
    list.AddRow({QStringLiteral("2"), QStringLiteral("一行")});
    list.show();
    QCOMPARE(list.Cell(0, 1), QStringLiteral("第一行\n第二行\r\n第三行"));
    const int height = list.visualItemRect(list.topLevelItem(0)).height();
    QCOMPARE(list.visualItemRect(list.topLevelItem(1)).height(), height);
    QVERIFY(height < 2 * list.fontMetrics().height());
}

QTEST_MAIN(ReportListTest)
#include "ReportListTest.moc"
