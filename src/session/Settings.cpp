#include "session/Settings.h"

#include "base/NumberText.h"
#include "base/Prompts.h"

#include <algorithm>

namespace {
const QString kGroup = QStringLiteral("Settings/");
}

SettingsStore::SettingsStore(const QString& path) {
    if (path.isEmpty())
        settings_ = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, kApplicationTitle,
                                                kApplicationTitle);
    else
        settings_ = std::make_unique<QSettings>(path, QSettings::IniFormat);
}

bool SettingsStore::contains(const QString& key) const {
    return settings_->contains(kGroup + key);
}

QString SettingsStore::readText(const QString& key) const {
    return settings_->value(kGroup + key).toString();
}

double SettingsStore::readNumber(const QString& key, double defaultValue) const {
    if (!contains(key)) return defaultValue;
    const QString text = readText(key);
    return IsNumeric(text) ? LeadingNumberOrZero(text) : defaultValue;
}

bool SettingsStore::readBool(const QString& key, bool defaultValue) const {
    if (!contains(key)) return defaultValue;
    const QString text = readText(key).trimmed();
    if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    return defaultValue;
}

void SettingsStore::writeText(const QString& key, const QString& text) {
    settings_->setValue(kGroup + key, text);
}

void SettingsStore::sync() {
    settings_->sync();
}

QRect FitOnScreens(const QRect& window, const QList<QRect>& screens) {
    const auto area = [](const QRect& r) { return r.isEmpty() ? 0 : qint64(r.width()) * r.height(); };
    qint64 shown = 0;
    qsizetype best = 0;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const qint64 part = area(window & screens[i]);
        shown += part;
        if (part > area(window & screens[best])) best = i;
    }
    if (screens.isEmpty() || window.isEmpty() || shown == area(window)) return window;
    const QRect& screen = screens[best];
    QRect fitted(window.topLeft(), window.size().boundedTo(screen.size()));
    fitted.moveLeft(
        std::clamp(fitted.left(), screen.left(), screen.left() + screen.width() - fitted.width()));
    fitted.moveTop(std::clamp(fitted.top(), screen.top(), screen.top() + screen.height() - fitted.height()));
    return fitted;
}
