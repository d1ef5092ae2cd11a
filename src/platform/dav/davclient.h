// SPDX-License-Identifier: MIT
// HTTP for one account: requests made on a thread of their own.
#pragma once

#include "davaccount.h"
#include "quenlockerror.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QUrl>
#include <future>
#include <memory>

class QThread;

namespace Dav {

struct Request
{
    QByteArray verb; // GET, PUT, PROPFIND, REPORT
    QUrl url;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    qint64 answerLimit = 0; // bytes; a longer answer is cut off (tooLarge), 0 for none
};

struct Response
{
    int status = 0;            // 0 when no answer came
    QString reason;            // the server's reason phrase, or why no answer came
    QByteArray body;
    QByteArray etag;           // the ETag header, as sent
    QUrl location;             // a redirect's target, resolved
    bool tooLarge = false;     // cut off at the request's answerLimit: no status, no body
    bool ok() const { return status >= 200 && status < 300; }
};

class Worker;

// A request or a redirect to another server than the account's, refused.
class ForeignServerError : public QuenlockError
{
public:
    using QuenlockError::QuenlockError;
};

// Requests go to a QNetworkAccessManager living on the client's own thread,
// so neither the run's thread nor the window's waits inside Qt's network
// code, and several requests may be in flight (reading ahead). Every
// request carries the account's credentials (Basic, over TLS or loopback)
// and is not redirected by itself: call() follows redirects, keeping the
// verb. The password is asked for on the first request. Requests go only to
// the account's own origin (scheme, host, port): one elsewhere, and a
// redirect elsewhere, is refused with a line naming that server.
class Client
{
public:
    explicit Client(std::shared_ptr<const Account> account);
    ~Client();
    Client(const Client &) = delete;
    Client &operator=(const Client &) = delete;

    const Account &account() const { return *m_account; }
    // Sends the request; the answer comes later. Answers come with status 0
    // when no HTTP answer came (refused, timed out, untrusted certificate).
    std::shared_future<Response> send(const Request &request);
    // Sends and waits (a window's thread keeps painting meanwhile, with a
    // busy cursor), following up to five redirects. Throws QuenlockError
    // when no answer came, naming the server and why.
    Response call(Request request);
    // Waits for an answer sent earlier, as call() does; throws as it does,
    // but answers one cut off at its limit.
    Response wait(const std::shared_future<Response> &answer, const QUrl &url);

private:
    std::shared_ptr<const Account> m_account;
    QThread *m_thread = nullptr;
    Worker *m_worker = nullptr;
};

// A URL as messages show it: never with user information in it; the
// server alone, for messages about where requests may go.
QString shown(const QUrl &url);
QString shownOrigin(const QUrl &url);

} // namespace Dav
