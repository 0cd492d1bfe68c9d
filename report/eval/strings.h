// The engine's localised texts by number. The texts are compiled in (Russian); a
// localisation handler can supply its own text for any number, and a replacement table
// (a translation) can stand in for the compiled-in one.
#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Called with the string number; a non-empty ResultString wins over the table.
using TLocalizeEvent = std::function<void(int StringID, QString &ResultString)>;

class TfrLocale {
public:
    // Longest text taken from the table, in characters.
    static constexpr qsizetype MaxStringLength = 1023;

    QString LoadStr(int StringID) const;

    const TLocalizeEvent &OnLocalize() const { return m_onLocalize; }
    // Setting or clearing the handler localises the engine's globals again.
    void SetOnLocalize(TLocalizeEvent handler);

    // Replaces the compiled-in table by a translation (ids missing there give empty texts)
    // and back; both localise again.
    void LoadModule(QHash<int, QString> table);
    void UnloadModule();
    bool HasModule() const { return m_module.has_value(); }

    // Runs after every change of handler or table, after the engine's own globals were
    // localised (the printer's paper and bin names, for example).
    void AddLocalizeListener(std::function<void()> listener);

private:
    void changed();

    TLocalizeEvent m_onLocalize;
    std::optional<QHash<int, QString>> m_module;
    std::vector<std::function<void()>> m_listeners;
};

// The single locale, created on first use.
TfrLocale &frLocale();

inline QString frLoadStr(int StringID) { return frLocale().LoadStr(StringID); }
