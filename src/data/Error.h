// The one exception type of the program: a message for the user.
#pragma once

#include <QString>
#include <exception>

class TError : public std::exception
{
public:
    explicit TError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The station no longer holds the signed-in pupil's sign-in lock: another station holds it now.
class TSignInLost : public TError
{
public:
    explicit TSignInLost(QString message) : TError(std::move(message)) {}
};
