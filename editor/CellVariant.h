// The Qt side of the cell-input adapter (tool/cellText.h): a cell's value as the QVariant that a
// property (or any view) shows and edits, and typed text or such a QVariant back to a value,
// checked by exactly the rules and messages of tarn::ParseCellText.
//
// Value types by field type: INT int, UINT uint, INT64 qlonglong, UINT64 qulonglong, FLOAT float;
// STRING, STRING_INT and STRING_FLOAT QString (a list as its whole text form, values joined by
// "|"). Free functions without state.
#pragma once

#include "tool/cellText.h"

#include <QString>
#include <QVariant>

// The QMetaType id of the value that stands for a cell of `type`; QMetaType::UnknownType for a
// type outside 1..8.
int CellVariantType(FIELD_TYPE type);

// The initial value of a cell of `type` (0, an empty text) as a QVariant of CellVariantType(type);
// an invalid QVariant for a type outside 1..8.
QVariant CellDefaultVariant(FIELD_TYPE type);

// The value as a QVariant of CellVariantType(value.Type()); an invalid QVariant for an empty value.
QVariant CellValueVariant(const tarn::CellValue& value);
// CellValueVariant(tarn::ReadCell(cell)).
QVariant CellVariant(tarn::Cell& cell);

// tarn::ParseCellText of a QString.
tarn::CellInput ParseCellInput(const tarn::Field& field, const QString& text);
// The value that a QVariant of the field's value type stands for: numbers as they are, texts
// checked by ParseCellText. A QVariant of another type is refused (CellInputNoSuchType).
tarn::CellInput CellInputFromVariant(const tarn::Field& field, const QVariant& value);
// The refusal message of an input (empty when it was taken).
QString CellInputMessage(const tarn::CellInput& input);
