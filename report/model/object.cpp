#include "report/model/object.h"

#include "report/eval/errors.h"
#include "report/eval/parser.h"

TfrObject::~TfrObject() = default;

void TfrObject::SetPropValue(const QString &, const TfrVariant &) {}

TfrVariant TfrObject::GetPropValue(const QString &) { return TfrVariant::null(); }

TfrVariant TfrObject::DoMethod(const QString &, const TfrVariant &, const TfrVariant &,
                               const TfrVariant &)
{
    return TfrVariant::null();
}

void TfrObject::DefineProperties() {}

void TfrObject::ClearPropList() { m_props.clear(); }

void TfrObject::AddProperty(const QString &Name, TfrDataTypes Types, TfrPropertyEditor Editor)
{
    auto rec = std::make_unique<TfrPropRec>();
    rec->propertyName = Name.left(frMaxPropertyName);
    rec->propertyKinds = Types;
    rec->propertyEditor = std::move(Editor);
    m_props.push_back(std::move(rec));
}

QStringList frSetCommaText(const QString &text)
{
    QStringList list;
    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype semicolon = text.indexOf(QLatin1Char(';'), start);
        if (semicolon < 0) {
            list.append(text.mid(start));
            break;
        }
        list.append(text.mid(start, semicolon - start));
        start = semicolon + 1;
    }
    return list;
}

void TfrObject::AddEnumProperty(const QString &Name, const QString &Tags, std::vector<TfrVariant> Values)
{
    auto rec = std::make_unique<TfrPropRec>();
    rec->propertyName = Name.left(frMaxPropertyName);
    rec->propertyKinds = {frdtEnum};
    rec->enumNameList = std::make_unique<QStringList>(frSetCommaText(Tags));
    if (!Values.empty() && !Values.front().isNull())
        rec->enumValueList = std::move(Values);
    m_props.push_back(std::move(rec));
}

void TfrObject::DelProperty(const QString &Name)
{
    for (auto it = m_props.begin(); it != m_props.end(); ++it) {
        if ((*it)->propertyName.compare(Name, Qt::CaseInsensitive) == 0) {
            m_props.erase(it);
            return;
        }
    }
}

TfrPropRec *TfrObject::GetPropRec(const QString &Name) const
{
    for (const auto &rec : m_props)
        if (rec->propertyName.compare(Name, Qt::CaseInsensitive) == 0)
            return rec.get();
    return nullptr;
}

bool TfrObject::SetFontProp(TfrFont &Font, const QString &Name, const TfrVariant &Value)
{
    if (Name == QLatin1String("FONT.NAME"))
        Font.Name = Value.toString();
    else if (Name == QLatin1String("FONT.SIZE"))
        Font.Size = Value.toInteger();
    else if (Name == QLatin1String("FONT.STYLE"))
        Font.Style = quint16(Value.toInteger() & 0x0F);
    else if (Name == QLatin1String("FONT.COLOR"))
        Font.Color = Value.toInteger();
    else
        return false;
    return true;
}

TfrVariant TfrObject::GetFontProp(const TfrFont &Font, const QString &Name)
{
    if (Name == QLatin1String("FONT.NAME"))
        return TfrVariant(Font.Name);
    if (Name == QLatin1String("FONT.SIZE"))
        return TfrVariant(int(Font.Size));
    if (Name == QLatin1String("FONT.STYLE"))
        return TfrVariant(int(Font.Style));
    if (Name == QLatin1String("FONT.COLOR"))
        return TfrVariant(int(Font.Color));
    return TfrVariant::null();
}

namespace {

int checkedLine(const QStringList &lines, const TfrVariant &index)
{
    const int i = index.toInteger();
    if (i < 0 || i >= lines.size())
        throw EfrError(QStringLiteral("List index out of bounds (%1)").arg(i));
    return i;
}

} // namespace

// | MethodName        | condition       | effect                                       |
// | SETINDEXPROPERTY  | p1 = listName   | line p2 (0-based) := p3 as string            |
// | GETINDEXPROPERTY  | p1 = listName   | result := line p2                            |
// | <list>.ADD        |                 | appends the value of expression p1           |
// | <list>.CLEAR      |                 | empties the list                             |
// | <list>.DELETE     |                 | removes line number (value of p1)            |
// | <list>.INDEXOF    |                 | index of the first line equal to p1's value  |
// A line number outside the list raises "List index out of bounds (n)".
TfrVariant TfrObject::LinesMethod(QStringList &Lines, const QString &MethodName,
                                  const QString &listName, const TfrVariant &p1,
                                  const TfrVariant &p2, const TfrVariant &p3)
{
    if (MethodName == QLatin1String("SETINDEXPROPERTY")) {
        if (p1.toString().compare(listName, Qt::CaseInsensitive) == 0)
            Lines[checkedLine(Lines, p2)] = p3.toString();
        return TfrVariant::null();
    }
    if (MethodName == QLatin1String("GETINDEXPROPERTY")) {
        if (p1.toString().compare(listName, Qt::CaseInsensitive) == 0)
            return TfrVariant(Lines.at(checkedLine(Lines, p2)));
        return TfrVariant::null();
    }
    if (!MethodName.startsWith(listName) || MethodName.size() <= listName.size()
        || MethodName.at(listName.size()) != QLatin1Char('.'))
        return TfrVariant::null();
    const QStringView method = QStringView(MethodName).mid(listName.size() + 1);
    if (method == QLatin1String("ADD")) {
        Lines.append(frParser->Calc(p1.toString()).toString());
    } else if (method == QLatin1String("CLEAR")) {
        Lines.clear();
    } else if (method == QLatin1String("DELETE")) {
        Lines.removeAt(checkedLine(Lines, frParser->Calc(p1.toString())));
    } else if (method == QLatin1String("INDEXOF")) {
        const QString value = frParser->Calc(p1.toString()).toString();
        return TfrVariant(int(Lines.indexOf(value)));
    }
    return TfrVariant::null();
}
