#pragma once

#include "base/Clock.h"
#include "board/Startup.h"

#include <QList>
#include <QStringList>

// A splash view that records what the splash window would show, and when.
struct RecordingSplash final : SplashView {
    explicit RecordingSplash(Clock& c) : clock(c) {}
    int progressDesignWidth() const override { return 6000; }
    void setProgressVisible() override { visible = true; }
    void setProgressWidth(float twips) override { widths.append(twips); }
    void setProgInfo(const QString& text) override {
        texts.append(text);
        textTimes.append(clock.nowMs());
    }
    void processEvents() override { ++eventPasses; }
    void setBoardText(const QString& text) override { boards.append(text); }

    Clock& clock;
    bool visible = false;
    QList<float> widths;
    QStringList texts;
    QList<std::int64_t> textTimes;
    QStringList boards; // each naming of the board in use
    int eventPasses = 0;
};
