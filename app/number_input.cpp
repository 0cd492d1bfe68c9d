#include "app/number_input.h"

#include <limits>

namespace {

// The digits of a text as a number; false when there is anything but digits or it is
// too long for 64 bits.
bool digitsValue(const QString &text, qint64 &value)
{
    if (text.isEmpty())
        return false;
    qint64 v = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        const int digit = c.unicode() - '0';
        if (v > (std::numeric_limits<qint64>::max() - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

} // namespace

TfrNumberValidator::TfrNumberValidator(qint64 minimum, qint64 maximum, QObject *parent)
    : QValidator(parent), m_min(minimum), m_max(maximum)
{
}

QValidator::State TfrNumberValidator::validate(QString &input, int &) const
{
    if (input.isEmpty())
        return Intermediate;
    qint64 value = 0;
    if (!digitsValue(input, value) || value > m_max)
        return Invalid;
    return value < m_min ? Intermediate : Acceptable;
}

bool frParseNumber(const QString &text, qint64 minimum, qint64 maximum, qint64 &value)
{
    qint64 v = 0;
    if (!digitsValue(text.trimmed(), v) || v < minimum || v > maximum)
        return false;
    value = v;
    return true;
}

QString frGroupDigits(qint64 value)
{
    const QString digits = QString::number(value < 0 ? -(value + 1) + 1ull : quint64(value));
    QString out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    if (value < 0)
        out += QLatin1Char('-');
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QChar(0x00A0);
        out += digits[i];
    }
    return out;
}

QString frNumberRangeText(qint64 minimum, qint64 maximum)
{
    return QStringLiteral("от %1 до %2").arg(frGroupDigits(minimum), frGroupDigits(maximum));
}
