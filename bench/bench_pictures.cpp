// Pictures in questions, in one run:
//  (a) showing a single-choice question whose text and option A hold a picture (the number panel
//      clicked and the section painted) against showing the same question without them;
//  (b) the database's growth when 50 questions refer to 10 pictures, against the pictures' size.
// Run from anywhere; it works on a temporary copy of the delivered database. QT_SCALE_FACTOR=2
// shows the same on a screen of twice the scale.
#include "BenchDesk.h"
#include "data_store/Database.h"
#include "data_store/Pictures.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "exam/ExamWindow.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// A screenshot-like picture: a window with a title bar, text lines and a chart, 800 x 500.
QByteArray Screenshot(int i) {
    QImage image(800, 500, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 236));
    QPainter painter(&image);
    painter.fillRect(0, 0, 800, 28, QColor(40, 80, 160 + i * 8));
    painter.setPen(Qt::white);
    painter.drawText(10, 19, QStringLiteral("第 %1 张图 窗口标题").arg(i + 1));
    painter.setPen(Qt::black);
    for (int line = 0; line < 14; ++line)
        painter.drawText(20, 60 + line * 22,
                         QStringLiteral("菜单项 %1 · 文件 编辑 视图 插入 格式 工具 %2")
                             .arg(line)
                             .arg(i * 100 + line));
    for (int bar = 0; bar < 8; ++bar)
        painter.fillRect(480 + bar * 36, 460 - (bar + i) % 9 * 40, 28, (bar + i) % 9 * 40,
                         QColor::fromHsv((bar * 40 + i * 17) % 360, 160, 200));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setFont(ProgramFont());
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    const QString file = dir.path() + QStringLiteral("/data/Maindb.db");
    QFile::copy(QStringLiteral(CX_DELIVERED_DB), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    QDir::setCurrent(dir.path());
    UpgradeSchemaOnce(kDatabasePath);

    // (b) 50 questions, 10 pictures: question n shows picture n % 10 in its text and in option A.
    QList<QByteArray> pictures;
    qint64 picturesSize = 0;
    for (int i = 0; i < 10; ++i) {
        pictures << Screenshot(i);
        picturesSize += pictures.last().size();
    }
    const qint64 before = QFileInfo(file).size();
    {
        Database db(kDatabasePath);
        Transaction save(db);
        for (int n = 1; n <= 50; ++n) {
            const QByteArray& picture = pictures[n % 10];
            const QString marker = StorePicture(db, picture);
            // Stored again for the option: found by its hash, not added twice.
            StorePicture(db, picture);
            db.RunStatement(QStringLiteral("Update Test Set Request=Request || ?, Axx=? || Axx "
                                           "where TestID=?"),
                            {marker, marker, qint64(n)});
        }
        save.Commit();
    }
    const qint64 after = QFileInfo(file).size();
    std::printf("platform: %s, device pixel ratio %.2f\n",
                qPrintable(QGuiApplication::platformName()), app.devicePixelRatio());
    {
        Database db(kDatabasePath);
        std::printf(
            "(b) 50 questions referring to 10 pictures (%lld bytes together): %s pictures stored, "
            "%lld bytes of them; the file grew by %lld bytes (%.3f x the pictures' size)\n",
            picturesSize,
            qPrintable(db.OpenQuery(QStringLiteral("Select count(*) AS n from Tupian"))
                           ->Value(QStringLiteral("n"))),
            db.OpenQuery(QStringLiteral("Select sum(length(Shuju)) AS n from Tupian"))
                ->Value(QStringLiteral("n"))
                .toLongLong(),
            after - before, double(after - before) / double(picturesSize));
    }

    // (a) Questions 1..50 with pictures, 51..100 the same texts without: the bank as it was
    // before, appended as further single-choice rows is not possible (the section shows 50), so
    // the two papers are two windows over two copies of the database, clicked in turns.
    QuietPrompts prompts;
    SetErrorPrompts(&prompts);
    FixedPlatform platform;
    ExamContext context;  // no candidate signed in: nothing recorded, display only
    ExamWindow withPictures(prompts, platform, context, false);
    withPictures.FormCreate();
    withPictures.show();
    {
        Database db(kDatabasePath);
        db.RunStatement(QStringLiteral("Update Test Set Request=replace(Request, "
                                       "substr(Request, instr(Request, ?)), ''), "
                                       "Axx=substr(Axx, 67)"),
                        {QString(kPictureOpen)});
    }
    ExamWindow without(prompts, platform, context, false);
    without.FormCreate();
    without.show();
    QCoreApplication::processEvents();

    // Each run shows the next question (1..50 in turn) and paints the section at once; the two
    // windows take turns run by run, so that both see the same state of a busy machine.
    const auto showing = [](ExamWindow& window) {
        auto* box = window.findChild<QGroupBox*>(QStringLiteral("GroupBox1"));
        return [&window, box, n = 0]() mutable {
            n = n % 50 + 1;
            PressOn(window.findChild<QWidget*>(QStringLiteral("Panel%1").arg(n)));
            box->repaint();
        };
    };
    auto showWithout = showing(without);
    auto showWith = showing(withPictures);
    for (int warm = 0; warm < 50; ++warm) {  // every question shown once: pictures scaled
        showWithout();
        showWith();
    }
    constexpr int kRuns = 2000;
    std::vector<double> withMs, withoutMs;
    QElapsedTimer clock;
    for (int i = 0; i < kRuns; ++i) {
        clock.start();
        showWithout();
        withoutMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        clock.start();
        showWith();
        withMs.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    const auto line = [](const char* what, std::vector<double> ms) {
        std::sort(ms.begin(), ms.end());
        const double median = ms[ms.size() / 2];
        std::printf("%-36s median %6.3f ms   min %6.3f   max %7.2f   (%zu runs)\n", what, median,
                    ms.front(), ms.back(), ms.size());
        return median;
    };
    std::printf("(a) showing question n of 50 and painting its section:\n");
    const double baseline = line("    the questions without pictures", withoutMs);
    const double pictured = line("    the same with two pictures each", withMs);
    std::printf("    ratio of medians %.2f (goal < 1.5)\n", pictured / baseline);
    SetErrorPrompts(nullptr);
    return 0;
}
