// Turns a recipe read from a page's elements into an entry, and reads the values of
// those elements.
#include "cookbook/exchange/formats/html/PageRecipe.h"

#include "cookbook/exchange/formats/html/HtmlText.h"

#include <optional>

namespace savrona::html {

namespace {

const QString lineEnd = QStringLiteral("\r\n");

std::optional<QByteArray> optionalText(const QString& text) {
    return text.isEmpty() ? std::nullopt : std::optional<QByteArray>(text.toUtf8());
}

bool isPlaceholder(const QString& source) {
    return source.trimmed().isEmpty() || source.startsWith(QStringLiteral("data:"));
}

QString imageSource(const xmlNode* image) {
    const QString source = HtmlTree::attribute(image, "src");
    if (!isPlaceholder(source))
        return source;
    for (const char* aside : {"data-src", "data-lazy-src", "data-original"}) {
        const QString kept = HtmlTree::attribute(image, aside);
        if (!isPlaceholder(kept))
            return kept;
    }
    return QString();
}

} // namespace

RecipeEntry PageRecipe::entry(const QString& fileName) const {
    RecipeEntry recipe;
    recipe.file = fileName;
    recipe.line = line;
    recipe.title = name.toUtf8();
    for (const QString& text : categories)
        for (const QString& category : text.split(u','))
            if (const QString trimmed = category.trimmed(); !trimmed.isEmpty())
                recipe.categories.append(trimmed.toUtf8());
    recipe.ingredients = ingredients.join(lineEnd).toUtf8();
    recipe.preparation = steps.join(lineEnd).toUtf8();
    recipe.servings = optionalText(yield);
    recipe.notes = optionalText(address);
    recipe.picture = optionalText(image);
    return recipe;
}

void PageRecipe::addSectionHeading(const QString& heading) {
    if (heading.isEmpty())
        return;
    if (!steps.isEmpty() && !steps.back().isEmpty())
        steps.append(QString());
    steps.append(heading);
}

QStringList shownLines(const xmlNode* element) {
    if (HtmlTree::isElement(element, "meta"))
        return HtmlText::lines(HtmlTree::attribute(element, "content"));
    return HtmlText::lines(HtmlTree::textOf(element, HtmlTree::LineBreaks::FromMarkup));
}

QString shownText(const xmlNode* element) {
    return shownLines(element).join(u' ');
}

QString linkedAddress(const xmlNode* element) {
    QString address;
    if (HtmlTree::isElement(element, "meta"))
        address = HtmlTree::attribute(element, "content");
    else if (HtmlTree::isElement(element, "a") || HtmlTree::isElement(element, "link") ||
             HtmlTree::isElement(element, "area"))
        address = HtmlTree::attribute(element, "href");
    else if (HtmlTree::isElement(element, "img"))
        address = imageSource(element);
    else if (HtmlTree::isElement(element, "source") || HtmlTree::isElement(element, "video") ||
             HtmlTree::isElement(element, "iframe") || HtmlTree::isElement(element, "embed"))
        address = HtmlTree::attribute(element, "src");
    else if (HtmlTree::isElement(element, "object"))
        address = HtmlTree::attribute(element, "data");
    else
        return shownText(element);
    // The parser has decoded the attribute's references already.
    return address.simplified();
}

QStringList attributeWords(const xmlNode* element, const char* name) {
    return HtmlTree::attribute(element, name).simplified().split(u' ', Qt::SkipEmptyParts);
}

} // namespace savrona::html
