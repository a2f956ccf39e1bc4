#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cstddef>
#include <initializer_list>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class UpDown;

// Small helpers every window builds its controls with.

// A new control with its object name set, so tests and assistive technology find it by name.
template <typename W> W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

// The object name of element i of a control array: Indexed("lblBit", 3) is "lblBit_3".
QString Indexed(const char* name, std::size_t i);

// Makes the label name the control: the label's access key moves to the control, and its text
// is what a screen reader announces for it (also for the text box of an editable list, made
// editable before). Returns the label.
QLabel* LabelFor(QLabel* label, QWidget* control);
// A new label with that object name and caption, naming the control.
QLabel* LabelFor(QWidget* control, const QString& name, const QString& caption, QWidget* parent = nullptr);

// A number box with its spinner, side by side.
QHBoxLayout* BoxWithSpinner(QLineEdit* box, UpDown* spinner);

// A window's buttons in a row at its right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

// Tab and Shift+Tab move through the controls in this order. Without it they follow the order in
// which the controls were made, which is what most windows want.
void SetTabOrder(const QList<QWidget*>& order);
