#include "exam/ExamWindow.h"

ExamWindow::ExamWindow(Prompts& prompts, Platform& platform, ExamContext context, bool fullScreen,
                       QWidget* parent)
    : FormDialog(parent),
      prompts_(prompts),
      platform_(platform),
      context_(std::move(context)),
      fullScreen_(fullScreen) {
    setObjectName(QStringLiteral("ExamWindow"));
    setWindowTitle(QStringLiteral("澄溪标准化考试系统8.01"));
    resize(810, 600);
}

void ExamWindow::FormCreate() {}
