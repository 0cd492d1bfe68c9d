#include "report/eval/function_library.h"

#include <algorithm>

#include "report/eval/db_functions.h"
#include "report/eval/interpreter.h"
#include "report/eval/parser.h"
#include "report/eval/std_functions.h"
#include "report/eval/value_resolution.h"
#include "report/eval/variables.h"
#include "report/eval/variant_ops.h"

// ---- TfrFunctionLibrary ----

TfrFunctionLibrary::~TfrFunctionLibrary() = default;

void TfrFunctionLibrary::SetList(const QStringList &names)
{
    m_list = names;
    m_index.clear();
    for (int i = 0; i < m_list.size(); ++i)
        if (const QString key = m_list[i].toUpper(); !m_index.contains(key))
            m_index.insert(key, i); // the first of equal names keeps its number
}

int TfrFunctionLibrary::IndexOf(const QString &name) const
{
    // Names arrive upper-cased from the parser; other callers pay for the conversion.
    auto it = m_index.constFind(name);
    if (it != m_index.constEnd())
        return it.value();
    const QString upper = name.toUpper();
    if (upper == name)
        return -1;
    it = m_index.constFind(upper);
    return it != m_index.constEnd() ? it.value() : -1;
}

bool TfrFunctionLibrary::OnFunction(const QString &FName, const TfrVariant &p1, const TfrVariant &p2,
                                    const TfrVariant &p3, TfrVariant &val)
{
    const int number = IndexOf(FName);
    if (number < 0)
        return false;
    DoFunction(number, p1, p2, p3, val);
    return true;
}

void TfrFunctionLibrary::DoFunction(int FNo, const TfrVariant &p1, const TfrVariant &p2,
                                    const TfrVariant &p3, TfrVariant &val)
{
    Q_UNUSED(FNo) Q_UNUSED(p1) Q_UNUSED(p2) Q_UNUSED(p3) Q_UNUSED(val)
}

void TfrFunctionLibrary::AddFunctionDesc(const QString &funName, const QString &funGroup,
                                         const QString &funDescription)
{
    frAddFunctionDesc(this, funName, funGroup, funDescription);
}

// ---- TfrInstalledFunctions ----

namespace {

bool lessIgnoringCase(const QString &a, const QString &b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

} // namespace

QString TfrInstalledFunctions::AllFunctionsText() { return QStringLiteral("Все функции"); }

void TfrInstalledFunctions::Add(TfrFunctionLibrary *funLibrary, const QString &funName,
                                const QString &funGroup, const QString &funDescription)
{
    if (funGroup.isEmpty())
        return;
    for (const TfrFunctionDesc &d : m_items)
        if (d.funName == funName)
            return;
    m_items.push_back({funLibrary, funLibrary ? funLibrary->ClassName() : QString(), funName,
                       funGroup, funDescription});
}

QString TfrInstalledFunctions::GetFunctionDesc(const QString &funName) const
{
    for (const TfrFunctionDesc &d : m_items)
        if (d.funName.compare(funName, Qt::CaseInsensitive) == 0)
            return d.funDescription;
    return QString();
}

void TfrInstalledFunctions::GetCategoryList(QStringList &list) const
{
    list.clear();
    for (const TfrFunctionDesc &d : m_items)
        if (!list.contains(d.funGroup, Qt::CaseInsensitive))
            list.append(d.funGroup);
    std::sort(list.begin(), list.end(), lessIgnoringCase);
}

void TfrInstalledFunctions::GetFunctionList(const QString &category, QStringList &list) const
{
    list.clear();
    const bool all = category.isEmpty() || category == AllFunctionsText();
    for (const TfrFunctionDesc &d : m_items)
        if (all || d.funGroup.compare(category, Qt::CaseInsensitive) == 0)
            list.append(d.funName);
    std::sort(list.begin(), list.end(), lessIgnoringCase);
}

void TfrInstalledFunctions::UnRegisterFunctionLibrary(const TfrFunctionLibrary *funLibrary)
{
    if (funLibrary)
        UnRegisterFunctionLibrary(funLibrary->ClassName());
}

void TfrInstalledFunctions::UnRegisterFunctionLibrary(const QString &className)
{
    std::erase_if(m_items, [&](const TfrFunctionDesc &d) { return d.libraryClassName == className; });
}

TfrInstalledFunctions &frInstalledFunctions()
{
    static TfrInstalledFunctions catalogue;
    return catalogue;
}

// ---- run context ----

namespace {

TfrRunContext *g_runContext = nullptr;

} // namespace

TfrRunContext::~TfrRunContext() = default;

bool TfrRunContext::CallLibraries(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                                  const TfrVariant &p3, TfrVariant &val)
{
    // Without a report engine the two libraries the engine registers at start-up stand in.
    static TfrStdFunctionLibrary standard;
    static TDatabaseFunctionLibrary database;
    return standard.OnFunction(name, p1, p2, p3, val) || database.OnFunction(name, p1, p2, p3, val);
}

TfrRunContext &frRunContext()
{
    static TfrRunContext none;
    return g_runContext ? *g_runContext : none;
}

void frSetRunContext(TfrRunContext *context) { g_runContext = context; }

// ---- dispatch ----

QString frArrayEntryName(const QString &name, const TfrVariant &index)
{
    const QString key = index.isString() ? index.rawString() : QString::number(index.toInteger());
    return QStringLiteral("Arr_") + name + u'_' + key;
}

void OnGetParsFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                       const TfrVariant &p3, TfrVariant &val)
{
    TfrRunContext &ctx = frRunContext();
    val = TfrVariant(QStringLiteral("0"));
    if (ctx.CallLibraries(name, p1, p2, p3, val))
        return;
    GetIntrpFunction(name, p1, p2, p3, val);
    ctx.OnUserFunction(name, p1, p2, p3, val);
}

