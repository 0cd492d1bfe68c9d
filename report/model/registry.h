// The process-wide registries through which object classes, export filters, function
// libraries and designer tools become known to the engine; the factory that turns a type
// code from a stream into an object; and the resolution of qualified names such as
// Memo1.Font.Size or Page2.Visible.
//
// Each table holds at most 64 entries, in registration order; removing one closes the
// gap. Registering a 65th raises EfrError.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "report/eval/errors.h"
#include "report/model/object.h"

class TfrView;

inline constexpr int frMaxRegistryEntries = 64;

// A registry table of fixed capacity.
template <class Entry> class TfrRegistry {
public:
    int Count() const { return int(m_entries.size()); }
    const Entry &operator[](int i) const { return m_entries.at(size_t(i)); }
    Entry &operator[](int i) { return m_entries.at(size_t(i)); }
    void Append(Entry entry)
    {
        if (Count() >= frMaxRegistryEntries)
            throw EfrError(QStringLiteral("Registry is full (%1 entries)").arg(frMaxRegistryEntries));
        m_entries.push_back(std::move(entry));
    }
    void RemoveAt(int i) { m_entries.erase(m_entries.begin() + i); }
    template <class Pred> void RemoveIf(Pred pred) { std::erase_if(m_entries, pred); }
    void Clear() { m_entries.clear(); }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
};

// A class reference for add-in objects: its name and its constructor. Classes are
// compared by identity (the address of their descriptor).
struct TfrViewClass {
    QString className;
    std::function<std::unique_ptr<TfrView>()> create;
};

struct TfrAddInObjectInfo {
    const TfrViewClass *registeredClass = nullptr;
    QImage toolButtonBitmap;
    QString toolButtonHint;
    bool isDialogControl = false;
};

// The filter instance is an export filter component, not owned (it registers itself when
// created and leaves when destroyed); filters compare by class name.
struct TfrExportFilterInfo {
    QObject *filterInstance = nullptr;
    QString filterDescription;
    QString filterMask;
};

// A function library instance, owned by the registry; libraries compare by class name.
struct TfrFunctionInfo {
    QString className;
    std::shared_ptr<void> libraryInstance;
    template <class L> L *library() const { return static_cast<L *>(libraryInstance.get()); }
};

struct TfrToolsInfo {
    QString toolTitle;
    QImage toolButtonBitmap;
    std::function<void()> toolClickHandler;
};

TfrRegistry<TfrAddInObjectInfo> &frAddIns();
TfrRegistry<TfrExportFilterInfo> &frFilters();
TfrRegistry<TfrFunctionInfo> &frFunctions();
TfrRegistry<TfrToolsInfo> &frTools();

inline int frAddInsCount() { return frAddIns().Count(); }
inline int frFiltersCount() { return frFilters().Count(); }
inline int frFunctionsCount() { return frFunctions().Count(); }
inline int frToolsCount() { return frTools().Count(); }

// A class already registered is ignored.
void frRegisterObject(const TfrViewClass *registeredClass, const QImage &toolButtonBitmap,
                      const QString &toolButtonHint);
void frRegisterControl(const TfrViewClass *registeredClass, const QImage &toolButtonBitmap,
                       const QString &toolButtonHint);
void frUnRegisterObject(const TfrViewClass *registeredClass);

// Appended unless a filter of the same class name is registered.
void frRegisterExportFilter(QObject *Filter, const QString &filterDescription, const QString &filterMask);
void frUnRegisterExportFilter(QObject *Filter);

// Creates one instance of library class L unless one of that class name is registered.
// onUnregister runs before the instance is destroyed (it removes the library's
// descriptions from the function catalogue).
void frRegisterFunctionLibrary(const QString &className, const std::function<std::shared_ptr<void>()> &create);
template <class L> void frRegisterFunctionLibrary(const QString &className)
{
    frRegisterFunctionLibrary(className, [] { return std::shared_ptr<void>(std::make_shared<L>()); });
}
void frUnRegisterFunctionLibrary(const QString &className);
// Called with each library as it is unregistered, before it is destroyed.
void frSetFunctionLibraryUnregisterHook(std::function<void(const TfrFunctionInfo &)> hook);

// Replaces the entry whose caption equals Caption exactly, else appends.
void frRegisterTool(const QString &Caption, const QImage &toolButtonBitmap, std::function<void()> OnClick);

// A new view for a type code (0..4), or for 10 an instance of the registered class of
// that name (matched exactly). Other codes give nullptr. An unknown add-in class sets
// ErrorFlag, appends its name and a carriage return to ErrorStr and raises
// EClassNotFound with ErrorStr as message. Like every view, a created object takes
// objectNumberCounter as its ID and the counter goes up by one.
std::unique_ptr<TfrView> frCreateObject(int Typ, const QString &ClassName);

// A qualified name to the object it addresses and the property to use on it:
//   "Visible"          CurView, "Visible"
//   "Memo1.Font.Size"  the object Memo1 of CurReport, "Font.Size"
//   "Page2.Visible"    the second template page of CurReport, "Visible"
//   "Font.Name"        no object "Font", but CurView has "Font.Name": CurView, "Font.Name"
// The target's property list is defined when empty. target is nullptr when nothing
// matches (no current view, no such page).
void frResolveQualifiedName(const QString &name, TfrObject *&target, QString &property);

// What scripts do with qualified names (names resolved as above):
// the method of the object a name addresses ("Memo1.Memo.Add": Memo1's "MEMO.ADD"); false
// when no object results.
bool frCallObjectMethod(const QString &name, const TfrVariant &p1, const TfrVariant &p2,
                        const TfrVariant &p3, TfrVariant &result);
// Sets the property a name addresses; false when the object has no such property.
bool frSetObjectProperty(const QString &name, const TfrVariant &value);
// Array syntax on an object's list property ("Memo1.Memo[2]"): DoMethod(methodName, the
// upper-cased property name, index, value); false when no object results.
bool frCallIndexProperty(const QString &name, const QString &methodName, const TfrVariant &index,
                         const TfrVariant &value, TfrVariant &result);
