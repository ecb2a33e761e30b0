#include "settings/rikfoldersearch.h"

#include <QDir>

namespace zv {

QStringList findRikFolders(const QStringList& roots)
{
    QStringList found;
    for (const QString& root : roots) {
        // Name filters of QDir ignore letter case unless told otherwise, which
        // is how Windows matches names too.
        const QStringList names = QDir(root).entryList(
            {QStringLiteral("*rik*")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted);
        for (const QString& name : names)
            found.append(root + name);
    }
    return found;
}

} // namespace zv
