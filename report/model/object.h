// The string-keyed property and method interface of every report object (views and
// template pages): scripts and the designer read and write properties by name and call
// methods by name. Names are matched without regard to case.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "report/eval/variant.h"
#include "report/model/font.h"

// Kinds of a property for the designer's inspector (bit numbers of TfrDataTypes).
enum TfrDataType : int {
    frdtString = 0,
    frdtInteger = 1,
    frdtFloat = 2,
    frdtBoolean = 3,
    frdtColor = 4,
    frdtEnum = 5,
    frdtHasEditor = 6,
    frdtSize = 7,
    frdtOneObject = 8,
};

// A 16-bit set of TfrDataType. Empty: scripts may use the property, the inspector does
// not list it.
class TfrDataTypes {
public:
    constexpr TfrDataTypes() = default;
    constexpr TfrDataTypes(std::initializer_list<TfrDataType> types)
    {
        for (TfrDataType t : types)
            m_bits = quint16(m_bits | (1u << t));
    }
    constexpr bool contains(TfrDataType t) const { return (m_bits >> t) & 1u; }
    constexpr quint16 bits() const { return m_bits; }
    friend constexpr bool operator==(TfrDataTypes, TfrDataTypes) = default;

private:
    quint16 m_bits = 0;
};

// Invoked by the designer for a property with frdtHasEditor.
using TfrPropertyEditor = std::function<void()>;

inline constexpr qsizetype frMaxPropertyName = 32;

struct TfrPropRec {
    QString propertyName;                     // at most 32 characters
    TfrDataTypes propertyKinds;
    std::unique_ptr<QStringList> enumNameList; // names of an enumeration, or none
    // Values of enumNameList index for index; none stands for Null.
    std::optional<std::vector<TfrVariant>> enumValueList;
    TfrPropertyEditor propertyEditor;
};

class TfrObject {
public:
    TfrObject() = default;
    TfrObject(const TfrObject &) = delete;
    TfrObject &operator=(const TfrObject &) = delete;
    virtual ~TfrObject();

    // The base ignores the value, answers Null and adds no property.
    virtual void SetPropValue(const QString &Name, const TfrVariant &Value);
    virtual TfrVariant GetPropValue(const QString &Name);
    virtual TfrVariant DoMethod(const QString &MethodName, const TfrVariant &p1,
                                const TfrVariant &p2, const TfrVariant &p3);
    virtual void DefineProperties();

    void ClearPropList();
    void AddProperty(const QString &Name, TfrDataTypes Types, TfrPropertyEditor Editor = {});
    // Tags are split at semicolons; values index for index. A first value that is Null (or
    // no values) leaves the value list Null.
    void AddEnumProperty(const QString &Name, const QString &Tags, std::vector<TfrVariant> Values);
    void DelProperty(const QString &Name);
    // The first record whose name equals Name ignoring case, or nullptr.
    TfrPropRec *GetPropRec(const QString &Name) const;
    int PropCount() const { return int(m_props.size()); }
    TfrPropRec &Prop(int index) const { return *m_props.at(size_t(index)); }
    // Properties are defined on first need: before a qualified name is resolved and
    // before the designer lists them.
    void EnsurePropertiesDefined()
    {
        if (m_props.empty())
            DefineProperties();
    }

    // The four font sub-properties shared by text objects; Name is upper case
    // ("FONT.NAME", "FONT.SIZE", "FONT.STYLE" as the stream style word, "FONT.COLOR").
    // Other names leave the font alone (set) or give Null (get).
    static bool SetFontProp(TfrFont &Font, const QString &Name, const TfrVariant &Value);
    static TfrVariant GetFontProp(const TfrFont &Font, const QString &Name);

    // Script access to a string list property named listName (upper case), see the .cpp.
    static TfrVariant LinesMethod(QStringList &Lines, const QString &MethodName,
                                  const QString &listName, const TfrVariant &p1,
                                  const TfrVariant &p2, const TfrVariant &p3);

private:
    std::vector<std::unique_ptr<TfrPropRec>> m_props;
};

// "a;b;;c" -> a, b, "", c; a semicolon at the very end adds nothing; "" gives no item.
QStringList frSetCommaText(const QString &text);
