#pragma once

class QComboBox;

// Lets assistive technology choose a drop-down list's item: a screen reader or test robot selects
// an item of the list without opening it (AT-SPI's select or toggle on the item), which a plain
// QComboBox only marks in its hidden list. Here the selection becomes the current item, exactly
// as if it had been chosen with the keyboard.
void AcceptAccessibleChoice(QComboBox* combo);
