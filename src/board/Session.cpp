#include "board/Session.h"

#include <QFileInfo>
#include <QStandardPaths>

Session::Session(Clock& clock_, Prompts& prompts_, USBFunctions& board, QString programFolder_)
    : clock(clock_), prompts(prompts_), usb(board, prompts_), programFolder(std::move(programFolder_)) {}

void Session::setStatusText(const QString& text) {
    statusText_ = text;
    if (onStatusText) onStatusText(text);
}

QString Session::dialogFolder() const {
    const QFileInfo folder(programFolder);
    if (folder.isDir() && folder.isWritable()) return programFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}
