#pragma once

// The results of a recipe search as the find window's list shows them.

#include "cookbook/search/RecipeSearch.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

namespace savrona {

// One row per found recipe, read from the search only for the rows a view
// asks for: a search that finds every recipe costs the list no more than one
// that finds ten. Valid until the search's next update; the owner sets new
// results right after each.
class FindResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { CategoryRole = Qt::UserRole + 1 };

    FindResultsModel(const RecipeSearch& search, QObject* parent = nullptr);

    void setResults(SearchResults results);
    FoundRecipe recipeAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const RecipeSearch& m_search;
    SearchResults m_results;
};

// Draws a result as its title followed by its category in grey, on one line
// of the same height for every row.
class FindResultDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace savrona
