#pragma once

#include <QTest>

// A data function's columns in one statement, the types in the order of the
// names: addColumns<QString, int>("text", "count").
template <typename... Types, typename... Names>
void addColumns(const Names &...names)
{
    static_assert(sizeof...(Types) == sizeof...(Names), "one type for each column name");
    (QTest::addColumn<Types>(names), ...);
}