namespace {

QString argText(const TfrVariant &p) { return p.isString() ? p.rawString() : p.toString(); }

void stepVariable(const TfrVariant &arg, int delta)
{
    // The argument is a name, not an expression: INC(Counter) changes Counter.
    const QString name = argText(arg).trimmed();
    TfrVariant value;
    GetVariableValue(name, value);
    frAssignValue(name, frVarAdd(value, TfrVariant(delta)));
}

// SHOWBAND takes a band name; a bare name that is no value is the name itself.
QString bandNameArgument(const TfrVariant &arg)
{
    const QString text = argText(arg).trimmed();
    try {
        return frParser->Calc(text).toString().trimmed();
    } catch (const EfrError &) {
        return text;
    }
}

} // namespace

void GetIntrpFunction(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                      const TfrVariant &p3, TfrVariant &val)
{
    TfrRunContext &ctx = frRunContext();
    if (name == QLatin1String("STOPREPORT")) {
        ctx.SetTerminated(true);
    } else if (name == QLatin1String("NEWPAGE")) {
        ctx.NewPage();
    } else if (name == QLatin1String("NEWCOLUMN")) {
        ctx.NewColumn();
    } else if (name == QLatin1String("SHOWBAND")) {
        ctx.ShowBand(bandNameArgument(p1));
    } else if (name == QLatin1String("INC")) {
        stepVariable(p1, 1);
    } else if (name == QLatin1String("DEC")) {
        stepVariable(p1, -1);
    } else if (name == QLatin1String("SETARRAY") || name == QLatin1String("GETARRAY")) {
        const bool set = name.at(0) == u'S';
        const QString arrayName = argText(p1).trimmed();
        const TfrVariant index = frParser->Calc(argText(p2));
        if (arrayName.contains(u'.')) {
            const TfrVariant value = set ? frParser->Calc(argText(p3)) : TfrVariant::null();
            TfrVariant result = TfrVariant::null();
            const QString method = set ? QStringLiteral("SETINDEXPROPERTY") : QStringLiteral("GETINDEXPROPERTY");
            if (ctx.CallIndexProperty(arrayName, method, index, value, result) && !set)
                val = result;
            return;
        }
        const QString entry = frArrayEntryName(arrayName, index);
        if (set)
            frVariables().SetVariable(entry, frParser->Calc(argText(p3)));
        else
            val = frVariables().GetVariable(entry);
    } else {
        TfrVariant result = TfrVariant::null();
        if (ctx.CallObjectMethod(name, p1, p2, p3, result))
            val = result;
    }
}

void frInstallFunctionHandler()
{
    frParser->FunctionHandler = TFunctionEvent(
        [](void *, const QString &name, const TfrVariant &p1, const TfrVariant &p2, const TfrVariant &p3,
           TfrVariant &val) { OnGetParsFunction(name, p1, p2, p3, val); },
        nullptr);
}
