#include "editor/CustomPropertyGridProperty.h"

#include "base/assert.h"
#include "editor/CustomPropertyGridCtrl.h"
#include "tool/cell.h"
#include "tool/cellValue.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::uint32_t FloatBits(float value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

// A cell's value, exact to the bit, to tell whether an edit changed it.
struct CellValue
{
    int type = FIELD_TYPE_INVALID;
    std::vector<std::uint64_t> words;
    std::u16string text;

    static CellValue Of(tarn::Cell* cell)
    {
        CellValue v;
        if (cell == nullptr)
            return v;
        v.type = cell->Type();
        switch (cell->Type())
        {
        case FIELD_TYPE_INT:
            v.words.push_back(static_cast<std::uint64_t>(static_cast<std::int64_t>(cell->GetInt())));
            break;
        case FIELD_TYPE_UINT:
            v.words.push_back(cell->GetUInt());
            break;
        case FIELD_TYPE_INT64:
            v.words.push_back(static_cast<std::uint64_t>(cell->GetInt64()));
            break;
        case FIELD_TYPE_UINT64:
            v.words.push_back(cell->GetUInt64());
            break;
        case FIELD_TYPE_FLOAT:
            v.words.push_back(FloatBits(cell->GetFloat()));
            break;
        case FIELD_TYPE_STRING:
            v.text = cell->GetString();
            break;
        case FIELD_TYPE_STRING_INT:
        {
            const scl::parray<int> values = cell->GetStringInt();
            for (int i = 0; i < values.size(); ++i)
                v.words.push_back(static_cast<std::uint64_t>(static_cast<std::int64_t>(values[i])));
            break;
        }
        case FIELD_TYPE_STRING_FLOAT:
        {
            const scl::parray<float> values = cell->GetStringFloat();
            for (int i = 0; i < values.size(); ++i)
                v.words.push_back(FloatBits(values[i]));
            break;
        }
        default:
            break;
        }
        return v;
    }

    bool operator!=(const CellValue& other) const
    {
        return type != other.type || words != other.words || text != other.text;
    }
};

// The QMetaType id of the value of a property bound to a cell of `type`.
int ValueTypeOf(FIELD_TYPE type)
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

const char16_t* Utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

} // namespace

CCustomPropertyGridProperty::CCustomPropertyGridProperty(const QString& name, const QVariant& value,
                                                         const QString& description)
    : PropertyGridItem(name, value, description, 0)
{
}

CCustomPropertyGridProperty::~CCustomPropertyGridProperty() = default;

tarn::Cell* CCustomPropertyGridProperty::GetCell() const
{
    return reinterpret_cast<tarn::Cell*>(data());
}

void CCustomPropertyGridProperty::SetCell(tarn::Cell* cell)
{
    setData(reinterpret_cast<quintptr>(cell));
}

void CCustomPropertyGridProperty::varToCell()
{
    tarn::Cell* cell = GetCell();
    if (cell == nullptr)
    {
        SCL_ASSERT(false);
        return;
    }
    const FIELD_TYPE type = cell->Type();
    const int expected = ValueTypeOf(type);
    if (expected == QMetaType::UnknownType || valueType() != expected)
    {
        // A cell of no known type, or a property made for another type: nothing to write.
        SCL_ASSERT(false);
        return;
    }
    const QVariant v = value();
    switch (type)
    {
    case FIELD_TYPE_INT:
        cell->SetInt(v.value<int>());
        break;
    case FIELD_TYPE_UINT:
        cell->SetUInt(v.value<uint>());
        break;
    case FIELD_TYPE_INT64:
        cell->SetInt64(v.value<qlonglong>());
        break;
    case FIELD_TYPE_UINT64:
        cell->SetUInt64(v.value<qulonglong>());
        break;
    case FIELD_TYPE_FLOAT:
        cell->SetFloat(v.value<float>());
        break;
    case FIELD_TYPE_STRING:
    {
        const QString text = v.toString();
        cell->SetString(Utf16(text));
        break;
    }
    case FIELD_TYPE_STRING_INT:
    {
        const QString text = v.toString();
        cell->SetStringInt(Utf16(text));
        break;
    }
    case FIELD_TYPE_STRING_FLOAT:
    {
        const QString text = v.toString();
        cell->SetStringFloat(Utf16(text));
        break;
    }
    default:
        SCL_ASSERT(false);
        break;
    }
}

bool CCustomPropertyGridProperty::onUpdateValue()
{
    QLineEdit* editor = inPlaceEditor();
    if (editor != nullptr && valueType() == QMetaType::QString && HoldsSeparator(editor->text()))
    {
        // Shown once the edit has ended, not from inside the grid's commit.
        if (PropertyGrid* owner = grid())
        {
            const QString message = RefusedSeparatorMessage(name());
            QPointer<PropertyGrid> guard(owner);
            QTimer::singleShot(0, owner,
                               [guard, message]()
                               {
                                   if (guard)
                                       QMessageBox::warning(guard->window(), QStringLiteral("Tessel"),
                                                            message);
                               });
        }
        return false;
    }

    tarn::Cell* cell = GetCell();
    const CellValue before = CellValue::Of(cell);
    const bool textUntouched = editor == nullptr || editor->text() == formatValue();
    const bool result = PropertyGridItem::onUpdateValue();

    // A float within the pane's tolerance is shown as the earlier row's value; committing the
    // text as it was shown must not overwrite the exact value the cell holds.
    const bool unchangedApproximateFloat = textUntouched && valueType() == QMetaType::Float &&
                                           cell != nullptr && cell->Type() == FIELD_TYPE_FLOAT &&
                                           FloatBits(cell->GetFloat()) != FloatBits(value().value<float>());
    if (unchangedApproximateFloat)
        return result;

    const std::u16string previous = cell != nullptr ? tarn::ExactValueText(*cell) : std::u16string();
    varToCell();
    if (cell != nullptr && CellValue::Of(cell) != before)
        if (auto* ctrl = qobject_cast<CCustomPropertyGridCtrl*>(grid()))
            ctrl->OnCellChanged(this, cell, previous);
    return result;
}

bool CCustomPropertyGridProperty::HoldsSeparator(const QString& text)
{
    for (QChar c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    return false;
}

QString CCustomPropertyGridProperty::RefusedSeparatorMessage(const QString& name)
{
    return QStringLiteral("“%1”的值含有制表符、回车符或换行符，数据文件无法原样保存这样的值。\n"
                          "此次修改未被采用，单元格保持原值。")
        .arg(name);
}
