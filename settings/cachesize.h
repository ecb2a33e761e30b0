#pragma once

#include <QString>
#include <QtGlobal>

// The download cache as the general page shows and clears it.
namespace zv {

// Total bytes of the files below folder, sub-folders included; symbolic links
// are not followed (a link into the user's documents must not count, nor be
// deleted by clearing). A missing folder has size 0.
qint64 folderSize(const QString& folder);

// "1023 B", "1 KB", "1.5 KB", "1.02e+03 KB", "2.5 GB": the unit is the largest
// power of 1024 the count reaches, the value keeps 3 significant digits.
QString byteCountText(qint64 bytes);

// "Размер кэша: " followed by byteCountText.
QString cacheSizeLabelText(qint64 bytes);

// Deletes folder with everything in it; true when it is gone afterwards.
// An empty or relative path is refused: it would name the working folder.
bool removeFolderTree(const QString& folder);

} // namespace zv
