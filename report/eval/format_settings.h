// Locale data used by every conversion between values and text: separators, date and
// time patterns, month and day names, currency layout. One process-wide instance, set
// up for a Russian system; tools may switch to the classic US preset, tests swap it
// for the length of a scope.
#pragma once

#include <QChar>
#include <QString>
#include <array>

struct TfrFormatSettings {
    QChar decimalSeparator;
    QChar thousandSeparator;
    QChar dateSeparator;
    QChar timeSeparator;

    // Patterns in the pattern letters of frFormatDateTime.
    QString shortDateFormat;
    QString longDateFormat;
    QString shortTimeFormat;
    QString longTimeFormat;
    QString timeAMString;
    QString timePMString;

    // Index 0 is January.
    std::array<QString, 12> shortMonthNames;
    std::array<QString, 12> longMonthNames;
    // The form a month takes inside a date ("5 января"); equals longMonthNames where the
    // language has no such form.
    std::array<QString, 12> genitiveMonthNames;
    // Index 0 is Sunday, as frDayOfWeek counts.
    std::array<QString, 7> shortDayNames;
    std::array<QString, 7> longDayNames;

    QString currencyString;
    // Position of the currency string for positive values: 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $".
    int currencyFormat = 0;
    // Layout for negative values, 0..15 as the classic runtime numbers them
    // (0 "($1)", 1 "-$1", ... 5 "-1$", 8 "-1 $", ...).
    int negCurrFormat = 0;
    int currencyDecimals = 2;

    // Two-digit years are read within this many years before the current year and
    // the years after it.
    int twoDigitYearCenturyWindow = 50;

    // A Russian Windows system's defaults.
    static TfrFormatSettings russian();
    // The classic US English defaults, for tools and tests that want "." and m/d/yyyy.
    static TfrFormatSettings classicC();
};

// The current settings of the process (Russian unless changed).
const TfrFormatSettings &frFormatSettings();
void frSetFormatSettings(const TfrFormatSettings &settings);

// Replaces the current settings until the scope ends; scopes nest.
class TfrFormatSettingsScope {
public:
    explicit TfrFormatSettingsScope(const TfrFormatSettings &settings);
    ~TfrFormatSettingsScope();
    TfrFormatSettingsScope(const TfrFormatSettingsScope &) = delete;
    TfrFormatSettingsScope &operator=(const TfrFormatSettingsScope &) = delete;

private:
    TfrFormatSettings m_saved;
};
