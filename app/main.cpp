// 澄溪标准化考试系统: creates the application and its windows, then runs the candidate flow.
#include "shell/Startup.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/FontWarmUp.h"
#include "ui_common/Platform.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.Wait();
    app.setFont(ProgramFont());
    LoadQtChinese();
    UseChineseLocale();

    QtPrompts prompts;
    SetErrorPrompts(&prompts);
    DesktopPlatform platform;

    Program program(prompts, platform);
    QTimer::singleShot(0, &app, [&program] { RunGuarded([&program] { program.Start(); }); });
    const int code = app.exec();
    // A hand-in ends the program: its entries get a while to reach the database; the rest goes at
    // the next start.
    program.FinishWrites(10000);
    return code;
}
