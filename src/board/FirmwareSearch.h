#pragma once

#include <QString>
#include <QStringList>

// The evaluation board's firmware image comes with the board, not with the program, so it may
// lie in several places; --firmware names it outright.
inline const QString FirmwareFileName = QStringLiteral("HELDRIXFW.Hex");

// Where the image is looked for, in order: beside the program, the installed data folders
// (/usr/lib/vortane, /usr/local/lib/vortane), then "vortane" in each XDG data folder.
QStringList FirmwareFolders(const QString& programFolder);

// The image in the first folder that holds one as a regular file; empty when none does.
QString FindFirmwareImage(const QStringList& folders);
