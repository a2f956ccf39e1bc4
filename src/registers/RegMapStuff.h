#pragma once

#include "chip/RegisterTable.h"

#include <QList>
#include <QString>
#include <QStringList>

// The register model as the register map window and the files show it: names, bit names and the
// register tree, over the chip's register table.

// The eight bit names; position k names bit 7 - k.
QStringList SplitBitNames(const RegisterEntry& entry);

QString RegisterName(const RegisterEntry& entry);
QString RegisterDescription(const RegisterEntry& entry);

// The register tree of the register map window, as plain data: every node in the order it is
// added, with its level (0 root, 1 group, 2 register), its text (which is also its key) and, for
// register nodes, the table index. 113 nodes.
struct RegisterTreeNode {
    int level;
    QString text;
    int parent;        // index of the parent node in the list, -1 for roots
    int registerIndex; // table index for level 2, -1 otherwise
};
QList<RegisterTreeNode> RegisterTreeNodes();
