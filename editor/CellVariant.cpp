#include "editor/CellVariant.h"

#include <string_view>

namespace
{
std::u16string_view View(const QString& text)
{
    return std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                               static_cast<size_t>(text.size()));
}

QString FromU16(const std::u16string& text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

int CellVariantType(FIELD_TYPE type)
{
    switch (type)
    {
    case FIELD_TYPE_INT:
        return QMetaType::Int;
    case FIELD_TYPE_UINT:
        return QMetaType::UInt;
    case FIELD_TYPE_INT64:
        return QMetaType::LongLong;
    case FIELD_TYPE_UINT64:
        return QMetaType::ULongLong;
    case FIELD_TYPE_FLOAT:
        return QMetaType::Float;
    case FIELD_TYPE_STRING:
    case FIELD_TYPE_STRING_INT:
    case FIELD_TYPE_STRING_FLOAT:
        return QMetaType::QString;
    default:
        return QMetaType::UnknownType;
    }
}

QVariant CellDefaultVariant(FIELD_TYPE type)
{
    const int id = CellVariantType(type);
    if (id == QMetaType::UnknownType)
        return QVariant();
    return QVariant(QMetaType(id)); // default-constructed: 0 or an empty text
}

QVariant CellValueVariant(const tarn::CellValue& value)
{
    switch (value.Type())
    {
    case FIELD_TYPE_INT:
        return QVariant(static_cast<int>(value.GetInt()));
    case FIELD_TYPE_UINT:
        return QVariant(static_cast<uint>(value.GetUInt()));
    case FIELD_TYPE_INT64:
        return QVariant(static_cast<qlonglong>(value.GetInt64()));
    case FIELD_TYPE_UINT64:
        return QVariant(static_cast<qulonglong>(value.GetUInt64()));
    case FIELD_TYPE_FLOAT:
        return QVariant(value.GetFloat());
    case FIELD_TYPE_STRING:
    case FIELD_TYPE_STRING_INT:
    case FIELD_TYPE_STRING_FLOAT:
        return QVariant(FromU16(tarn::FormatCellValue(value)));
    default:
        return QVariant();
    }
}

QVariant CellVariant(tarn::Cell& cell)
{
    return CellValueVariant(tarn::ReadCell(cell));
}

tarn::CellInput ParseCellInput(const tarn::Field& field, const QString& text)
{
    return tarn::ParseCellText(field, View(text));
}

tarn::CellInput CellInputFromVariant(const tarn::Field& field, const QVariant& value)
{
    const int expected = CellVariantType(field.m_type);
    if (expected == QMetaType::UnknownType || value.metaType().id() != expected)
    {
        tarn::CellInput input;
        input.status = tarn::CellInputNoSuchType;
        input.message = u"“" + std::u16string(field.m_name.c_str()) + u"”的值类型不符，无法写入。";
        return input;
    }
    tarn::CellInput input;
    switch (field.m_type)
    {
    case FIELD_TYPE_INT:
        input.value = tarn::CellValue::Int(value.value<int>());
        return input;
    case FIELD_TYPE_UINT:
        input.value = tarn::CellValue::UInt(value.value<uint>());
        return input;
    case FIELD_TYPE_INT64:
        input.value = tarn::CellValue::Int64(value.value<qlonglong>());
        return input;
    case FIELD_TYPE_UINT64:
        input.value = tarn::CellValue::UInt64(value.value<qulonglong>());
        return input;
    case FIELD_TYPE_FLOAT:
        input.value = tarn::CellValue::Float(value.value<float>());
        return input;
    default:
        return ParseCellInput(field, value.toString());
    }
}

QString CellInputMessage(const tarn::CellInput& input)
{
    return FromU16(input.message);
}
