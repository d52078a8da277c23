// Exam window figures, in one run:
//  (a) start-up until the candidate sign-in is on screen (six windows, every creation step against
//      the delivered database) against a bare Qt application showing one empty window
//      (bench_bare_qt, linked with Qt Widgets only);
//  (b) "下一题" on the window's thread, through the window: a click on the section's 下一题, the
//      next question taken from the paper in memory (through the candidate's order) and shown —
//      question text, four option texts, the key, its number panel lime, the options set to its
//      recorded answer — its row and the question on screen handed to the journal's writer, the
//      running score summed and handed over, the answer sheet scrolled one row. Against the same
//      done bare: a click on a plain QLabel whose handler makes the same changes on plain Qt
//      widgets laid out like the section's (same classes, fonts and sizes), from questions read
//      into a plain array before timing, and hands the same three entries, in the same two
//      hand-overs, to a journal writer of its own on an attempt of its own in the same database
//      (its thread applying meanwhile, as the window's does). Neither side reads the database: what
//      differs is the window's machinery (section table, paper and order look-ups, shared state,
//      the recorder). On the file and on the server.
//  (c) a pick on the window's thread: handed to the journal's writer (which makes it durable and
//      applies it on its own thread), beside the same pick written as the window used to write it
//      on the same engine (its own connection, the owner proved, the row upserted, committed), and
//      again with the database out of reach: on the file its folder moved away; on the server the
//      server down (stopped at once: connections refused) and hung (its processes SIGSTOPped:
//      nothing answers). Picks (and the baseline's writes) come 3 ms apart, the writer working
//      meanwhile, so that each outage outlasts the 5 s a server has to answer.
//  (d) the exam start of a new attempt in a sitting with 乱序 against one without (the seed drawn
//      and stored, every question and option put in the candidate's order).
// The server is the one the CX_PG_* variables name (scripts/pg_cluster.sh start --fsync); without
// them the bench starts such a cluster itself and stops it at the end. Run from anywhere; it works
// on a temporary copy of the delivered database (and a fresh server database, bench_exam, which
// the window reaches as the exam role). `--next`: (b) on the file alone.
#include "BenchDesk.h"
#include "data_store/ClassroomCopy.h"
#include "data_store/Conversions.h"
#include "data_store/Database.h"
#include "data_store/Schema.h"
#include "data_store/ServerLink.h"
#include "exam/ExamWindow.h"
#include "exam/ObjectiveSection.h"
#include "journal/Writer.h"
#include "record/ExamRecord.h"
#include "reliability/BenchCluster.h"
#include "shell/CandidateSignIn.h"
#include "shell/Startup.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/FontWarmUp.h"
#include "ui_common/Platform.h"
#include "ui_common/Prompts.h"
#include "ui_common/Widgets.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <sqlite3.h>

#include <signal.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(p * values.size()))];
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / double(values.size());
}

// Child modes: print "shown" once the window is exposed, then leave at once.
void ReportWhenExposed(QWidget* window) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [window] {
        if (window && window->isVisible() && window->windowHandle() &&
            window->windowHandle()->isExposed()) {
            QCoreApplication::processEvents();  // its first paint
            std::printf("shown\n");
            std::fflush(stdout);
            _exit(0);
        }
    });
    poll->start(0);
}

// For reference: one window with the program's font and one Chinese caption, so that the font
// system is loaded too.
int RunBareText(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(592, 403);
    app.setFont(ProgramFont());
    auto* caption = new QLabel(QStringLiteral("登录澄溪标准化考试系统"), &window);
    caption->setFont(PixelFont(29, true));
    caption->move(20, 60);
    window.show();
    ReportWhenExposed(&window);
    return app.exec();
}

