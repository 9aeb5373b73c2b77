#pragma once

// A web page, or a piece of one, parsed by libxml2's HTML parser into its tree of
// elements, and the text its elements show.

#include <QByteArrayView>
#include <QString>

#include <libxml/tree.h>

namespace savrona::html {

// The tree libxml2's HTML parser builds, recovering from any fault as
// browsers do: unclosed and stray tags, bad nesting, unquoted attributes.
// The parser stops at nesting deeper than it takes (256 levels) and keeps
// what it read up to there.
class HtmlTree {
public:
    // utf8 must be valid UTF-8: the page's own declaration of its encoding
    // is not followed.
    explicit HtmlTree(QByteArrayView utf8);
    ~HtmlTree();
    HtmlTree(const HtmlTree&) = delete;
    HtmlTree& operator=(const HtmlTree&) = delete;

    // The top element (<html>, which the parser adds when the text has none);
    // null for a text that gave no tree.
    const xmlNode* root() const;

    // Where line breaks in a text come from: only from the markup (<br>,
    // blocks such as <p> and <li>), as a browser shows a page, or also from
    // the line breaks of the text itself, as JSON values carry their lines.
    enum class LineBreaks { FromMarkup, FromMarkupAndText };

    // The text a node shows, lines separated by "\n": the text of its
    // descendants, without that of <script>, <style> and <template>, with a
    // line break around each block and at each <br>, and a blank between
    // table cells. Entities are decoded as far as the parser knows them;
    // blanks are left as they come.
    static QString textOf(const xmlNode* node, LineBreaks lineBreaks);

    static bool hasAttribute(const xmlNode* element, const char* name);
    // The attribute's value; empty when the element has none.
    static QString attribute(const xmlNode* element, const char* name);
    // Whether the node is an element of that name (in lower case).
    static bool isElement(const xmlNode* node, const char* name);
    // The line of the page on which the node begins, from 1.
    static qint64 lineOf(const xmlNode* node);

    // The element after `element` in document order that is still inside
    // `scope`, skipping the descendants of `element` unless `descend`; null
    // after the last. Walks without recursion, so any depth is safe.
    static const xmlNode* nextElement(const xmlNode* element, const xmlNode* scope, bool descend);
    // The first element inside scope, in document order; null when none.
    static const xmlNode* firstElement(const xmlNode* scope);

private:
    xmlDoc* m_document = nullptr;
};

} // namespace savrona::html
