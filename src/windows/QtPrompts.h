#pragma once

#include "base/Prompts.h"

#include <QPointer>
#include <QWidget>

// Prompts answered by real dialogs, parented to the main window once it exists.
class QtPrompts final : public Prompts {
public:
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    MessageAnswer message(const QString& text, MessageIcon icon, MessageButtons buttons) override;
    QString openFileName(const QString& folder, const QString& filter) override;
    QString saveFileName(const QString& folder, const QString& filter) override;
    void openUrl(const QString& url) override;

private:
    QPointer<QWidget> parent_;
};

// "Log Files (*.csv)|*.csv" -> "Log Files (*.csv)" as a Qt name filter.
QString QtNameFilter(const QString& filter);
