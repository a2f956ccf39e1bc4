#pragma once

#include <QList>
#include <QRect>
#include <QSettings>
#include <QString>

#include <memory>

// Keys of the per-user settings store, group "Settings" under the application title.
namespace SettingsKeys {
inline const QString MainLeft = QStringLiteral("MainLeft");
inline const QString MainTop = QStringLiteral("MainTop");
inline const QString MainWidth = QStringLiteral("MainWidth");
inline const QString MainHeight = QStringLiteral("MainHeight");
inline const QString DisplayHelp = QStringLiteral("DisplayHelp");
} // namespace SettingsKeys

// The per-user settings store. Values are kept as text. An empty path means the user's own
// store; tests and demonstrations point it at a file of their own.
class SettingsStore {
public:
    explicit SettingsStore(const QString& path = {});

    // The stored number, or the default when the key is missing or does not hold a number.
    double readNumber(const QString& key, double defaultValue) const;
    // "True"/"False" as stored text; the default when missing or not one of those.
    bool readBool(const QString& key, bool defaultValue) const;
    void writeText(const QString& key, const QString& text);
    bool contains(const QString& key) const;
    QString readText(const QString& key) const;
    void sync();

private:
    std::unique_ptr<QSettings> settings_;
};

// A window's place as restored from the store, brought onto the screens there are now (their free
// areas, the primary first). A place that lies wholly on them stays as it is; any other, kept from
// a larger monitor or a second one since removed, goes onto the screen that shows most of it (the
// primary when none shows any), moved as little as it takes and shrunk only where it is larger.
QRect FitOnScreens(const QRect& window, const QList<QRect>& screens);
