#include "cli/CliConsole.h"

MessageAnswer ConsolePrompts::message(const QString& text, MessageIcon, MessageButtons buttons,
                                      const QString&) {
    err_ << text << '\n';
    err_.flush();
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

void ConsoleSplash::setProgInfo(const QString& text) {
    if (!progress_) return;
    *progress_ << text << '\n';
    progress_->flush();
}
