#include "board/FirmwareSearch.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QStringList FirmwareFolders(const QString& programFolder) {
    QStringList folders{programFolder, QStringLiteral("/usr/lib/vortane"),
                        QStringLiteral("/usr/local/lib/vortane")};
    for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << QDir(data).filePath(QStringLiteral("vortane"));
    folders.removeDuplicates();
    return folders;
}

QString FindFirmwareImage(const QStringList& folders) {
    for (const QString& folder : folders) {
        const QFileInfo image(QDir(folder).filePath(FirmwareFileName));
        if (image.isFile()) return image.filePath();
    }
    return {};
}
