#pragma once

#include <QObject>
#include <QString>

// A new control with its object name set, so tests and assistive technology find it by name.
template <typename W> W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}
