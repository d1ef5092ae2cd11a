// SPDX-License-Identifier: MIT
#include "davclient.h"

#include "quenlockerror.h"

#include <QAuthenticator>
#include <QCursor>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QThread>
#include <QTimer>

namespace Dav {

QString shown(const QUrl &url) { return url.toString(QUrl::RemoveUserInfo); }

QString shownOrigin(const QUrl &url)
{
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString();
}

// Lives on the client's thread; everything it does happens there.
class Worker final : public QObject
{
public:
    Worker(std::shared_ptr<const Account> account, QString password)
        : m_account(std::move(account)), m_password(std::move(password))
    {
        if (!m_account->settings().username.isEmpty())
            m_authorization = "Basic " + (m_account->settings().username + u':' + m_password).toUtf8().toBase64();
    }

    void start(const Request &request, std::shared_ptr<std::promise<Response>> promise)
    {
        if (!m_manager)
            setUp();
        QNetworkRequest r(request.url);
        r.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        r.setTransferTimeout(m_account->settings().timeoutSeconds * 1000);
        r.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("quenlock/" QUENLOCK_VERSION));
        // Never credentials to another server, whatever asked for it.
        if (!m_authorization.isEmpty() && m_account->ownOrigin(request.url))
            r.setRawHeader("Authorization", m_authorization);
        for (const auto &[name, value] : request.headers)
            r.setRawHeader(name, value);
        if (!m_ssl.isNull())
            r.setSslConfiguration(m_ssl);
        QNetworkReply *reply = m_manager->sendCustomRequest(r, request.verb, request.body);
        auto sslProblems = std::make_shared<QString>();
        connect(reply, &QNetworkReply::sslErrors, reply, [this, reply, sslProblems](const QList<QSslError> &errors) {
            if (m_account->settings().insecure) {
                reply->ignoreSslErrors();
                return;
            }
            QStringList texts;
            for (const QSslError &e : errors)
                texts << e.errorString();
            *sslProblems = texts.join(QStringLiteral("; "));
        });
        // An answer is not let grow past its limit in memory: it is dropped
        // as soon as it says or shows that it is longer.
        auto tooLarge = std::make_shared<bool>(false);
        if (request.answerLimit > 0)
            connect(reply, &QNetworkReply::downloadProgress, reply,
                    [reply, tooLarge, limit = request.answerLimit](qint64 received, qint64 total) {
                        if (!*tooLarge && qMax(received, total) > limit) {
                            *tooLarge = true;
                            reply->abort();
                        }
                    });
        connect(reply, &QNetworkReply::finished, reply, [this, reply, promise, sslProblems, tooLarge] {
            Response r = *tooLarge ? Response{} : answer(*reply, *sslProblems, m_account->settings().timeoutSeconds);
            r.tooLarge = *tooLarge;
            promise->set_value(std::move(r));
            reply->deleteLater();
        });
    }

private:
    void setUp()
    {
        m_manager = new QNetworkAccessManager(this);
        // Credentials once more for a server that wants another scheme than Basic.
        connect(m_manager, &QNetworkAccessManager::authenticationRequired, this,
                [this](QNetworkReply *reply, QAuthenticator *auth) {
                    if (m_triedOther || m_account->settings().username.isEmpty()
                        || !m_account->ownOrigin(reply->url()))
                        return;
                    m_triedOther = true;
                    auth->setUser(m_account->settings().username);
                    auth->setPassword(m_password);
                });
        const QString caFile = m_account->settings().caFile;
        if (!caFile.isEmpty()) {
            m_ssl = QSslConfiguration::defaultConfiguration();
            QList<QSslCertificate> cas = m_ssl.caCertificates();
            cas += QSslCertificate::fromPath(caFile, QSsl::Pem);
            m_ssl.setCaCertificates(cas);
        }
    }

