#pragma once
// The columns of a grid as text, so that a form file can store them: a JSON
// array with one object per column holding its published properties (events
// are code and are not stored). Names of kinds are those of TColumnKind.

#include <QString>
#include <QStringList>

namespace skedra
{

class TqvGrid_Columns;

// The columns as compact JSON.
QString ColumnsToText(const TqvGrid_Columns& aColumns);

// Replaces the columns by those of aText. Throws std::invalid_argument with a
// clear text when aText is not such a JSON array (a property of an unknown
// name or a kind that does not exist), leaving the columns as they were.
void ColumnsFromText(TqvGrid_Columns& aColumns, const QString& aText);

// One new column as a JSON object text, with every stored property at its default.
QString NewColumnText();

// The names of the column kinds, in the order of TColumnKind.
QStringList ColumnKindNames();

} // namespace skedra