int RunStartUp(int argc, char** argv) {
    // As the program starts: application, prompts, platform, the six windows, then the flow.
    QElapsedTimer clock;
    clock.start();
    const bool phases = qEnvironmentVariableIsSet("CX_BENCH_PHASES");
    const auto phase = [&](const QString& name) {
        if (phases)
            std::fprintf(stderr, "  %-16s %6.1f ms\n", qPrintable(name),
                         clock.nsecsElapsed() / 1e6);
    };
    FontWarmUp fonts;
    QApplication app(argc, argv);
    fonts.Wait();
    app.setQuitOnLastWindowClosed(false);
    app.setFont(ProgramFont());
    QtPrompts prompts;
    SetErrorPrompts(&prompts);
    DesktopPlatform platform;
    phase(QStringLiteral("application"));
    Program program(prompts, platform, true, phase);
    QTimer::singleShot(0, &app, [&program] { RunGuarded([&program] { program.Start(); }); });
    ReportWhenExposed(program.Windows().signIn);
    return app.exec();
}

// Starts `program` (with `arguments`) and waits until it reports its window shown.
double TimeChild(const QString& program, const QStringList& arguments, const QString& workdir) {
    QProcess child;
    child.setWorkingDirectory(workdir);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    child.start(program, arguments);
    while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
        child.waitForReadyRead(20000);
        if (child.readAll().contains("shown")) break;
    }
    const double ms = clock.nsecsElapsed() / 1e6;
    child.waitForFinished(5000);
    return ms;
}

// The window's attempt in progress (its id and owner token).
AttemptRow WindowAttempt() {
    Database db(kDatabasePath);
    auto row = db.OpenQuery(
        QStringLiteral("SELECT JiluID FROM Kaoshijilu WHERE Xuehao=110101 AND Zhuangtai=0 ORDER BY "
                       "JiluID DESC LIMIT 1"));
    return *record::Attempt(db, row->Value(QStringLiteral("JiluID")).toLongLong());
}

// A label that runs `action` when pressed, as the window's ColorLabel does.
class PressLabel : public QLabel {
  public:
    PressLabel(QWidget* parent, std::function<void()> action)
        : QLabel(QStringLiteral("下一题"), parent), action_(std::move(action)) {}

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) action_();
        QLabel::mousePressEvent(event);
    }

  private:
    std::function<void()> action_;
};

// "下一题" done bare (see (b) above): candidate 110102's own attempt in the open sitting, its
// own journal writer, plain widgets.
class BareSheet : public QWidget {
  public:
    explicit BareSheet(const FrozenPaper& paper)
        : writer_(QStringLiteral("journal-bare"), kDatabasePath) {
        resize(800, 700);
        attempt_ = WindowAttempt();
        {
            Database db(kDatabasePath);
            Transaction begin(db);
            attempt_.studentNo = 110102;
            attempt_.owner = record::NewOwnerToken();
            record::BeginAttempt(db, attempt_);
            begin.Commit();
        }
        ResultTable rows = paper.Section(1);
        for (; !rows.AtEnd(); rows.MoveNext())
            questions_.push_back(
                {rows.Value(QStringLiteral("Request")),
                 {rows.Value(QStringLiteral("AXX")), rows.Value(QStringLiteral("BXX")),
                  rows.Value(QStringLiteral("CXX")), rows.Value(QStringLiteral("DXX"))},
                 rows.Value(QStringLiteral("DDX"))});
        memo_ = new QPlainTextEdit(this);
        memo_->setGeometry(12, 24, 569, 112);
        memo_->setReadOnly(true);
        memo_->setEnabled(false);
        memo_->setFont(PixelFont(16, true, QStringLiteral("宋体")));
        for (int k = 0; k < 4; ++k) {
            choices_[k] = new QRadioButton(QString(QChar(u'A' + k)), this);
            choices_[k]->setGeometry(24, 144 + k * 36, 48, 28);
            choices_[k]->setFont(PixelFont(14, true));
            options_[k] = new QLabel(this);
            options_[k]->setGeometry(76, 144 + k * 36, 500, 28);
            options_[k]->setFont(PixelFont(14));
            options_[k]->setTextFormat(Qt::PlainText);
        }
        key_ = new QLabel(this);
        key_->hide();
        grid_ = new QScrollArea(this);
        grid_->setGeometry(600, 24, 180, 500);
        grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        auto* sheet = new QWidget;
        sheet->resize(150, 51 * 25);
        for (int n = 1; n <= int(questions_.size()); ++n) {
            auto* panel = new QLabel(QString::number(n), sheet);
            panel->setGeometry(0, (n - 1) * 25, 25, 25);
            panel->setAutoFillBackground(true);
            panels_.push_back(panel);
        }
        grid_->setWidget(sheet);
        next_ = new PressLabel(this, [this] { Next(); });
        next_->setGeometry(250, 300, 90, 26);
        next_->setFont(PixelFont(16, true, QStringLiteral("宋体")));
    }
    ~BareSheet() override { writer_.Drain(30000); }

