// The rows of the find window's results list and how each one is drawn.
#include "ui/find/FindResultsModel.h"

#include <QApplication>
#include <QPainter>

namespace savrona {

namespace {

constexpr int textMargin = 4;
constexpr int categoryGap = 12;

} // namespace

FindResultsModel::FindResultsModel(const RecipeSearch& search, QObject* parent)
    : QAbstractListModel(parent), m_search(search) {}

void FindResultsModel::setResults(SearchResults results) {
    beginResetModel();
    m_results = std::move(results);
    endResetModel();
}

FoundRecipe FindResultsModel::recipeAt(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return m_search.recipe(m_results.recipes[static_cast<std::size_t>(row)]);
}

int FindResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_results.recipes.size());
}

QVariant FindResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return recipeAt(index.row()).title;
    case CategoryRole:
        return recipeAt(index.row()).category;
    case Qt::AccessibleTextRole: {
        const FoundRecipe recipe = recipeAt(index.row());
        return recipe.title + QStringLiteral(", ") + recipe.category;
    }
    default:
        return {};
    }
}

void FindResultDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString category = index.data(FindResultsModel::CategoryRole).toString();
    const QString title = item.text;
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        item.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    QRect area = item.rect.adjusted(textMargin, 0, -textMargin, 0);
    const QFontMetrics& metrics = item.fontMetrics;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(
        item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QString shownTitle = metrics.elidedText(title, Qt::ElideRight, area.width());
    painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, shownTitle);
    area.setLeft(area.left() + metrics.horizontalAdvance(shownTitle) + categoryGap);
    if (area.width() > 0) {
        painter->setPen(selected ? item.palette.color(group, QPalette::HighlightedText)
                                 : item.palette.color(QPalette::Disabled, QPalette::Text));
        painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                          metrics.elidedText(category, Qt::ElideRight, area.width()));
    }
    painter->restore();
}

QSize FindResultDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), option.fontMetrics.height() + 2 * textMargin};
}

} // namespace savrona
