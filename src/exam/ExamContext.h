// What the exam window reads from the windows around it: who signed in (the main window's status
// panels 2 and 4, the sign-in window's number box) and how to bring the main window up.
#pragma once

#include <QString>

#include <functional>

struct ExamContext {
    std::function<QString()> signedInNumber;  // main window status panel 2 (trimmed number)
    std::function<QString()> signedInName;    // main window status panel 4 (trimmed name)
    std::function<QString()> numberBoxText;   // sign-in window's number box, untrimmed
    std::function<void()> showMainWindow;     // after a time-out
};