    QWidget* NextButton() const { return next_; }
    void First() { current_ = 1; }

  private:
    struct Question {
        QString request;
        QString options[4];
        QString key;
    };

    void Next() {
        if (current_ < int(questions_.size())) {
            const Question& question = questions_[size_t(current_)];
            ++current_;
            memo_->setPlainText(QStringLiteral("第%1题 :  ").arg(current_) + question.request);
            for (int k = 0; k < 4; ++k)
                options_[k]->setText(question.options[k]);
            key_->setText(question.key);
            QLabel* panel = panels_[size_t(current_ - 1)];
            QPalette palette = panel->palette();
            palette.setColor(QPalette::Window, QColor(0x00, 0xff, 0x00));
            palette.setColor(QPalette::WindowText, Qt::black);
            panel->setPalette(palette);
            AnswerRow& row = rows_[current_];
            for (int k = 0; k < 4; ++k)
                choices_[k]->setAutoExclusive(false);
            for (int k = 0; k < 4; ++k)
                choices_[k]->setChecked(row.answer == QString(QChar(u'A' + k)));
            for (int k = 0; k < 4; ++k)
                choices_[k]->setAutoExclusive(true);
            row.section = 1;
            row.question = current_;
            row.shown = true;
            row.marked = false;
            row.changedAt = QDateTime::currentSecsSinceEpoch();
            std::vector<journal::Entry> entries(2, NewEntry(journal::Kind::Answer));
            entries[0].row = row;
            entries[1] = NewEntry(journal::Kind::Position);
            entries[1].section = 1;
            entries[1].question = current_;
            writer_.Submit(std::move(entries));
        }
        double score = 0;
        for (double earned : earned_)
            score += earned;
        journal::Entry entry = NewEntry(journal::Kind::Score);
        entry.text = FormatGeneral(score);
        entry.now = QDateTime::currentSecsSinceEpoch();
        writer_.Submit({std::move(entry)});
        QScrollBar* bar = grid_->verticalScrollBar();
        bar->setValue(bar->value() + 25);
    }

    journal::Entry NewEntry(journal::Kind kind) {
        journal::Entry entry;
        entry.kind = kind;
        entry.attempt = attempt_.id;
        entry.owner = attempt_.owner;
        entry.seq = ++seq_;
        entry.studentNo = attempt_.studentNo;
        entry.sitting = attempt_.sitting;
        return entry;
    }

    journal::Writer writer_;
    AttemptRow attempt_;
    qint64 seq_ = 0;
    std::vector<Question> questions_;
    std::map<int, AnswerRow> rows_;
    double earned_[kSingleChoiceLimit + 1] = {};
    int current_ = 1;
    QPlainTextEdit* memo_ = nullptr;
    QRadioButton* choices_[4] = {};
    QLabel* options_[4] = {};
    QLabel* key_ = nullptr;
    QScrollArea* grid_ = nullptr;
    std::vector<QLabel*> panels_;
    PressLabel* next_ = nullptr;
};

