// The real exam window on data/Maindb.db in the working directory, started for candidate 110101
// (张三) as the sign-in starts it, with prompts that answer by themselves; and how a scripted
// candidate reads the answer sheet.
#pragma once

#include "BenchDesk.h"

#include "data_store/Conversions.h"
#include "exam/ExamWindow.h"
#include "exam/SectionTable.h"
#include "ui_common/ErrorRouting.h"
#include "ui_common/Widgets.h"

#include <QTimer>

#include <memory>

struct ExamCandidate {
    QuietPrompts prompts;
    FixedPlatform platform;
    std::unique_ptr<ExamWindow> window;

    // `startClock`: the wall clock stands there and moves only by hand (the countdown too: its
    // timer is stopped), else both run.
    ExamCandidate(const QString& installation, std::optional<qint64> startClock) {
        prompts.confirm = true;
        platform.now = startClock;
        platform.installation = installation;
        SetErrorPrompts(&prompts);
        ExamContext context;
        context.signedInNumber = [] { return QStringLiteral("110101"); };
        context.signedInName = [] { return QStringLiteral("张三"); };
        context.numberBoxText = [] { return QStringLiteral("110101"); };
        window = std::make_unique<ExamWindow>(prompts, platform, context, false);
        RunGuarded([this] { window->FormCreate(); });
        window->show();
        if (startClock) window->findChild<QTimer*>(QStringLiteral("Timer1"))->stop();
    }
    template <typename T = QWidget>
    T* Find(const QString& name) const {
        return window->findChild<T*>(name);
    }
    void Click(const QString& name) { emit Find<ColorLabel>(name)->clicked(); }
    int Questions(int s) const { return qMin(window->State().Count(s), SectionOf(s).limit); }
    // The answer sheet's row of an objective question: chosen captions, earned, panel colour.
    QString Row(int s, int n) const {
        const SectionData& data = SectionOf(s);
        QString chosen;
        for (int k = 1; k <= data.cellCount; ++k)
            if (Find<ColorLabel>(CellName(data, n, k))->color() == QColor(0x0000FF))
                chosen += QString::fromUtf16(data.cellCaptions[k - 1]);
        const double earned = const_cast<ExamState&>(window->State()).EarnedSlot(s, n);
        return QStringLiteral("[%1] %2 %3")
            .arg(chosen, FormatGeneral(earned),
                 Find<ColorLabel>(PanelName(data, n))->color().name());
    }
    QString Panel(int s, int n) const {
        return Find<ColorLabel>(PanelName(SectionOf(s), n))->color().name();
    }
    // Seconds left on the countdown.
    int Left() const { return StrToTime(Find<QLabel>(QStringLiteral("lblTestTime"))->text()); }
};
