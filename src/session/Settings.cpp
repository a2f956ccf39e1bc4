#include "session/Settings.h"

#include "base/NumberText.h"
#include "base/Prompts.h"

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
