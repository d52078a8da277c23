#include "shell/MainWindow.h"

#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "exam/ExamWindow.h"
#include "shell/CandidateSignIn.h"
#include "ui_common/Termination.h"
#include "ui_common/Widgets.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTime>

namespace {
struct PanelLayout {
    const char16_t* text;
    int width;
};
constexpr PanelLayout kPanels[6] = {{u"提示：", 100}, {u"学号", 50}, {u"", 150},
                                    {u"姓名", 50},    {u"", 200},    {u"", 50}};
}  // namespace

MainWindow::MainWindow(Prompts& prompts, AppWindows& windows)
    : prompts_(prompts, this), windows_(windows) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("澄溪标准化考试系统"));
    setFixedSize(689, 435);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(689 / 2, 435 / 2));
}

void MainWindow::setVisible(bool visible) {
    if (visible) EnsureBuilt();
    QMainWindow::setVisible(visible);
}

// The backdrop, the hidden Edit1, "开始考试" and the status bar, with what the creation step read.
void MainWindow::BuildContent() {
    auto* client = new QWidget(this);
    client->setAutoFillBackground(true);
    QPalette palette = client->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Highlight));
    client->setPalette(palette);
    setCentralWidget(client);

    edit1_ = MakeEdit(client, QStringLiteral("Edit1"), 10, 10, 120, 24);
    edit1_->hide();
    button11_ = MakeButton(client, QStringLiteral("Button11"), QStringLiteral("开始考试"),
                           689 / 2 - 110, (435 - 60) / 2 - 40, 220, 70);
    button11_->setFont(PixelFont(21, true));  // it has no action

    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 6; ++i) {
        auto* panel = new QLabel(QString::fromUtf16(kPanels[i].text), bar);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        panel->setFixedWidth(kPanels[i].width);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panel->setFont(PixelFont(11));  // "hh:mm:ss" fits the 50-pixel panel
        panel->setIndent(1);
        bar->addWidget(panel);
        panels_[i] = panel;
    }
    panels_[5]->setText(startTime_);
    edit1_->setText(examIdText_);
}

QString MainWindow::PanelText(int index) {
    EnsureBuilt();
    return panels_[index]->text();
}

void MainWindow::SetPanelText(int index, const QString& text) {
    EnsureBuilt();
    panels_[index]->setText(text);
}

void MainWindow::FormCreate() {
    startTime_ = QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    if (content_.Done()) panels_[5]->setText(startTime_);
    Database db(kDatabasePath);
    auto table = db.OpenQuery(QStringLiteral("Select * from Exam"));
    table->MoveLast();
    examIdText_ = table->Value(QStringLiteral("ExamID"));
    if (content_.Done()) edit1_->setText(examIdText_);
    examIdValue_ = StrToInt(examIdText_);
}

void MainWindow::FormShow() {
    for (;;) {
        windows_.signIn->exec();
        if (TerminateRequested()) return;
        // An exam that could not go on here sends its candidate back to the sign-in.
        if (windows_.exam->exec() != ExamWindow::kBackToSignIn) break;
        if (TerminateRequested()) return;
        windows_.signIn->Reset();
    }
    if (TerminateRequested()) return;
    show();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program.
    event->accept();
    RequestTerminate();
}
