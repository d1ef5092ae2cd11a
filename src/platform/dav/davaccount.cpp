// SPDX-License-Identifier: MIT
#include "davaccount.h"

#include "quenlockerror.h"

#include <QHostAddress>
#include <QProcess>

namespace Dav {

namespace {
// Words as a POSIX shell splits them, with nothing else a shell does: blanks
// separate, 'single' quotes keep everything, "double" quotes and a
// backslash keep the next character. Throws on an open quote.
QStringList words(const QString &line, const QString &failed)
{
    QStringList result;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                word += c;
        } else if (c == u'\\' && i + 1 < line.size()
                   && (quote.isNull() || QStringView(u"\"\\$`").contains(line.at(i + 1)))) {
            word += line.at(++i);
            inWord = true;
        } else if (c == u'"') {
            quote = quote.isNull() ? c : QChar();
            inWord = true;
        } else if (quote.isNull() && c == u'\'') {
            quote = c;
            inWord = true;
        } else if (quote.isNull() && c.isSpace()) {
            if (inWord)
                result << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (!quote.isNull())
        throw QuenlockError(failed + QStringLiteral("has a quote that is not closed"));
    if (inWord)
        result << word;
    return result;
}
} // namespace

Account::Account(AccountSettings settings) : m_settings(std::move(settings)) {}

QString Account::refusal(const AccountSettings &s)
{
    const QString scheme = s.url.scheme().toLower();
    if (!s.url.isValid() || s.url.host().isEmpty() || (scheme != u"https" && scheme != u"http"))
        return QStringLiteral("The account \"%1\" has no usable url (url=https://HOST/...): \"%2\"")
            .arg(s.name, s.url.toString(QUrl::RemoveUserInfo));
    if (s.timeoutSeconds <= 0)
        return QStringLiteral("The account \"%1\" has a timeout= that is not a whole number of seconds above 0")
            .arg(s.name);
    if (s.connections < 1 || s.connections > AccountSettings::MostConnections)
        return QStringLiteral("The account \"%1\" has connections= set to no number from 1 to %2")
            .arg(s.name)
            .arg(AccountSettings::MostConnections);
    if (scheme == u"https" || s.insecure)
        return {};
    const QString host = s.url.host();
    const QHostAddress address(host);
    if (host.compare(u"localhost", Qt::CaseInsensitive) == 0 || (!address.isNull() && address.isLoopback()))
        return {};
    return QStringLiteral("The account \"%1\" would send its password unencrypted to %2: use https://, "
                          "or add insecure=true to its section if you accept that")
        .arg(s.name, host);
}

QString Account::origin(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == u"https" ? 443 : scheme == u"http" ? 80 : -1);
    return QStringLiteral("%1://%2:%3").arg(scheme, url.host(QUrl::FullyEncoded).toLower()).arg(port);
}

QString Account::password() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_asked || m_settings.passwordCommand.trimmed().isEmpty())
        return m_password;
    QString failed = QStringLiteral("The password command of the account \"%1\" ").arg(m_settings.name);
    QStringList words = Dav::words(m_settings.passwordCommand, failed);
    if (words.isEmpty())
        throw QuenlockError(failed + QStringLiteral("is empty"));
    failed += QStringLiteral("(%1) ").arg(words.first());
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(words.takeFirst(), words, QIODevice::ReadOnly);
    if (!process.waitForStarted(10000))
        throw QuenlockError(failed + QStringLiteral("cannot be started: ") + process.errorString());
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(1000);
        throw QuenlockError(failed + QStringLiteral("did not finish within a minute"));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        throw QuenlockError(failed + QStringLiteral("failed with exit status %1").arg(process.exitCode()));
    QByteArray output = process.readAllStandardOutput();
    const qsizetype end = output.indexOf('\n');
    if (end >= 0)
        output.truncate(end);
    if (output.endsWith('\r'))
        output.chop(1);
    m_password = QString::fromUtf8(output);
    output.fill('\0');
    m_asked = true;
    return m_password;
}

} // namespace Dav
