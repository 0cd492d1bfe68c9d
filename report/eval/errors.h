// Exceptions of the engine. Every failure carries the message a user sees.
#pragma once

#include <QString>
#include <exception>

class EfrError : public std::exception {
public:
    explicit EfrError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Text that cannot become a number, date or time ("'%s' is not a valid integer value").
class EConvertError : public EfrError { using EfrError::EfrError; };
// A variant operation or conversion that the kinds do not allow.
class EVariantError : public EfrError { using EfrError::EfrError; };
// Integer division by zero (MOD 0).
class EDivByZero : public EfrError { using EfrError::EfrError; };
// Reading past the end of a stream, or a corrupt stream.
class EReadError : public EfrError { using EfrError::EfrError; };
// An add-in class that is not registered.
class EClassNotFound : public EfrError { using EfrError::EfrError; };
