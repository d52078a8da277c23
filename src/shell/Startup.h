// Start-up: the six windows are created once, in a fixed order, and each creation step runs before
// anything is shown. An error in a creation step is shown (all of them in one box, once every
// window is created) and start-up goes on.
#pragma once

#include "shell/AppWindows.h"

#include <QString>

#include <functional>
#include <memory>

class Platform;
class Prompts;

class Program {
  public:
    // `fullScreenExam` false keeps the exam window at its content size (tests).
    Program(Prompts& prompts, Platform& platform, bool fullScreenExam = true,
            const std::function<void(const QString&)>& onCreated = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    AppWindows& Windows() { return windows_; }
    // The main window's show step: what this workstation's journal still holds is shipped first,
    // then sign-in, exam, main window.
    void Start();
    // At the exit: waits up to `timeoutMs` for the exam's journal to reach the database. What
    // cannot be shipped now stays on this workstation and is shipped at the next start.
    void FinishWrites(int timeoutMs);

  private:
    AppWindows windows_;
};
