// The duration a teacher sets in the back office is the one the next exam counts down from.
#include "ExamRig.h"
#include "back_office/AdminsTab.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

class DurationFromOfficeTest : public QObject {
    Q_OBJECT

  private slots:
    void nextExamCountsDownFromTheNewDuration() {
        ExamRig rig;
        QWidget page;
        AdminsTab admins(rig.prompts, &page);
        admins.findChild<QLineEdit*>(QStringLiteral("Edit11"))->setText(QStringLiteral("00:45:00"));
        QTest::mouseClick(admins.findChild<QPushButton*>(QStringLiteral("Button19")),
                          Qt::LeftButton);
        QCOMPARE(rig.prompts.Messages(), QStringList{QStringLiteral("考试时间设置成功。")});

        rig.Start();
        QCOMPARE(rig.Text(QStringLiteral("lblTestTime")), QStringLiteral("00:45:00"));
        QCOMPARE(rig.Find<QProgressBar>(QStringLiteral("pb1"))->maximum(), 45 * 60);
    }
};

QTEST_MAIN(DurationFromOfficeTest)
#include "test_duration_from_office.moc"
