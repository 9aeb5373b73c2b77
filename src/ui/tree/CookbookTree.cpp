// The tree's nodes and the item model over them, growing as a rebuild appends nodes.
#include "ui/tree/CookbookTree.h"

#include "ui/look/Pictures.h"

#include <iterator>

namespace savrona {

int TreeNode::absoluteIndex() const {
    if (parent == nullptr)
        return 0;
    int index = parent->absoluteIndex() + 1;
    for (int sibling = 0; sibling < row; ++sibling)
        index += parent->children[static_cast<std::size_t>(sibling)]->subtreeSize;
    return index;
}

CookbookTreeModel::CookbookTreeModel(QObject* parent) : QAbstractItemModel(parent) {
    for (std::size_t image = 0; image < m_images.size(); ++image)
        m_images[image] = treeImage(static_cast<int>(image));
}

CookbookTreeModel::~CookbookTreeModel() = default;

TreeNode* CookbookTreeModel::resetToRoot(const QString& text, int imageIndex) {
    beginResetModel();
    m_root = std::make_unique<TreeNode>();
    m_root->text = text;
    m_root->imageIndex = imageIndex;
    endResetModel();
    return m_root.get();
}

TreeNode* CookbookTreeModel::root() const {
    return m_root.get();
}

TreeNode* CookbookTreeModel::adopt(TreeNode* parent, std::unique_ptr<TreeNode> child) {
    child->parent = parent;
    child->row = static_cast<int>(parent->children.size());
    for (TreeNode* ancestor = parent; ancestor != nullptr; ancestor = ancestor->parent)
        ancestor->subtreeSize += child->subtreeSize;
    parent->children.push_back(std::move(child));
    return parent->children.back().get();
}

TreeNode* CookbookTreeModel::appendNode(TreeNode* parent, const QString& text, int imageIndex) {
    const int row = static_cast<int>(parent->children.size());
    beginInsertRows(indexOf(parent), row, row);
    auto node = std::make_unique<TreeNode>();
    node->text = text;
    node->imageIndex = imageIndex;
    TreeNode* added = adopt(parent, std::move(node));
    endInsertRows();
    return added;
}

void CookbookTreeModel::appendNodes(TreeNode* parent, const QStringList& texts, int imageIndex) {
    if (texts.isEmpty())
        return;
    const int first = static_cast<int>(parent->children.size());
    beginInsertRows(indexOf(parent), first, first + static_cast<int>(texts.size()) - 1);
    parent->children.reserve(parent->children.size() + static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts) {
        auto node = std::make_unique<TreeNode>();
        node->text = text;
        node->imageIndex = imageIndex;
        adopt(parent, std::move(node));
    }
    endInsertRows();
}

std::unique_ptr<TreeNode> CookbookTreeModel::makeNode(const QString& text, int imageIndex,
                                                      const QStringList& childTexts,
                                                      int childImageIndex) {
    auto node = std::make_unique<TreeNode>();
    node->text = text;
    node->imageIndex = imageIndex;
    node->children.reserve(static_cast<std::size_t>(childTexts.size()));
    for (const QString& childText : childTexts) {
        auto child = std::make_unique<TreeNode>();
        child->text = childText;
        child->imageIndex = childImageIndex;
        child->parent = node.get();
        child->row = static_cast<int>(node->children.size());
        node->children.push_back(std::move(child));
    }
    node->subtreeSize = 1 + static_cast<int>(childTexts.size());
    return node;
}

void CookbookTreeModel::renumberChildren(TreeNode* parent, int fromRow) {
    for (std::size_t row = static_cast<std::size_t>(fromRow); row < parent->children.size(); ++row)
        parent->children[row]->row = static_cast<int>(row);
}

void CookbookTreeModel::addToSubtreeSizes(TreeNode* from, int change) {
    for (TreeNode* ancestor = from; ancestor != nullptr; ancestor = ancestor->parent)
        ancestor->subtreeSize += change;
}

void CookbookTreeModel::insertNodes(TreeNode* parent, int row,
                                    std::vector<std::unique_ptr<TreeNode>> nodes) {
    if (nodes.empty())
        return;
    beginInsertRows(indexOf(parent), row, row + static_cast<int>(nodes.size()) - 1);
    int added = 0;
    for (auto& node : nodes) {
        node->parent = parent;
        added += node->subtreeSize;
    }
    parent->children.insert(parent->children.begin() + row, std::make_move_iterator(nodes.begin()),
                            std::make_move_iterator(nodes.end()));
    renumberChildren(parent, row);
    addToSubtreeSizes(parent, added);
    endInsertRows();
}

void CookbookTreeModel::removeNodes(TreeNode* parent, int row, int count) {
    if (count <= 0)
        return;
    beginRemoveRows(indexOf(parent), row, row + count - 1);
    const auto first = parent->children.begin() + row;
    int removed = 0;
    for (auto node = first; node != first + count; ++node)
        removed += (*node)->subtreeSize;
    parent->children.erase(first, first + count);
    renumberChildren(parent, row);
    addToSubtreeSizes(parent, -removed);
    endRemoveRows();
}

int CookbookTreeModel::nodeCount() const {
    return m_root ? m_root->subtreeSize : 0;
}

QModelIndex CookbookTreeModel::indexOf(const TreeNode* node) const {
    if (node == nullptr)
        return {};
    return createIndex(node->row, 0, const_cast<TreeNode*>(node));
}

TreeNode* CookbookTreeModel::nodeAt(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TreeNode*>(index.internalPointer());
}

QModelIndex CookbookTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid()) {
        if (row == 0 && m_root)
            return indexOf(m_root.get());
        return {};
    }
    const TreeNode* parentNode = nodeAt(parent);
    if (parentNode == nullptr || row >= static_cast<int>(parentNode->children.size()))
        return {};
    return indexOf(parentNode->children[static_cast<std::size_t>(row)].get());
}

QModelIndex CookbookTreeModel::parent(const QModelIndex& child) const {
    const TreeNode* node = nodeAt(child);
    if (node == nullptr)
        return {};
    return indexOf(node->parent);
}

int CookbookTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return m_root ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    const TreeNode* node = nodeAt(parent);
    return node == nullptr ? 0 : static_cast<int>(node->children.size());
}

int CookbookTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant CookbookTreeModel::data(const QModelIndex& index, int role) const {
    const TreeNode* node = nodeAt(index);
    if (node == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return node->text;
    case Qt::DecorationRole:
        if (node->imageIndex >= 0 && node->imageIndex < static_cast<int>(m_images.size()))
            return m_images[static_cast<std::size_t>(node->imageIndex)];
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags CookbookTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Labels are read-only: no in-place editing.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace savrona
