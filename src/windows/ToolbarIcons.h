#pragma once

#include <QIcon>
#include <QString>

// The toolbar's pictures, drawn by the program itself in one consistent line style.
QIcon ToolbarIcon(const QString& key);
