#pragma once

#include <QFile>
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

// A table in a test's data folder: a row a line, its cells split at tabs (\r, \n, \t written out); '#' lines
// are comments. A file that cannot be read ends the test run, so a table never passes with no rows.
inline QList<QStringList> tableRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) qFatal("cannot read %s", qPrintable(path));
    QList<QStringList> rows;
    for (QString line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(u'#'))
            rows << line.replace("\\r", "\r").replace("\\n", "\n").split(u'\t').replaceInStrings("\\t", "\t");
    return rows;
}
