#include "catalogue/categorytree.h"

#include <QTreeWidget>
#include <QTreeWidgetItem>

namespace zv::category {

const std::vector<Node>& nodes()
{
    static const std::vector<Node> table = {
        {QStringLiteral("Мои файлы"), rootKey, QString(), Branch::Always},
        {QStringLiteral("РИК"), QStringLiteral("rik"), rootKey, Branch::Rik},
        {QStringLiteral("Индексы и ТЦ"), QStringLiteral("rikInd"), QStringLiteral("rik"), Branch::Rik},
        {QStringLiteral("Нормативные базы"), QStringLiteral("rikNB"), QStringLiteral("rik"),
         Branch::Rik},
        {QStringLiteral("НР и СП"), QStringLiteral("rikNRSP"), QStringLiteral("rik"), Branch::Rik},
        {QStringLiteral("Концовки"), QStringLiteral("rikVar"), QStringLiteral("rik"), Branch::Rik},
        {QStringLiteral("Локальные"), QStringLiteral("rikVarLoc"), QStringLiteral("rikVar"),
         Branch::Rik},
        {QStringLiteral("Ресурсные"), QStringLiteral("rikVarRes"), QStringLiteral("rikVar"),
         Branch::Rik},
        {QStringLiteral("Гранд-Смета"), QStringLiteral("grand"), rootKey, Branch::Grand},
        {QStringLiteral("Индексы и ТЦ"), QStringLiteral("grandInd"), QStringLiteral("grand"),
         Branch::Grand},
    };
    return table;
}

bool rowBelongsTo(const QString& nodeKey, const QString& itemClass)
{
    return nodeKey == rootKey || itemClass.contains(nodeKey, Qt::CaseSensitive);
}

QString keyOf(const QTreeWidgetItem* node)
{
    return node ? node->text(keyColumn) : QString();
}

QMap<QString, QTreeWidgetItem*> populate(QTreeWidget& tree, bool useRik, bool useGrand)
{
    QMap<QString, QTreeWidgetItem*> created;
    for (const Node& node : nodes()) {
        if ((node.branch == Branch::Rik && !useRik) || (node.branch == Branch::Grand && !useGrand))
            continue;
        QTreeWidgetItem* item = nullptr;
        if (node.parentKey.isEmpty())
            item = new QTreeWidgetItem(&tree);
        else
            item = new QTreeWidgetItem(created.value(node.parentKey));
        item->setText(0, node.title);
        item->setText(keyColumn, node.key);
        created.insert(node.key, item);
    }
    tree.expandAll();
    return created;
}

} // namespace zv::category
