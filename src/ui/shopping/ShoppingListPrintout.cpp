// Lays the shopping list out as a text document and prints it.
#include "ui/shopping/ShoppingListPrintout.h"

#include <QPagedPaintDevice>
#include <QTextCursor>
#include <QTextDocument>

namespace savrona {

namespace {

QString lineText(const ShoppingLine& line) {
    QString text = (line.done ? QStringLiteral("\u2611 ") : QStringLiteral("\u2610 ")) + line.text;
    if (!line.recipes.isEmpty())
        text += QStringLiteral(" (") + line.recipes.join(QStringLiteral(", ")) + QLatin1Char(')');
    return text;
}

} // namespace

QString shoppingListText(const ShoppingList& list) {
    QString text;
    for (const ShoppingLine& line : list)
        text += lineText(line) + QLatin1Char('\n');
    return text;
}

void printShoppingList(const ShoppingList& list, QPagedPaintDevice& device) {
    QTextDocument document;
    document.setUndoRedoEnabled(false);
    QFont body(QStringLiteral("Serif"));
    body.setStyleHint(QFont::Serif);
    body.setPointSizeF(12);
    document.setDefaultFont(body);
    QTextCursor cursor(&document);
    QTextCharFormat heading;
    QFont headingFont(QStringLiteral("Sans Serif"));
    headingFont.setStyleHint(QFont::SansSerif);
    headingFont.setPointSizeF(18);
    headingFont.setBold(true);
    heading.setFont(headingFont);
    cursor.insertText(QStringLiteral("Shopping list"), heading);
    QTextBlockFormat item;
    item.setTopMargin(4);
    QTextCharFormat text;
    text.setFont(body);
    for (const ShoppingLine& line : list) {
        QTextCharFormat format = text;
        format.setFontStrikeOut(line.done);
        cursor.insertBlock(item, format);
        cursor.insertText(lineText(line));
    }
    // Qt lays the pages out in the device's page size and numbers them.
    document.print(&device);
}

} // namespace savrona