void Report(const char* what, const std::vector<double>& us) {
    std::printf("    %-44s %6zu  median %8.1f us  p99 %8.1f us  max %8.1f us\n", what, us.size(),
                Median(us), Percentile(us, 0.99), *std::max_element(us.begin(), us.end()));
}

// (b): "下一题" from question 1 to 50, several rounds, the window and the bare sheet taking turns
// (which goes first alternating); the writers' answers are taken between steps, untimed.
void NextFigures(ExamWindow& window, BareSheet& bare, const char* where) {
    QWidget* next = window.findChild<QWidget*>(QStringLiteral("lblNext"));
    QWidget* first = window.findChild<QWidget*>(QStringLiteral("Panel1"));
    constexpr int kRounds = 6;
    std::vector<double> viaWindow, viaBare;
    QElapsedTimer clock;
    const auto time = [&clock](QWidget* label, std::vector<double>& into) {
        clock.start();
        PressOn(label);
        into.push_back(clock.nsecsElapsed() / 1e3);
    };
    for (int round = 0; round < kRounds; ++round) {
        PressOn(first);
        bare.First();
        for (int n = 2; n <= 50; ++n) {
            if (n % 2) {
                time(next, viaWindow);
                time(bare.NextButton(), viaBare);
            } else {
                time(bare.NextButton(), viaBare);
                time(next, viaWindow);
            }
            QCoreApplication::processEvents();
        }
    }
    window.Recorder().Drain();
    std::printf("(b) 下一题 on the window's thread, %s (goal: window <= 1.3 x bare)\n", where);
    Report("the window", viaWindow);
    Report("the same done bare (baseline)", viaBare);
    std::printf("    ratio of medians, window / bare: %.2f; of means: %.2f\n",
                Median(viaWindow) / Median(viaBare), Mean(viaWindow) / Mean(viaBare));
}

// Everything handed to the window's writer is in the database (tries that met the outage's end
// are retried).
bool ShipAll(ExamWindow& window) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 60000)
        if (window.Recorder().Drain(5000)) return true;
    return false;
}

// A way the database goes out of reach: `begin` takes it away and returns what brings it back.
struct Outage {
    const char* name;
    std::function<std::function<void()>()> begin;
};

// The pause between two picks (and two writes of the baseline), untimed: the writer's thread works
// meanwhile as it would between a candidate's clicks, and an outage lasts longer than the 5 s a
// server has to answer before its connection is dropped.
void Pause() {
    QThread::msleep(3);
    QCoreApplication::processEvents();  // the writer's answers, as the event loop would take them
}

