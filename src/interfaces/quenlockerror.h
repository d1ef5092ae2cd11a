// SPDX-License-Identifier: MIT
// The one error type of the system: a description that trapping routines log.
#pragma once

#include <QString>
#include <exception>

// Thrown by the layer that fails (conversion, store, control, engine) and
// caught only by the routines that trap their own errors. description() is
// the text that goes into an error line after "Reason: ".
class QuenlockError : public std::exception
{
public:
    explicit QuenlockError(QString description)
        : m_description(std::move(description)), m_utf8(m_description.toUtf8()) {}
    const QString &description() const noexcept { return m_description; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// The host log or the activity log cannot be written: the disk is full, another
// program holds the file locked, or the file is damaged. The traps that log an
// error and go on let this one through, since without the log a field could
// change without its undo record; it ends the run, and the host tells the user.
class LogWriteError : public QuenlockError
{
public:
    using QuenlockError::QuenlockError;
};
