#pragma once

// Where a page says it lives, and the addresses of what it shows.

#include "cookbook/exchange/formats/html/HtmlTree.h"

#include <QString>
#include <QUrl>

namespace savrona::html {

// The addresses a page gives of itself: its canonical link (<link
// rel="canonical">), its Open Graph address (<meta property="og:url">) and
// its <base href>; together with the address it was fetched from, when
// known, they tell the page's source and resolve its relative addresses.
class PageAddresses {
public:
    PageAddresses(const xmlNode* root, const QUrl& fetchedFrom);

    // The page's own address: the canonical link, else og:url, else where it
    // was fetched from; each taken only as an absolute web address (a
    // relative one resolved against where the page was fetched from).
    // Empty when none is known.
    QUrl source() const;
    // The address as a text: a web address longer than a field holds loses
    // its fragment, then its query, before the field cuts it.
    static QString fieldText(const QUrl& address);
    // An address the page gives (an image's), made absolute against the
    // page's base where it is relative and the base is known; as it stands
    // otherwise. Empty for an inline "data:" image, which is no address.
    QString resolved(const QString& address) const;

private:
    QUrl base() const;

    QUrl m_fetchedFrom;
    QString m_canonical;
    QString m_openGraph;
    QString m_base;
};

} // namespace savrona::html
