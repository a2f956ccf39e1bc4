#include "board/Session.h"

Session::Session(Clock& clock_, Prompts& prompts_, USBFunctions& board, QString programFolder_)
    : clock(clock_), prompts(prompts_), usb(board, prompts_), programFolder(std::move(programFolder_)) {}

void Session::setStatusText(const QString& text) {
    statusText_ = text;
    if (onStatusText) onStatusText(text);
}
