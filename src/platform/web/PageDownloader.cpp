// One page at a time through Qt Network, waited for in a local event loop.
#include "platform/web/PageDownloader.h"

#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <memory>

namespace savrona {

namespace {

const QByteArray browserAgent = "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like "
                                "Gecko) Chrome/124.0 Safari/537.36";

QString megabytes(qint64 bytes) {
    return QString::number(bytes / (1024 * 1024));
}

QString failureOf(const QNetworkReply& reply) {
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    switch (reply.error()) {
    case QNetworkReply::HostNotFoundError:
        return QStringLiteral("the server was not found; is the computer online?");
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("the server refused the connection");
    case QNetworkReply::RemoteHostClosedError:
        return QStringLiteral("the server closed the connection");
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentGoneError:
        return QStringLiteral("the page was not found (%1)").arg(status);
    case QNetworkReply::ContentAccessDenied:
        return QStringLiteral("the server refused to give the page (%1)").arg(status);
    case QNetworkReply::TooManyRedirectsError:
        return QStringLiteral("the page sends on to other addresses too many times");
    case QNetworkReply::InsecureRedirectError:
        return QStringLiteral("the page sends on from a secure address to an insecure one");
    case QNetworkReply::SslHandshakeFailedError:
        return QStringLiteral("the secure connection failed: %1").arg(reply.errorString());
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::UnknownNetworkError:
        return QStringLiteral("there is no network: %1").arg(reply.errorString());
    default:
        if (status >= 400)
            return QStringLiteral("the server answered %1 %2")
                .arg(status)
                .arg(reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
        return reply.errorString();
    }
}

} // namespace

QUrl PageDownloader::webAddress(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return {};
    QUrl url = QUrl::fromUserInput(trimmed);
    if (!trimmed.contains(QStringLiteral("://")) && url.scheme() == QStringLiteral("http"))
        url.setScheme(QStringLiteral("https"));
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")))
        return {};
    return url;
}

DownloadedPage PageDownloader::download(const QString& address,
                                        const std::function<bool()>& cancelled) {
    DownloadedPage page{address, webAddress(address), {}, {}};
    if (!page.url.isValid()) {
        page.failure = QStringLiteral("this is no web address (http or https)");
        return page;
    }
    QNetworkRequest request(page.url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(m_limits.redirects);
    request.setHeader(QNetworkRequest::UserAgentHeader, browserAgent);
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,"
                                   "application/ld+json;q=0.8,*/*;q=0.5");
    request.setRawHeader("Accept-Language", "en;q=0.9,*;q=0.5");
    const std::unique_ptr<QNetworkReply> reply(m_network.get(request));

    QEventLoop loop;
    bool timedOut = false;
    bool tooLarge = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        reply->abort();
    });
    QTimer cancelCheck;
    QObject::connect(&cancelCheck, &QTimer::timeout, &loop, [&] {
        if (cancelled && cancelled())
            reply->abort();
    });
    QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &loop,
                     [&](qint64 received, qint64 total) {
                         if (received > m_limits.bytes || total > m_limits.bytes) {
                             tooLarge = true;
                             reply->abort();
                         }
                     });
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    deadline.start(m_limits.time);
    cancelCheck.start(50);
    if (!reply->isFinished())
        loop.exec();

    page.url = reply->url();
    if (tooLarge)
        page.failure =
            QStringLiteral("the page is larger than %1 MB").arg(megabytes(m_limits.bytes));
    else if (timedOut)
        page.failure = QStringLiteral("the server did not answer within %1 seconds")
                           .arg(m_limits.time.count() / 1000);
    else if (cancelled && cancelled())
        page.failure = QStringLiteral("cancelled");
    else if (reply->error() != QNetworkReply::NoError)
        page.failure = failureOf(*reply);
    else
        page.bytes = reply->readAll();
    return page;
}

} // namespace savrona
