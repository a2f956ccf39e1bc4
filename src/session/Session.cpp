#include "session/Session.h"

#include "base/NumberText.h"
#include "board/Startup.h"
#include "chip/RegisterTable.h"

#include <QFileInfo>
#include <QStandardPaths>

Session::Session(Clock& clock_, Prompts& prompts_, USBFunctions& board, QString programFolder_)
    : BoardLink(clock_, prompts_, board, std::move(programFolder_)) {
    events.logTime = [this] {
        if (!decl.LoggingActive) return QString();
        return LogTimeText(static_cast<double>(decl.LogSampleCount * options.LogInterval) / 1000.0);
    };
    usb.onRegisterWritten = [this](std::int32_t reg, int value, std::optional<int> old) {
        events.record(EventKind::RegisterWritten, RegisterChannelText(reg), RegisterByteText(value),
                      old ? RegisterByteText(*old) : QString());
    };
    usb.onLinkError = [this](int code) {
        events.record(EventKind::LinkError, LinkErrorMessage(code), QString::number(code));
    };
}

void Session::setStatusText(const QString& text) {
    statusText_ = text;
    if (onStatusText) onStatusText(text);
}

QString Session::dialogFolder() const {
    const QFileInfo folder(programFolder);
    if (folder.isDir() && folder.isWritable()) return programFolder;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void SetDefaultValues(Session& s) {
    s.options.LogInterval = 100;
    s.options.ReadInterval = 100;
    s.options.GraphInterval = 50;
    s.options.ReadingEnabled = true;
    s.decl.TachClock = 90000;
    s.decl.UpdateOnChange = true;
    s.decl.AutoControlTable[0].ShowConPoint = true;
    s.decl.AutoControlTable[1].ShowConPoint = true;
    for (std::size_t k = 0; k <= 5; ++k)
        s.decl.LogSelection[k] = true;
}

void InitDefaults(Session& s) {
    BuildRegisterTable();
    SetDefaultValues(s);
    s.usb.RefreshControlFlags(0x68);
    s.usb.RefreshControlFlags(0x69);
    s.usb.RefreshControlFlags(0x7F);
    StartFreeWheelTest(s);
}
