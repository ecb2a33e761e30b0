#pragma once

#include <QMap>
#include <QString>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace zv::category {

// Which estimate program's branch a node belongs to; the branch is only in
// the tree when that program was in use as the tab was built.
enum class Branch { Always, Rik, Grand };

struct Node
{
    QString title;
    QString key;       // stored in the node's hidden column 1
    QString parentKey; // empty for the root
    Branch branch;
};

inline const QString rootKey = QStringLiteral("myFiles");
inline constexpr int keyColumn = 1;

// Every node, parents before their children, children in display order.
const std::vector<Node>& nodes();

// A row shows under a node when the node's key is part of its item class
// ("rik" covers every WinRIK class, "rikVar" both endings classes), and every
// row shows under the root.
bool rowBelongsTo(const QString& nodeKey, const QString& itemClass);

// The key a node carries.
QString keyOf(const QTreeWidgetItem* node);

// Fills an empty tree with the nodes of the branches in use and expands it.
// Answers the created nodes by key.
QMap<QString, QTreeWidgetItem*> populate(QTreeWidget& tree, bool useRik, bool useGrand);

} // namespace zv::category
