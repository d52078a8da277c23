// Pictures of the exam window for looking at, not a check: with CX_SCREENSHOTS set to a folder,
// the full-screen window is shown with answered, marked and visited questions in every section
// and the screen is saved once per section box. Run under Xvfb with the platform's windowing
// system (QT_QPA_PLATFORM=xcb) to see the real placement.
#include "ExamRig.h"

#include "ui_common/Widgets.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

class ExamScreens : public QObject {
    Q_OBJECT
  private slots:
    void screens();
};

void ExamScreens::screens() {
    const QString folder = qEnvironmentVariable("CX_SCREENSHOTS");
    if (folder.isEmpty()) QSKIP("CX_SCREENSHOTS not set");
    QApplication::setFont(ProgramFont());  // as the program shows it
    QScreen* screen = QGuiApplication::primaryScreen();
    const QString size =
        QStringLiteral("%1x%2").arg(screen->size().width()).arg(screen->size().height());
    ExamRig rig;
    rig.fullScreen = true;
    rig.platform.screen = screen->size();
    rig.Start();
    QVERIFY(QTest::qWaitForWindowExposed(&rig.Window()));
    const auto shot = [&](const QString& name) {
        // The answer sheets from their first row, so that visited, marked and answered rows show.
        for (int box = 1; box <= 4; ++box)
            rig.Find<QScrollArea>(QStringLiteral("ScrollBox%1").arg(box))
                ->verticalScrollBar()
                ->setValue(0);
        QTest::qWait(200);
        screen->grabWindow(0).save(folder + u'/' + size + u'-' + name + QStringLiteral(".png"));
    };
    // Single choice: 1 answered, 2 answered and marked, 3 visited, 4 shown now.
    rig.Click("RadioButton1");
    rig.Click("lblNext");
    rig.Click("RadioButton3");
    rig.Click("lblMarkTest");
    rig.Click("lblNext");
    rig.Click("lblNext");
    rig.Click("RadioButton2");
    shot(QStringLiteral("1-single"));

    rig.Click("LabBt2");
    rig.Click("CheckBox1");
    rig.Click("CheckBox2");
    rig.Click("CheckBox4");
    rig.Click("Labddh");
    rig.Click("Labddb");
    rig.Click("Labddh");
    rig.Click("CheckBox3");
    shot(QStringLiteral("2-multi"));

    rig.Click("LabBt3");
    rig.Click("RadioButton13");
    rig.Click("Labddh3");
    rig.Click("RadioButton23");
    rig.Click("Labddb3");
    rig.Click("Labddh3");
    shot(QStringLiteral("3-truefalse"));

    rig.Click("LabBt4");
    rig.Find<QPlainTextEdit>("MeRequest")
        ->setPlainText(QStringLiteral("运算器、控制器、存储器、输入设备、输出设备。\n"
                                      "运算器负责算术和逻辑运算，控制器指挥各部件协调工作。"));
    rig.Click("Labee4");
    rig.Click("Labee3");
    shot(QStringLiteral("4-subjective"));
}

QTEST_MAIN(ExamScreens)
#include "test_exam_screens.moc"
