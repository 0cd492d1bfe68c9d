// Whole numbers the operator types: journal and run numbers in the settings, the numeric
// cells of the processing grid. Only digits can be typed, and only up to the largest
// value the field allows, so a field never holds a text the program cannot take.
#pragma once

#include <QString>
#include <QValidator>

// Largest values an operator may enter. A journal of a billion files or a billion runs a
// day is not an office's journal; numbers past these were typos that later showed cut
// off in the grid.
inline constexpr qint64 kMaxJournalNumber = 999'999'999;
inline constexpr qint64 kMaxRunNumber = 99'999;
inline constexpr qint64 kMaxFileSize = 999'999'999'999'999;

// Digits only, within [minimum, maximum] (minimum >= 0). An empty text, or one below the
// minimum, is intermediate: the operator may still be typing.
class TfrNumberValidator : public QValidator {
    Q_OBJECT
public:
    TfrNumberValidator(qint64 minimum, qint64 maximum, QObject *parent = nullptr);
    qint64 minimum() const { return m_min; }
    qint64 maximum() const { return m_max; }
    State validate(QString &input, int &pos) const override;

private:
    qint64 m_min;
    qint64 m_max;
};

// Reads the text as a whole number within the range; false for anything else.
bool frParseNumber(const QString &text, qint64 minimum, qint64 maximum, qint64 &value);
// "1 234 567": digits in groups of three, separated by a no-break space.
QString frGroupDigits(qint64 value);
// "от 1 до 999 999 999"
QString frNumberRangeText(qint64 minimum, qint64 maximum);
