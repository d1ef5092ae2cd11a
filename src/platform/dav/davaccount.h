// SPDX-License-Identifier: MIT
// A server account as the host configuration names it, and its password.
#pragma once

#include <QString>
#include <QUrl>
#include <memory>
#include <mutex>

namespace Dav {

struct AccountSettings
{
    QString name;            // the section's name after "Account "; the folders' store id
    QUrl url;                // a server, a principal or a collection
    QString username;
    QString passwordCommand; // a command line whose first line of output is the password
    QString caFile;          // certificates to trust besides the system's
    bool insecure = false;   // plain http to another machine, certificates unchecked
    int timeoutSeconds = 60; // how long a request may stay silent; 0 when timeout= is no whole number above 0
    int connections = DefaultConnections; // saves sent at once; 0 when the key's value is no number 1..6
    static constexpr int DefaultConnections = 4, MostConnections = 6; // Qt opens at most 6 per server
};

// The account's settings and, once asked for, its password: run from the
// password command once, without a shell, and kept in memory only.
class Account
{
public:
    explicit Account(AccountSettings settings);
    const AccountSettings &settings() const { return m_settings; }
    const QString &name() const { return m_settings.name; }
    // Empty when the account names no command. Throws QuenlockError when the
    // command cannot be run or fails; the message never holds its output.
    QString password() const;
    // Why the account's url cannot be used ("" when it can): plain http is
    // refused except to this machine, unless the account says insecure=true;
    // a timeout= that is no number of seconds is refused too.
    static QString refusal(const AccountSettings &settings);
    // The account's origin as "scheme://host:port"; its credentials go only
    // there, and so does nothing else of its.
    static QString origin(const QUrl &url);
    bool ownOrigin(const QUrl &url) const { return origin(url) == origin(m_settings.url); }

private:
    AccountSettings m_settings;
    mutable std::mutex m_mutex;
    mutable bool m_asked = false;
    mutable QString m_password;
};

} // namespace Dav
