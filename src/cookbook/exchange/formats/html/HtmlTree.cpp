// Parses HTML with libxml2 and walks the tree it gives, without recursion.
#include "cookbook/exchange/formats/html/HtmlTree.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>

namespace savrona::html {

namespace {

constexpr int parseOptions = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                             HTML_PARSE_NONET | HTML_PARSE_NODEFDTD;

// Elements that stand on lines of their own, sorted.
constexpr std::array<std::string_view, 47> blockElements{
    "address", "article", "aside",  "blockquote", "body", "caption", "center",   "dd",
    "details", "dialog",  "dir",    "div",        "dl",   "dt",      "fieldset", "figcaption",
    "figure",  "footer",  "form",   "h1",         "h2",   "h3",      "h4",       "h5",
    "h6",      "header",  "hgroup", "hr",         "html", "legend",  "li",       "main",
    "menu",    "nav",     "ol",     "p",          "pre",  "section", "summary",  "table",
    "tbody",   "tfoot",   "thead",  "title",      "tr",   "ul",      "option"};

// Elements whose content is no text the page shows.
constexpr std::array<std::string_view, 5> hiddenElements{"noscript", "script", "style", "template",
                                                         "textarea"};

std::string_view nameOf(const xmlNode* node) {
    return node->name != nullptr ? std::string_view(reinterpret_cast<const char*>(node->name))
                                 : std::string_view();
}

template <std::size_t size>
bool isOneOf(const xmlNode* node, const std::array<std::string_view, size>& names) {
    return node->type == XML_ELEMENT_NODE &&
           std::find(names.begin(), names.end(), nameOf(node)) != names.end();
}

bool isCell(const xmlNode* node) {
    return HtmlTree::isElement(node, "td") || HtmlTree::isElement(node, "th");
}

// Collects the text of a subtree as a browser lays it out in lines.
class TextCollector {
public:
    explicit TextCollector(HtmlTree::LineBreaks lineBreaks) : m_lineBreaks(lineBreaks) {}

    void open(const xmlNode* node) {
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
            appendText(node->content);
        } else if (HtmlTree::isElement(node, "br") || isOneOf(node, blockElements)) {
            m_text += '\n';
            if (HtmlTree::isElement(node, "pre"))
                ++m_preformatted;
        } else if (isCell(node)) {
            m_text += ' ';
        }
    }

    void close(const xmlNode* node) {
        if (isOneOf(node, blockElements)) {
            m_text += '\n';
            if (HtmlTree::isElement(node, "pre"))
                --m_preformatted;
        } else if (isCell(node)) {
            m_text += ' ';
        }
    }

    QString text() const { return QString::fromUtf8(m_text.data(), qsizetype(m_text.size())); }

private:
    void appendText(const xmlChar* content) {
        if (content == nullptr)
            return;
        const std::size_t start = m_text.size();
        m_text += reinterpret_cast<const char*>(content);
        if (m_preformatted > 0 || m_lineBreaks == HtmlTree::LineBreaks::FromMarkupAndText)
            return;
        // The line breaks and tabs of the source are blanks on the page.
        std::replace_if(
            m_text.begin() + std::ptrdiff_t(start), m_text.end(),
            [](char character) {
                return character == '\n' || character == '\r' || character == '\t' ||
                       character == '\f';
            },
            ' ');
    }

    HtmlTree::LineBreaks m_lineBreaks;
    std::string m_text;
    int m_preformatted = 0;
};

} // namespace

HtmlTree::HtmlTree(QByteArrayView utf8) {
    static std::once_flag parserReady;
    std::call_once(parserReady, [] { xmlInitParser(); });
    if (utf8.isEmpty() || utf8.size() > INT_MAX)
        return;
    m_document = htmlReadMemory(utf8.data(), int(utf8.size()), nullptr, "UTF-8", parseOptions);
}

HtmlTree::~HtmlTree() {
    if (m_document != nullptr)
        xmlFreeDoc(m_document);
}

const xmlNode* HtmlTree::root() const {
    return m_document != nullptr ? xmlDocGetRootElement(m_document) : nullptr;
}

QString HtmlTree::textOf(const xmlNode* node, LineBreaks lineBreaks) {
    TextCollector collector(lineBreaks);
    const xmlNode* current = node;
    while (current != nullptr) {
        collector.open(current);
        if (current->children != nullptr && !isOneOf(current, hiddenElements)) {
            current = current->children;
            continue;
        }
        for (;;) {
            collector.close(current);
            if (current == node || current->parent == nullptr)
                return collector.text();
            if (current->next != nullptr) {
                current = current->next;
                break;
            }
            current = current->parent;
        }
    }
    return collector.text();
}

bool HtmlTree::hasAttribute(const xmlNode* element, const char* name) {
    return element->type == XML_ELEMENT_NODE &&
           xmlHasProp(const_cast<xmlNode*>(element), reinterpret_cast<const xmlChar*>(name)) !=
               nullptr;
}

QString HtmlTree::attribute(const xmlNode* element, const char* name) {
    if (element->type != XML_ELEMENT_NODE)
        return QString();
    xmlChar* value =
        xmlGetProp(const_cast<xmlNode*>(element), reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr)
        return QString();
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text;
}

bool HtmlTree::isElement(const xmlNode* node, const char* name) {
    return node->type == XML_ELEMENT_NODE && nameOf(node) == name;
}

qint64 HtmlTree::lineOf(const xmlNode* node) {
    return std::max<qint64>(xmlGetLineNo(node), 1);
}

const xmlNode* HtmlTree::nextElement(const xmlNode* element, const xmlNode* scope, bool descend) {
    const xmlNode* current = element;
    bool down = descend;
    for (;;) {
        if (down && current->children != nullptr) {
            current = current->children;
        } else {
            while (current != scope && current->next == nullptr) {
                current = current->parent;
                if (current == nullptr)
                    return nullptr;
            }
            if (current == scope)
                return nullptr;
            current = current->next;
        }
        if (current->type == XML_ELEMENT_NODE)
            return current;
        down = true;
    }
}

const xmlNode* HtmlTree::firstElement(const xmlNode* scope) {
    return nextElement(scope, scope, true);
}

} // namespace savrona::html
