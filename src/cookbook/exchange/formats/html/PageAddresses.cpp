// Reads a page's canonical link, og:url and base, and resolves addresses against them.
#include "cookbook/exchange/formats/html/PageAddresses.h"

#include "cookbook/exchange/formats/html/PageRecipe.h"

namespace savrona::html {

namespace {

// The width of the recipe's short text fields.
constexpr qsizetype fieldWidth = 255;

bool isWebAddress(const QUrl& address) {
    return address.isValid() && !address.host().isEmpty() &&
           (address.scheme() == QStringLiteral("http") ||
            address.scheme() == QStringLiteral("https"));
}

// The text as an absolute web address, resolved against `against` where
// it is relative; an empty address when it cannot be one.
QUrl webAddress(const QString& text, const QUrl& against) {
    if (text.trimmed().isEmpty())
        return QUrl();
    QUrl address(text.trimmed());
    if (address.isRelative() && isWebAddress(against))
        address = against.resolved(address);
    else if (address.isRelative() && text.trimmed().startsWith(QStringLiteral("//")))
        address = QUrl(QStringLiteral("https:") + text.trimmed()); // a page's usual scheme
    return isWebAddress(address) ? address : QUrl();
}

bool isOpenGraphAddress(const xmlNode* element) {
    return HtmlTree::isElement(element, "meta") &&
           (HtmlTree::attribute(element, "property") == QStringLiteral("og:url") ||
            HtmlTree::attribute(element, "name") == QStringLiteral("og:url"));
}

} // namespace

PageAddresses::PageAddresses(const xmlNode* root, const QUrl& fetchedFrom)
    : m_fetchedFrom(fetchedFrom) {
    if (root == nullptr)
        return;
    for (const xmlNode* element = HtmlTree::firstElement(root); element != nullptr;
         element = HtmlTree::nextElement(element, root, true)) {
        if (m_canonical.isEmpty() && HtmlTree::isElement(element, "link") &&
            attributeWords(element, "rel")
                .contains(QStringLiteral("canonical"), Qt::CaseInsensitive))
            m_canonical = HtmlTree::attribute(element, "href");
        else if (m_openGraph.isEmpty() && isOpenGraphAddress(element))
            m_openGraph = HtmlTree::attribute(element, "content");
        else if (m_base.isEmpty() && HtmlTree::isElement(element, "base"))
            m_base = HtmlTree::attribute(element, "href");
    }
}

QUrl PageAddresses::source() const {
    for (const QString& own : {m_canonical, m_openGraph})
        if (const QUrl address = webAddress(own, m_fetchedFrom); !address.isEmpty())
            return address;
    return isWebAddress(m_fetchedFrom) ? m_fetchedFrom : QUrl();
}

QUrl PageAddresses::base() const {
    const QUrl page = isWebAddress(m_fetchedFrom) ? m_fetchedFrom : source();
    const QUrl declared = webAddress(m_base, page);
    return declared.isEmpty() ? page : declared;
}

QString PageAddresses::fieldText(const QUrl& address) {
    QUrl shortened = address;
    if (shortened.toString().size() > fieldWidth)
        shortened = shortened.adjusted(QUrl::RemoveFragment);
    if (shortened.toString().size() > fieldWidth)
        shortened = shortened.adjusted(QUrl::RemoveQuery);
    return shortened.toString();
}

QString PageAddresses::resolved(const QString& address) const {
    const QString text = address.trimmed();
    if (text.startsWith(QStringLiteral("data:"), Qt::CaseInsensitive))
        return QString();
    const QUrl absolute = webAddress(text, base());
    return absolute.isEmpty() ? text : fieldText(absolute);
}

} // namespace savrona::html
