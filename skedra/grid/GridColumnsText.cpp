#include "skedra/grid/GridColumnsText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>
#include <stdexcept>

#include "skedra/grid/qvGrid.h"

namespace skedra
{

namespace
{

constexpr std::array<const char*, 8> cKindNames = {"tckSimpleEdit", "tckMemo", "tckBool",    "tckCombo",
                                                   "tckDate",       "tckTime", "tckSubGrid", "tckSubTree"};

QString KindName(TColumnKind aKind)
{
    return QString::fromLatin1(cKindNames.at(static_cast<std::size_t>(aKind)));
}

TColumnKind KindFromName(const QString& aName)
{
    for (std::size_t i = 0; i < cKindNames.size(); ++i)
        if (aName == QLatin1String(cKindNames[i])) return static_cast<TColumnKind>(i);
    throw std::invalid_argument("Grid columns: \"" + aName.toStdString() + "\" is no column kind");
}

// What a stored column holds; the defaults are those of a new column.
struct TColumnRecord {
    int Width = 64;
    TColumnKind Kind = tckSimpleEdit;
    QString HeaderText, SubGridName, LayoutName;
    bool SortEnable = false, ReadOnly = false, TreeButton = false, HasIcon = false, Hidden = false,
         Groupcells = false, NumericSort = false, CheckBoxOnDateTime = false;
};

bool ReadBool(const QJsonValue& aValue, const QString& aKey)
{
    if (!aValue.isBool())
        throw std::invalid_argument("Grid columns: \"" + aKey.toStdString() + "\" must be true or false");
    return aValue.toBool();
}

QString ReadString(const QJsonValue& aValue, const QString& aKey)
{
    if (!aValue.isString())
        throw std::invalid_argument("Grid columns: \"" + aKey.toStdString() + "\" must be a text");
    return aValue.toString();
}

TColumnRecord ReadRecord(const QJsonObject& anObject)
{
    TColumnRecord r;
    for (auto it = anObject.begin(); it != anObject.end(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (key == QLatin1String("Width")) {
            if (!v.isDouble() || v.toDouble() < 0 || v.toDouble() > 1e6)
                throw std::invalid_argument("Grid columns: \"Width\" must be a number of pixels");
            r.Width = v.toInt();
        } else if (key == QLatin1String("Kind"))
            r.Kind = KindFromName(ReadString(v, key));
        else if (key == QLatin1String("HeaderText"))
            r.HeaderText = ReadString(v, key);
        else if (key == QLatin1String("SubGridName"))
            r.SubGridName = ReadString(v, key);
        else if (key == QLatin1String("LayoutName"))
            r.LayoutName = ReadString(v, key);
        else if (key == QLatin1String("SortEnable"))
            r.SortEnable = ReadBool(v, key);
        else if (key == QLatin1String("ReadOnly"))
            r.ReadOnly = ReadBool(v, key);
        else if (key == QLatin1String("TreeButton"))
            r.TreeButton = ReadBool(v, key);
        else if (key == QLatin1String("HasIcon"))
            r.HasIcon = ReadBool(v, key);
        else if (key == QLatin1String("Hidden"))
            r.Hidden = ReadBool(v, key);
        else if (key == QLatin1String("Groupcells"))
            r.Groupcells = ReadBool(v, key);
        else if (key == QLatin1String("NumericSort"))
            r.NumericSort = ReadBool(v, key);
        else if (key == QLatin1String("CheckBoxOnDateTime"))
            r.CheckBoxOnDateTime = ReadBool(v, key);
        else
            throw std::invalid_argument("Grid columns: no column property is named \"" + key.toStdString() +
                                        "\"");
    }
    return r;
}

} // namespace

namespace
{

TColumnRecord RecordOf(const TqvGrid_Column& c)
{
    TColumnRecord r;
    r.Width = c.GetWidth();
    r.Kind = c.GetKind();
    r.HeaderText = c.GetHeaderText();
    r.SubGridName = c.GetSubGridName();
    r.LayoutName = c.GetLayoutName();
    r.SortEnable = c.GetSortEnable();
    r.ReadOnly = c.GetReadOnly();
    r.TreeButton = c.GetTreeButton();
    r.HasIcon = c.GetHasIcon();
    r.Hidden = c.GetHidden();
    r.Groupcells = c.GetGroupcells();
    r.NumericSort = c.GetNumericSort();
    r.CheckBoxOnDateTime = c.GetCheckBoxOnDateTime();
    return r;
}

QJsonObject ToJson(const TColumnRecord& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("HeaderText"), r.HeaderText);
    o.insert(QStringLiteral("Width"), r.Width);
    o.insert(QStringLiteral("Kind"), KindName(r.Kind));
    o.insert(QStringLiteral("SortEnable"), r.SortEnable);
    o.insert(QStringLiteral("ReadOnly"), r.ReadOnly);
    o.insert(QStringLiteral("SubGridName"), r.SubGridName);
    o.insert(QStringLiteral("TreeButton"), r.TreeButton);
    o.insert(QStringLiteral("HasIcon"), r.HasIcon);
    o.insert(QStringLiteral("Hidden"), r.Hidden);
    o.insert(QStringLiteral("LayoutName"), r.LayoutName);
    o.insert(QStringLiteral("Groupcells"), r.Groupcells);
    o.insert(QStringLiteral("NumericSort"), r.NumericSort);
    o.insert(QStringLiteral("CheckBoxOnDateTime"), r.CheckBoxOnDateTime);
    return o;
}

} // namespace

QString ColumnsToText(const TqvGrid_Columns& aColumns)
{
    QJsonArray array;
    for (int i = 0; i < aColumns.Count(); ++i)
        array.append(ToJson(RecordOf(*aColumns.GetColumn(i))));
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

QString NewColumnText()
{
    return QString::fromUtf8(QJsonDocument(ToJson(TColumnRecord())).toJson(QJsonDocument::Compact));
}

QStringList ColumnKindNames()
{
    QStringList names;
    for (const char* name : cKindNames)
        names << QString::fromLatin1(name);
    return names;
}

void ColumnsFromText(TqvGrid_Columns& aColumns, const QString& aText)
{
    // Everything is read before anything changes, so a bad text changes nothing.
    std::vector<TColumnRecord> records;
    if (!aText.trimmed().isEmpty()) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(aText.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !document.isArray())
            throw std::invalid_argument("Grid columns: the text is no JSON array of columns");
        for (const QJsonValue& v : document.array()) {
            if (!v.isObject()) throw std::invalid_argument("Grid columns: each column must be a JSON object");
            records.push_back(ReadRecord(v.toObject()));
        }
    }
    aColumns.Clear();
    for (const TColumnRecord& r : records) {
        TqvGrid_Column* c = aColumns.Add();
        c->SetWidth(r.Width);
        c->SetKind(r.Kind);
        c->SetHeaderText(r.HeaderText);
        c->SetSortEnable(r.SortEnable);
        c->SetReadOnly(r.ReadOnly);
        c->SetSubGridName(r.SubGridName);
        c->SetTreeButton(r.TreeButton);
        c->SetHasIcon(r.HasIcon);
        c->SetHidden(r.Hidden);
        c->SetLayoutName(r.LayoutName);
        c->SetGroupcells(r.Groupcells);
        c->SetNumericSort(r.NumericSort);
        c->SetCheckBoxOnDateTime(r.CheckBoxOnDateTime);
    }
}

QString TqvGrid::GetColumnsText() const
{
    return ColumnsToText(*GetColumns());
}

void TqvGrid::SetColumnsText(const QString& aText)
{
    try {
        ColumnsFromText(*GetColumns(), aText);
    } catch (const std::invalid_argument& e) {
        qWarning("%s", e.what());
    }
}

} // namespace skedra
