// An exam window on a fresh copy of the delivered database, driven as a candidate would: controls
// found by name and clicked with the mouse, prompts scripted, the desktop faked.
#pragma once

#include "exam/ExamWindow.h"
#include "support/FakePlatform.h"
#include "support/ScriptedPrompts.h"
#include "support/TestWorkdir.h"

#include <QColor>
#include <QTest>

#include <memory>

class ColorLabel;

// A left click on the control named `name` under `root` (answer controls on their indicator);
// controls in an answer sheet are scrolled into view first.
void ClickIn(QWidget* root, const QString& name);
// The caption or text of the named label, memo or button under `root`.
QString TextIn(QWidget* root, const QString& name);
// Types `text` into `widget` as an input method commits it (Chinese included).
void TypeInto(QWidget* widget, const QString& text);

class ExamRig {
  public:
    ExamRig();
    ~ExamRig();

    // Creates the window and runs its creation step (the database may be prepared before).
    ExamWindow& Create();
    // Create() (unless done) and show the window: the exam start.
    ExamWindow& Start();
    // The workstation stops without a word (a crash, a power cut) and the program is started
    // again on the same database: a new window, its creation step and its exam start.
    ExamWindow& Restart();
    ExamWindow& Window() { return *window; }
    const ExamState& State() const { return window->State(); }

    template <typename T = QWidget>
    T* Find(const QString& name) const {
        window->EnsureBuilt();
        T* found = window->findChild<T*>(name);
        if (!found) qWarning("no control named %s", qPrintable(name));
        return found;
    }
    void Click(const QString& name) { ClickIn(window.get(), name); }
    QColor Color(const QString& name) const;
    QString Text(const QString& name) const { return TextIn(window.get(), name); }
    bool Checked(const QString& name) const;
    bool Shown(const QString& name) const;  // visible within the window
    int ScrollOf(int section) const;
    // Waits for the exam's writer to bring everything to the database (or to fail trying) and
    // lets the window hear its answers. Every read and write of `dir` does it first.
    void Settle();
    // The candidate's score in the database.
    QString Chengji() const;
    // Stops the one-second timer so that tests tick by hand.
    void StopClock();
    // Updates of Userxinxi fail (as with a file locked past the busy timeout) until Unlock().
    void LockCandidates();
    void Unlock();

    TestWorkdir dir;
    ScriptedPrompts prompts;
    FakePlatform platform;
    ExamContext context;
    QString signedInNumber = QStringLiteral("110101");
    QString signedInName = QStringLiteral("张三");
    QString numberBox = QStringLiteral("110101");
    int mainWindowShown = 0;
    bool fullScreen = false;  // as the program shows it (screenshots)

  private:
    std::unique_ptr<ExamWindow> window;
};
