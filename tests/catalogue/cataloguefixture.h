#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class DownloadTab;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QPushButton;

namespace zv::test {

// What a user sees of one catalogue row, plus its hidden columns.
struct CatalogueRowView
{
    QString title;
    bool ticked = false;
    QString titleStyle;
    QString status;      // empty when the status cell holds no label
    QString statusStyle;
    QString id;
    QString url;
    QString itemClass;
    bool isNew = false;
    bool hidden = false;
};

// Gives the process the identity under which the tab reads its settings, and
// empties the store.
void resetSettings();
void setSetting(const QString& key, const QVariant& value);

QTableWidget* tableOf(DownloadTab& tab);
QTreeWidget* treeOf(DownloadTab& tab);
QPushButton* buttonOf(DownloadTab& tab, const QString& objectName);
QTreeWidgetItem* nodeOf(DownloadTab& tab, const QString& key);

QList<CatalogueRowView> rowsOf(DownloadTab& tab);
// The row whose title is exactly this; -1 when there is none.
int rowIndexOf(DownloadTab& tab, const QString& title);
CatalogueRowView rowTitled(DownloadTab& tab, const QString& title);
QStringList titlesOf(DownloadTab& tab);
QStringList visibleTitlesOf(DownloadTab& tab);

void tick(DownloadTab& tab, const QString& title);
// The user's click on a node of the category tree.
void clickNode(DownloadTab& tab, const QString& key);
// The user's click on a header section of the table.
void clickHeader(DownloadTab& tab, int section);
void rebuild(DownloadTab& tab);

// The rows as an action left them: taken when the action enables the table
// again, just before its closing rebuild starts over.
class ActionOutcome : public QObject
{
public:
    explicit ActionOutcome(DownloadTab& tab);
    bool taken() const { return m_taken; }
    CatalogueRowView row(const QString& title) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DownloadTab& m_tab;
    QList<CatalogueRowView> m_rows;
    bool m_taken = false;
};

// A message box that some operation shows modally, as the user saw it.
struct SeenMessage
{
    QString title;
    QString text;
};

// While alive, closes every modal message box as soon as it appears and keeps
// what it said.
class MessageBoxCloser
{
public:
    MessageBoxCloser();
    ~MessageBoxCloser();
    QList<SeenMessage> seen() const;

private:
    struct Private;
    Private* d;
};

// Writes a file with the given bytes, creating its folders; and sets its
// modification time when one is given.
bool writeFile(const QString& path, const QByteArray& bytes, const QDateTime& modified = {});

} // namespace zv::test
