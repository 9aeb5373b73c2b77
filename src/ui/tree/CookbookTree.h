#pragma once

// The data behind the cookbook tree: its nodes and the item model the view shows.

#include <QAbstractItemModel>
#include <QIcon>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace savrona {

// One node of the cookbook tree: a text and an image, nothing else. The text
// is the only link to the node's record (a category name or a recipe title).
struct TreeNode {
    QString text;
    int imageIndex = 0;
    TreeNode* parent = nullptr;
    int row = 0;         // position among its parent's children
    int subtreeSize = 1; // this node and every node below it
    std::vector<std::unique_ptr<TreeNode>> children;

    // Position among all nodes of the tree, counted depth-first from 0 (the
    // root) over collapsed branches too: the parent's index, plus one, plus
    // the sizes of the branches of the earlier siblings.
    int absoluteIndex() const;
};

// The pictures of the tree, by index.
enum TreeImage { CategoryImage = 0, ClosedBoxImage = 1, RootImage = 2, RecipeImage = 3 };

// The cookbook tree as an item model: one root, and nodes appended as the
// last child of their parent, never sorted. Appending announces the new rows
// to the views at once, so the tree grows visibly while it is being built.
class CookbookTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit CookbookTreeModel(QObject* parent = nullptr);
    ~CookbookTreeModel() override;

    // Removes every node, then adds a single top-level node.
    TreeNode* resetToRoot(const QString& text, int imageIndex);
    TreeNode* root() const;

    // A new last child of parent, with image 0 unless set otherwise.
    TreeNode* appendNode(TreeNode* parent, const QString& text, int imageIndex = CategoryImage);
    // Several new last children in one announcement.
    void appendNodes(TreeNode* parent, const QStringList& texts, int imageIndex);
    // Nodes made apart (each with its children, if any) put in at row of
    // parent's children, in one announcement.
    void insertNodes(TreeNode* parent, int row, std::vector<std::unique_ptr<TreeNode>> nodes);
    // Takes count children of parent from row on, with everything below them.
    void removeNodes(TreeNode* parent, int row, int count);
    // A node apart from the tree, with a child per text.
    static std::unique_ptr<TreeNode> makeNode(const QString& text, int imageIndex,
                                              const QStringList& childTexts = {},
                                              int childImageIndex = CategoryImage);

    int nodeCount() const;
    QModelIndex indexOf(const TreeNode* node) const;
    TreeNode* nodeAt(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TreeNode* adopt(TreeNode* parent, std::unique_ptr<TreeNode> child);
    static void renumberChildren(TreeNode* parent, int fromRow);
    static void addToSubtreeSizes(TreeNode* from, int change);
    std::unique_ptr<TreeNode> m_root;
    std::array<QIcon, 4> m_images;
};

} // namespace savrona
