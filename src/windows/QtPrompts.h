#pragma once

#include "base/Prompts.h"

#include <QPointer>
#include <QWidget>

#include <optional>

// Prompts answered by real dialogs, parented to the main window once it exists.
class QtPrompts final : public Prompts {
public:
    void setParentWidget(QWidget* parent) { parent_ = parent; }
    MessageAnswer message(const QString& text, MessageIcon icon, MessageButtons buttons,
                          const QString& details = {}) override;
    QString openFileName(const QString& folder, const QString& filter) override;
    QString saveFileName(const QString& folder, const QString& filter) override;
    void openUrl(const QString& url) override;

private:
    QPointer<QWidget> parent_;
};

// Asks which of several boards to use, at start-up before any window: the index of the choice,
// nothing when the user gave up.
std::optional<int> ChooseBoard(const QStringList& choices);

// "Log Files (*.csv)|*.csv" -> "Log Files (*.csv)" as a Qt name filter.
QString QtNameFilter(const QString& filter);