// (c): picks on the question shown, alternating two options so that each one changes.
void PickFigures(ExamWindow& window, const char* where, const std::vector<Outage>& outages) {
    auto* a = window.findChild<QAbstractButton*>(QStringLiteral("RadioButton1"));
    auto* b = window.findChild<QAbstractButton*>(QStringLiteral("RadioButton2"));
    QElapsedTimer clock;
    const auto timePicks = [&](int count) {
        std::vector<double> picks;
        for (int i = 0; i < count; ++i) {
            QAbstractButton* option = i % 2 ? a : b;
            clock.start();
            option->click();
            picks.push_back(clock.nsecsElapsed() / 1e3);
            Pause();
        }
        return picks;
    };
    ShipAll(window);
    const std::vector<double> journal = timePicks(2000);
    ShipAll(window);
    // The same pick as the window wrote it before the journal, on the same thread and engine.
    const AttemptRow attempt = WindowAttempt();
    std::vector<double> synchronous;
    for (int i = 0; i < 500; ++i) {
        AnswerRow row;
        row.section = 1;
        row.question = 50;
        row.answer = i % 2 ? QStringLiteral("A") : QStringLiteral("B");
        row.points = 1;
        row.key = QStringLiteral("A");
        row.earned = i % 2;
        row.changedAt = QDateTime::currentSecsSinceEpoch();
        clock.start();
        Database db(kDatabasePath);
        Transaction write(db);
        record::ProveOwner(db, attempt.id, attempt.owner);
        record::WriteAnswer(db, attempt.id, row);
        write.Commit();
        synchronous.push_back(clock.nsecsElapsed() / 1e3);
        Pause();
    }
    std::printf("(c) a pick on the window's thread, %s (goal: median < 100 us, p99 < 1000 us)\n",
                where);
    Report("journal (writer applying meanwhile)", journal);
    Report("the old synchronous write (baseline)", synchronous);
    std::printf("    ratio of medians, baseline / journal: %.1f\n",
                Median(synchronous) / Median(journal));
    for (const Outage& outage : outages) {
        std::vector<double> picks;
        int waiting = 0;
        QElapsedTimer span;
        {
            const std::function<void()> back = outage.begin();
            const auto restore = qScopeGuard([&] { back(); });
            span.start();
            picks = timePicks(2000);
            waiting = window.Recorder().Writer().Current().unshipped;
        }
        const qint64 down = span.elapsed();
        const bool shipped = ShipAll(window);
        Report(qPrintable(QStringLiteral("journal, ") + QString::fromUtf8(outage.name)), picks);
        std::printf("        %d entries waited (out of reach %.1f s), %s on return\n", waiting,
                    down / 1e3, shipped ? "all shipped" : "NOT SHIPPED");
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && QByteArray(argv[1]) == "--bare-text") return RunBareText(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--startup") return RunStartUp(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setFont(ProgramFont());

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    QFile::copy(QStringLiteral(CX_DELIVERED_DB), dir.path() + QStringLiteral("/data/Maindb.db"));
    QFile::setPermissions(dir.path() + QStringLiteral("/data/Maindb.db"),
                          QFile::ReadOwner | QFile::WriteOwner);
    QDir::setCurrent(dir.path());
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    // The bare sheet's candidate.
    Database(kDatabasePath)
        .RunStatement(QStringLiteral("INSERT INTO Userxinxi (UserID,Xuehao,Xingmin) values "
                                     "(?,?,?)"),
                      {qint64(2), QStringLiteral("110102"), QStringLiteral("李四")});

    // --next: (b) on the file only.
    const bool nextOnly = app.arguments().contains(QStringLiteral("--next"));
    // (a) start-up, alternating the programs.
    const int kStarts = nextOnly ? 0 : 21;
    std::vector<double> bare, bareText, startUp;
    for (int i = 0; i < kStarts; ++i) {
        const QString self = QCoreApplication::applicationFilePath();
        bare.push_back(TimeChild(QStringLiteral(CX_BARE_QT), {}, dir.path()));
        bareText.push_back(TimeChild(self, {QStringLiteral("--bare-text")}, dir.path()));
        startUp.push_back(TimeChild(self, {QStringLiteral("--startup")}, dir.path()));
    }
    if (!nextOnly)
        std::printf(
            "(a) start-up to window shown, median of %d: bare Qt %.1f ms, sign-in %.1f ms, "
            "ratio %.2f (goal <= 2)\n",
            kStarts, Median(bare), Median(startUp), Median(startUp) / Median(bare));
    if (!nextOnly)
        std::printf(
            "    bare Qt with the program's font and one Chinese caption: %.1f ms, ratio %.2f\n",
            Median(bareText), Median(startUp) / Median(bareText));

    QuietPrompts prompts;
    SetErrorPrompts(&prompts);
    FixedPlatform platform;
    ExamContext context;
    context.signedInNumber = [] { return QStringLiteral("110101"); };
    context.signedInName = [] { return QStringLiteral("张三"); };
    context.numberBoxText = [] { return QStringLiteral("110101"); };
    ExamWindow window(prompts, platform, context, false);
    window.FormCreate();
    window.show();
    QCoreApplication::processEvents();
    const auto bareSheet = [&window] {
        window.Recorder().Drain();
        auto sheet = std::make_unique<BareSheet>(window.State().Paper);
        sheet->show();
        QCoreApplication::processEvents();
        return sheet;
    };

    // (b) and (c) on the file.
    {
        const auto sheet = bareSheet();
        NextFigures(window, *sheet, "on the file");
    }
    if (nextOnly) {
        window.Recorder().Drain();
        SetErrorPrompts(nullptr);
        return 0;
    }
    PickFigures(window, "on the file",
                {{"database out of reach (folder moved away)", [] {
                      QDir().rename(QStringLiteral("data"), QStringLiteral("away"));
                      return [] { QDir().rename(QStringLiteral("away"), QStringLiteral("data")); };
                  }}});

    // (d) exam starts, alternating a sitting with 乱序 and without: each one a new attempt, the
    // previous one handed in first (untimed).
    const auto prepare = [](bool shuffled) {
        sqlite3* db = nullptr;
        sqlite3_open("data/Maindb.db", &db);
        sqlite3_busy_timeout(db, 10000);
        const QByteArray sql =
            "UPDATE Kaoshijilu SET Zhuangtai=1 WHERE Zhuangtai=0; "
            "UPDATE Changci SET Luanxu=" +
            QByteArray(shuffled ? "1" : "0") + " WHERE Jieshu IS NULL";
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    constexpr int kStartRuns = 41;
    std::vector<double> plainStarts, shuffledStarts;
    QElapsedTimer clock;
    for (int i = 0; i < kStartRuns + 1; ++i) {
        for (const bool shuffled : {false, true}) {
            prepare(shuffled);
            clock.start();
            window.BBnClick();
            const double ms = clock.nsecsElapsed() / 1e6;
            if (i > 0) (shuffled ? shuffledStarts : plainStarts).push_back(ms);  // 0: warm-up
        }
    }
    std::printf(
        "(d) exam start (new attempt), %d each: in the paper's order median %.2f ms (mean %.2f), "
        "乱序 median %.2f ms (mean %.2f), ratio of medians %.2f (goal < 1.2)\n",
        kStartRuns, Median(plainStarts), Mean(plainStarts), Median(shuffledStarts),
        Mean(shuffledStarts), Median(shuffledStarts) / Median(plainStarts));

    // (b) and (c) on the server: the file copied to a fresh database there and pointing to it,
    // the exam started again (the window's writer now applies to the server).
    std::optional<BenchCluster> cluster;
    try {
        cluster.emplace();
    } catch (const std::exception& error) {
        std::printf("server: none (%s): (b) and (c) on the server skipped\n", error.what());
        SetErrorPrompts(nullptr);
        return 0;
    }
    window.Recorder().Drain();
    const ServerAddress server = cluster->PutClassroom(kDatabasePath, QStringLiteral("bench_exam"));
    std::printf("server: %s (%s), fsync %s, TLS %s, the exam role\n", qPrintable(server.Label()),
                cluster->Own() ? "started by this bench" : "CX_PG_* variables",
                qPrintable(cluster->Fsync()), qPrintable(cluster->Address().sslMode));
    window.BBnClick();
    QCoreApplication::processEvents();
    {
        const auto sheet = bareSheet();
        NextFigures(window, *sheet, "on the server");
    }
    PickFigures(window, "on the server",
                {{"server down (connections refused)",
                  [&cluster] {
                      cluster->Down();
                      return [&cluster] { cluster->Up(); };
                  }},
                 {"server hung (its processes SIGSTOPped)", [&cluster] {
                      std::printf("    (the server hung: %d of its processes stopped)\n",
                                  cluster->Hang());
                      return [&cluster] { cluster->Wake(); };
                  }}});
    window.Recorder().Drain();
    SetErrorPrompts(nullptr);
    return 0;
}
