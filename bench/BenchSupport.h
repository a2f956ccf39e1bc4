#pragma once

// What every benchmark needs: prompts that answer nothing and the process's CPU time.
#include "base/Prompts.h"

#include <ctime>

class SilentPrompts final : public Prompts {
public:
    MessageAnswer message(const QString&, MessageIcon, MessageButtons, const QString& = {}) override {
        return MessageAnswer::Ok;
    }
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}
};

// CPU time of the whole process in microseconds.
inline double cpuMicros() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}
