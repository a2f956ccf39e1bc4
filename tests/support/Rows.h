#pragma once

#include <QTest>

// A one-column data table of named rows (tuples or structs): a failing case is reported by name.
template <class Row> void addRows(std::initializer_list<std::pair<const char*, Row>> rows) {
    QTest::addColumn<Row>("row");
    for (const auto& [name, row] : rows)
        QTest::newRow(name) << row;
}
template <class Row> const Row& fetchRow() {
    return *static_cast<const Row*>(QTest::qData("row", qMetaTypeId<Row>()));
}
