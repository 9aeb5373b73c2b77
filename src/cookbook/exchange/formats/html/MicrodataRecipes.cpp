// Finds the Recipe items of a page's microdata and reads their properties.
#include "cookbook/exchange/formats/html/MicrodataRecipes.h"

#include "cookbook/exchange/formats/html/StepHeading.h"

#include <algorithm>

namespace savrona::html {

namespace {

// Deep enough for sections in sections; the parser bounds the nesting anyway.
constexpr int deepestInstructions = 16;

struct Property {
    QStringList names;
    const xmlNode* element;
};

bool isItem(const xmlNode* element) {
    return HtmlTree::hasAttribute(element, "itemscope");
}

// Whether the item's type is `type`: "https://schema.org/Recipe" and the like.
bool isItemOfType(const xmlNode* element, QStringView type) {
    if (!isItem(element))
        return false;
    for (const QString& word : attributeWords(element, "itemtype")) {
        const qsizetype nameStart = std::max(
            word.lastIndexOf(u'/'), std::max(word.lastIndexOf(u'#'), word.lastIndexOf(u':')));
        if (QStringView(word).sliced(nameStart + 1).compare(type, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The properties of an item in page order; those inside a nested item are
// its own.
std::vector<Property> propertiesOf(const xmlNode* item) {
    std::vector<Property> properties;
    for (const xmlNode* element = HtmlTree::firstElement(item); element != nullptr;) {
        if (QStringList names = attributeWords(element, "itemprop"); !names.isEmpty())
            properties.push_back({std::move(names), element});
        element = HtmlTree::nextElement(element, item, !isItem(element));
    }
    return properties;
}

bool isNamed(const Property& property, std::initializer_list<QStringView> names) {
    for (const QString& name : property.names)
        for (const QStringView wanted : names)
            if (name.compare(wanted, Qt::CaseInsensitive) == 0)
                return true;
    return false;
}

const xmlNode* firstNamed(const std::vector<Property>& properties,
                          std::initializer_list<QStringView> names) {
    for (const Property& property : properties)
        if (isNamed(property, names))
            return property.element;
    return nullptr;
}

QString imageAddress(const xmlNode* element) {
    if (!isItem(element))
        return linkedAddress(element);
    const std::vector<Property> image = propertiesOf(element);
    const xmlNode* address = firstNamed(image, {u"url", u"contentUrl"});
    return address != nullptr ? linkedAddress(address) : QString();
}

void addInstructions(const xmlNode* element, PageRecipe& recipe, int depth);

// A HowToSection: its name, then its steps.
void addSection(const std::vector<Property>& section, PageRecipe& recipe, int depth) {
    if (const xmlNode* name = firstNamed(section, {u"name"}))
        recipe.addSectionHeading(shownText(name));
    for (const Property& property : section)
        if (isNamed(property, {u"itemListElement", u"step", u"steps"}))
            addInstructions(property.element, recipe, depth + 1);
}

// A HowToStep: its name where it is a heading of its own, then its text
// (or all the step shows, when it marks no text).
void addStep(const xmlNode* element, const std::vector<Property>& step, PageRecipe& recipe) {
    const xmlNode* nameElement = firstNamed(step, {u"name"});
    const xmlNode* textElement = firstNamed(step, {u"text", u"description"});
    const QString name = nameElement != nullptr ? shownText(nameElement) : QString();
    const QStringList text = textElement != nullptr   ? shownLines(textElement)
                             : nameElement != nullptr ? QStringList{name}
                                                      : shownLines(element);
    if (textElement != nullptr && isStepHeading(name, text.join(u' ')))
        recipe.steps.append(name);
    recipe.steps.append(text);
}

void addInstructions(const xmlNode* element, PageRecipe& recipe, int depth) {
    if (depth > deepestInstructions)
        return;
    if (!isItem(element)) {
        recipe.steps.append(shownLines(element));
        return;
    }
    const std::vector<Property> properties = propertiesOf(element);
    if (isItemOfType(element, u"HowToSection") || isItemOfType(element, u"ItemList"))
        addSection(properties, recipe, depth);
    else
        addStep(element, properties, recipe);
}

PageRecipe readRecipe(const xmlNode* item) {
    PageRecipe recipe;
    recipe.line = HtmlTree::lineOf(item);
    for (const Property& property : propertiesOf(item)) {
        const xmlNode* element = property.element;
        if (isNamed(property, {u"name"}) && recipe.name.isEmpty())
            recipe.name = shownText(element);
        else if (isNamed(property, {u"recipeIngredient", u"ingredients", u"ingredient"}))
            recipe.ingredients.append(shownLines(element));
        else if (isNamed(property, {u"recipeInstructions", u"instructions"}))
            addInstructions(element, recipe, 0);
        else if (isNamed(property, {u"recipeYield", u"yield"}) && recipe.yield.isEmpty())
            recipe.yield = shownText(element);
        else if (isNamed(property, {u"recipeCategory"}))
            recipe.categories.append(shownText(element));
        else if (isNamed(property, {u"image", u"photo"}) && recipe.image.isEmpty())
            recipe.image = imageAddress(element);
        else if (isNamed(property, {u"url"}) && recipe.address.isEmpty())
            recipe.address = linkedAddress(element);
    }
    return recipe;
}

} // namespace

std::vector<PageRecipe> MicrodataRecipes::read(const xmlNode* root) {
    std::vector<PageRecipe> recipes;
    for (const xmlNode* element = HtmlTree::firstElement(root); element != nullptr;
         element = HtmlTree::nextElement(element, root, true))
        if (isItemOfType(element, u"Recipe"))
            recipes.push_back(readRecipe(element));
    return recipes;
}

} // namespace savrona::html
