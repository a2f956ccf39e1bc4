#include "windows/widgets/AccessibleChoice.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QItemSelectionModel>

void AcceptAccessibleChoice(QComboBox* combo) {
    QObject::connect(combo->view()->selectionModel(), &QItemSelectionModel::selectionChanged, combo, [combo] {
        if (combo->view()->isVisible()) return; // the open list commits its own choice
        const QModelIndexList rows = combo->view()->selectionModel()->selectedRows();
        if (!rows.isEmpty() && rows.first().row() != combo->currentIndex())
            combo->setCurrentIndex(rows.first().row());
    });
}