    static Response answer(QNetworkReply &reply, const QString &sslProblems, int timeoutSeconds)
    {
        Response r;
        r.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        r.reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        if (r.status == 0) {
            r.reason = sslProblems.isEmpty() ? reply.errorString()
                                             : QStringLiteral("its certificate cannot be trusted: ") + sslProblems;
            if (reply.error() == QNetworkReply::OperationCanceledError)
                r.reason = QStringLiteral("it did not answer within %1 seconds").arg(timeoutSeconds);
        }
        r.body = reply.readAll();
        r.etag = reply.rawHeader("ETag");
        const QVariant target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute);
        if (target.isValid())
            r.location = reply.url().resolved(target.toUrl());
        return r;
    }

    std::shared_ptr<const Account> m_account;
    QString m_password;
    QByteArray m_authorization;
    QNetworkAccessManager *m_manager = nullptr;
    QSslConfiguration m_ssl{QSslConfiguration()};
    bool m_triedOther = false;
};

Client::Client(std::shared_ptr<const Account> account) : m_account(std::move(account)) {}

Client::~Client()
{
    if (!m_thread)
        return;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { delete worker; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_thread;
}

std::shared_future<Response> Client::send(const Request &request)
{
    // An item's data and the password go to the account's own server only.
    if (!m_account->ownOrigin(request.url))
        throw ForeignServerError(QStringLiteral("The account \"%1\" would send a request to %2, another server than "
                                           "its own (%3); its password and items go only to its own. If you "
                                           "trust %2, make it the account's url=")
                                .arg(m_account->name(), shownOrigin(request.url),
                                     shownOrigin(m_account->settings().url)));
    if (!m_thread) {
        const QString refused = Account::refusal(m_account->settings());
        if (!refused.isEmpty())
            throw QuenlockError(refused);
        const QString caFile = m_account->settings().caFile;
        if (!caFile.isEmpty() && QSslCertificate::fromPath(caFile, QSsl::Pem).isEmpty())
            throw QuenlockError(QStringLiteral("The caFile of the account \"%1\" holds no PEM certificate: %2")
                                    .arg(m_account->name(), caFile));
        m_worker = new Worker(m_account, m_account->password());
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("dav ") + m_account->name());
        m_worker->moveToThread(m_thread);
        m_thread->start();
    }
    auto promise = std::make_shared<std::promise<Response>>();
    std::shared_future<Response> future = promise->get_future().share();
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, request, promise] { worker->start(request, promise); },
                              Qt::QueuedConnection);
    return future;
}

Response Client::wait(const std::shared_future<Response> &answer, const QUrl &url)
{
    // A window's thread keeps painting while it waits; input waits with it.
    auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (gui && QThread::currentThread() == gui->thread()
        && answer.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (answer.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready)
                loop.quit();
        });
        poll.start(20);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        QGuiApplication::restoreOverrideCursor();
    }
    Response response = answer.get();
    if (response.status == 0 && !response.tooLarge)
        throw QuenlockError(QStringLiteral("The server %1 cannot be reached: %2")
                                .arg(shownOrigin(url), response.reason));
    return response;
}

Response Client::call(Request request)
{
    for (int redirects = 0;; ++redirects) {
        Response response = wait(send(request), request.url);
        const bool redirected = response.status >= 300 && response.status < 400 && response.location.isValid();
        if (!redirected || redirects == 5)
            return response;
        // A redirect to another server is not followed: the request would
        // take the password there, and a PUT the item's data. The user may
        // trust that server by naming it in the account.
        if (!m_account->ownOrigin(response.location))
            throw ForeignServerError(QStringLiteral("The server %1 sends the account \"%2\" on to %3, another server; "
                                               "its password goes only to %1, so the redirect is not followed. "
                                               "If you trust %3, make the account's url=%4")
                                    .arg(shownOrigin(request.url), m_account->name(), shownOrigin(response.location),
                                         response.location.toString(QUrl::RemoveUserInfo)));
        request.url = response.location;
    }
}

} // namespace Dav
