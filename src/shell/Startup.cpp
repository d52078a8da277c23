#include "shell/Startup.h"

#include "back_office/BackOffice.h"
#include "data_store/Schema.h"
#include "data_store/SchemaUpgrade.h"
#include "exam/ExamWindow.h"
#include "shell/AdminSignIn.h"
#include "shell/CandidateSignIn.h"
#include "shell/HelpWindow.h"
#include "shell/MainWindow.h"
#include "ui_common/ErrorRouting.h"

#include <QApplication>
#include <QStringList>

namespace {

// The creation steps' errors, shown in one box once every window is created: one cause (no data
// folder, a file that is not a database, a file locked past the busy timeout) fails every step
// that reads the database, and the user meets it once. Repeated messages are shown once.
class CreationErrors {
  public:
    void Run(const std::function<void()>& step) {
        const std::optional<QString> error = CaughtError(step);
        if (error && !messages_.contains(*error)) messages_ << *error;
    }
    void Show() const {
        if (!messages_.isEmpty()) ShowDefaultError(messages_.join(QStringLiteral("\n\n")));
    }

  private:
    QStringList messages_;
};

}  // namespace

Program::Program(Prompts& prompts, Platform& platform, bool fullScreenExam,
                 const std::function<void(const QString&)>& onCreated) {
    // The flow decides when the program ends: closing the sign-in window while the main window is
    // still hidden must not quit behind its back.
    QApplication::setQuitOnLastWindowClosed(false);
    const auto created = [&](const QString& name) {
        if (onCreated) onCreated(name);
    };
    CreationErrors errors;
    // A file made by an earlier version of the program gets what this version adds, once.
    errors.Run([] { UpgradeSchemaOnce(kDatabasePath); });
    windows_.main = new MainWindow(prompts, windows_);
    errors.Run([&] { windows_.main->FormCreate(); });
    created(QStringLiteral("MainWindow"));

    windows_.signIn = new CandidateSignIn(prompts, platform, windows_);
    created(QStringLiteral("CandidateSignIn"));

    ExamContext context;
    context.signedInNumber = [this] { return windows_.main->PanelText(2); };
    context.signedInName = [this] { return windows_.main->PanelText(4); };
    context.numberBoxText = [this] { return windows_.signIn->NumberText(); };
    context.showMainWindow = [this] { windows_.main->show(); };
    windows_.exam = new ExamWindow(prompts, platform, std::move(context), fullScreenExam);
    errors.Run([&] { windows_.exam->FormCreate(); });
    created(QStringLiteral("ExamWindow"));

    // The administrator sign-in, the back office and the help open over the candidate sign-in: as
    // its child windows they stay usable while it runs modally.
    windows_.adminSignIn = new AdminSignIn(prompts, windows_, windows_.signIn);
    created(QStringLiteral("AdminSignIn"));

    windows_.backOffice = new BackOffice(prompts, windows_.signIn);
    errors.Run([&] { windows_.backOffice->FormCreate(); });
    created(QStringLiteral("BackOffice"));

    windows_.help = new HelpWindow(platform, windows_.signIn);
    created(QStringLiteral("HelpWindow"));
    errors.Show();
}

Program::~Program() {
    // Child windows of the sign-in go with it.
    delete windows_.exam;
    delete windows_.signIn;
    delete windows_.main;
}

void Program::Start() {
    // A workstation stopped during an outage (or a crash) left its journal: it reaches the
    // database before anyone signs in here again. A database that cannot be reached is met by the
    // sign-in; the journal is tried again in the background meanwhile.
    windows_.exam->Recorder().Drain(ExamRecorder::kShipAtStartMs);
    windows_.main->FormShow();
}

void Program::FinishWrites(int timeoutMs) {
    windows_.exam->Recorder().Drain(timeoutMs);
}
