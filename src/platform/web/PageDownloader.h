#pragma once

// Downloads web pages for the import from web addresses, as a browser would ask for them.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QString>
#include <QUrl>

#include <chrono>
#include <functional>

namespace savrona {

struct DownloadedPage {
    QString address; // as the user gave it
    QUrl url;        // where the page was found, after redirects
    QByteArray bytes;
    QString failure; // why there is no page, for the user; empty when there is one
};

// Fetches one page at a time over HTTP or HTTPS: redirects followed (never from HTTPS to
// HTTP), up to ten; a page larger than the size limit, or a server slower than the time
// limit, is given up with a message; gzip is asked for and undone; cookies are kept for as
// long as the downloader lives, as sites that set one on the first page expect it back; the
// user agent is a browser's, as some sites refuse others.
struct DownloadLimits {
    int redirects = 10;
    std::chrono::milliseconds time{20000};
    qint64 bytes = 10 * 1024 * 1024;
};

class PageDownloader {
public:
    explicit PageDownloader(DownloadLimits limits = {}) : m_limits(limits) {}

    // Returns when the page is there, failed, or cancelled() turned true (asked between the
    // events the download handles, so a progress dialog's Cancel works).
    DownloadedPage download(const QString& address, const std::function<bool()>& cancelled);

    // The address the user gave, made whole ("example.com/pie" is https); an invalid URL
    // when it names no web page.
    static QUrl webAddress(const QString& text);

private:
    DownloadLimits m_limits;
    QNetworkAccessManager m_network;
};

} // namespace savrona
