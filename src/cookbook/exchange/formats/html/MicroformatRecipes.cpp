// Finds the h-recipe elements of a page and reads the properties their classes mark.
#include "cookbook/exchange/formats/html/MicroformatRecipes.h"

#include <algorithm>
#include <array>

namespace savrona::html {

namespace {

enum class Part { Name, Ingredient, Instructions, Yield, Category, Photo, Address };

struct PropertyClass {
    QStringView current; // the class of h-recipe
    QStringView old;     // the class of hRecipe
    Part part;
};

constexpr std::array<PropertyClass, 8> propertyClasses{{
    {u"p-name", u"fn", Part::Name},
    {u"p-ingredient", u"ingredient", Part::Ingredient},
    {u"e-instructions", u"instructions", Part::Instructions},
    {u"p-instructions", u"", Part::Instructions}, // hRecipe had one class for both
    {u"p-yield", u"yield", Part::Yield},
    {u"p-category", u"tag", Part::Category},
    {u"u-photo", u"photo", Part::Photo},
    {u"u-url", u"url", Part::Address},
}};

// The roots of the microformats of old that a recipe may hold.
constexpr std::array<QStringView, 6> oldRoots{u"hrecipe", u"vcard",    u"hreview",
                                              u"hentry",  u"hproduct", u"vevent"};

enum class Kind { None, Current, Old };

Kind recipeKind(const QStringList& classes) {
    if (classes.contains(QStringLiteral("h-recipe")))
        return Kind::Current;
    if (classes.contains(QStringLiteral("hrecipe")))
        return Kind::Old;
    return Kind::None;
}

// Whether the classes make the element the root of a microformat: its
// descendants' properties are its own, not the recipe's.
bool isRoot(const QStringList& classes) {
    for (const QString& name : classes) {
        if (name.startsWith(QStringLiteral("h-")) && name.size() > 2)
            return true;
        if (std::find(oldRoots.begin(), oldRoots.end(), name) != oldRoots.end())
            return true;
    }
    return false;
}

void addPart(PageRecipe& recipe, Part part, const xmlNode* element) {
    switch (part) {
    case Part::Name:
        if (recipe.name.isEmpty())
            recipe.name = HtmlTree::isElement(element, "img") ? HtmlTree::attribute(element, "alt")
                                                              : shownText(element);
        break;
    case Part::Ingredient:
        recipe.ingredients.append(shownLines(element));
        break;
    case Part::Instructions:
        recipe.steps.append(shownLines(element));
        break;
    case Part::Yield:
        if (recipe.yield.isEmpty())
            recipe.yield = shownText(element);
        break;
    case Part::Category:
        recipe.categories.append(shownText(element));
        break;
    case Part::Photo:
        if (recipe.image.isEmpty())
            recipe.image = linkedAddress(element);
        break;
    case Part::Address:
        if (recipe.address.isEmpty())
            recipe.address = linkedAddress(element);
        break;
    }
}

void addProperties(PageRecipe& recipe, Kind kind, const xmlNode* element) {
    const QStringList classes = attributeWords(element, "class");
    for (const PropertyClass& property : propertyClasses) {
        const QStringView name = kind == Kind::Current ? property.current : property.old;
        if (classes.contains(name))
            addPart(recipe, property.part, element);
    }
}

PageRecipe readRecipe(const xmlNode* root, Kind kind) {
    PageRecipe recipe;
    recipe.line = HtmlTree::lineOf(root);
    for (const xmlNode* element = HtmlTree::firstElement(root); element != nullptr;) {
        addProperties(recipe, kind, element);
        element = HtmlTree::nextElement(element, root, !isRoot(attributeWords(element, "class")));
    }
    return recipe;
}

} // namespace

std::vector<PageRecipe> MicroformatRecipes::read(const xmlNode* root) {
    std::vector<PageRecipe> recipes;
    for (const xmlNode* element = HtmlTree::firstElement(root); element != nullptr;
         element = HtmlTree::nextElement(element, root, true)) {
        const Kind kind = recipeKind(attributeWords(element, "class"));
        if (kind != Kind::None)
            recipes.push_back(readRecipe(element, kind));
    }
    return recipes;
}

} // namespace savrona::html
