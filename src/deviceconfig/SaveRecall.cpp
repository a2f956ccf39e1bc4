#include "deviceconfig/SaveRecall.h"

#include "base/Prompts.h"
#include "monitoring/PollingCycle.h"
#include "registers/ConfigFile.h"
#include "session/Session.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

// A saved configuration is a few kilobytes; anything far larger is not one.
constexpr qint64 LargestConfigFile = 1 << 20;

void warn(Session& s, const QString& text) {
    s.prompts.message(text, MessageIcon::Warning, MessageButtons::Ok);
}

std::optional<QByteArray> readWhole(const QString& fileName, QString& reason) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.read(LargestConfigFile + 1);
    if (file.error() != QFileDevice::NoError) {
        reason = file.errorString();
        return std::nullopt;
    }
    if (bytes.size() > LargestConfigFile) {
        reason = QStringLiteral("the file is too large to be a saved configuration");
        return std::nullopt;
    }
    return bytes;
}

} // namespace

QString WithSavExtension(const QString& fileName) {
    if (!QFileInfo(fileName).suffix().isEmpty()) return fileName;
    return fileName + (fileName.endsWith(u'.') ? QStringLiteral("sav") : QStringLiteral(".sav"));
}

bool SaveConfiguration(Session& s, PollingCycle& polling, const QString& comment, bool onlyChanged) {
    if (const QString refusal = ConfigCommentRefusal(comment); !refusal.isEmpty()) {
        warn(s, QStringLiteral("Configuration not saved: %1.").arg(refusal));
        return false;
    }
    // The time line tells when the save was asked for, not when the dialog was closed.
    const QDateTime savedAt = QDateTime::currentDateTime();
    QString fileName;
    QString reason;
    {
        PollingCycle::Pause pause(polling);
        const QList<ConfigValue> values = ReadConfiguration(s.usb);
        if (s.usb.linkHeld()) return false;
        const QByteArray bytes = BuildConfigFile(values, onlyChanged, comment, savedAt);
        const QString chosen = s.prompts.saveFileName(s.dialogFolder(), ConfigFileFilter);
        if (chosen.isEmpty()) return false;
        fileName = WithSavExtension(chosen);
        if (WriteFileWhole(fileName, bytes, reason)) return true;
    }
    // Shown with the polling cycle running again.
    warn(s, QStringLiteral("Configuration not saved: cannot write to %1 (%2)")
                .arg(QDir::toNativeSeparators(fileName), reason));
    return false;
}

bool RecallConfiguration(Session& s, PollingCycle& polling) {
    const QString fileName = s.prompts.openFileName(s.dialogFolder(), ConfigFileFilter);
    // The polling cycle runs under the dialog; a link error there ends the program.
    if (fileName.isEmpty() || s.usb.linkHeld()) return false;
    const QString shownName = QDir::toNativeSeparators(fileName);
    QString reason;
    const std::optional<QByteArray> bytes = readWhole(fileName, reason);
    if (!bytes) {
        warn(s, QStringLiteral("Nothing was recalled: cannot read %1 (%2).").arg(shownName, reason));
        return false;
    }
    const ConfigParse parsed = ParseConfigFile(*bytes);
    if (!parsed.ok()) {
        warn(s, QStringLiteral("Nothing was recalled: %1, line %2: %3.")
                    .arg(shownName)
                    .arg(parsed.errorLine)
                    .arg(parsed.error));
        return false;
    }
    {
        PollingCycle::Pause pause(polling);
        WriteConfiguration(s.usb, parsed.writes);
    }
    if (s.usb.linkHeld()) return false;
    s.setStatusText(QStringLiteral("Recalled %1 registers from %2").arg(parsed.writes.size()).arg(shownName));
    return true;
}
