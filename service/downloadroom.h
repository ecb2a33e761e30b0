#pragma once

#include <QString>

namespace zv {

// Free bytes on the volume that holds the folder; -1 when it cannot be told.
qint64 freeSpaceAt(const QString& folder);

// The volume that holds the folder as the user knows it: "C:\\" on Windows,
// its mount point elsewhere; the folder itself when that cannot be told.
QString volumeNameOf(const QString& folder);

// True when the folder's volume has (almost) nothing left: a write that
// failed there failed for want of room.
bool diskIsFullAt(const QString& folder);

// A size as the user reads it, as the Russian Windows Explorer writes it:
// "300 МБ", "1,2 ГБ", "512 байт"; with fixedDecimals, always that many
// decimals ("300,1 МБ"), else one below 10 and none from there on.
QString sizeText(qint64 bytes, int fixedDecimals = -1);

// How much of a file is there: "12,3 из 287 МБ", both in the unit of the
// whole; without a known whole, the part alone ("12,3 МБ").
QString sizeOfText(qint64 done, qint64 total);

// Empty when the folder's volume has room for the bytes to come; otherwise
// the sentence that names the volume and both sizes. An unknown size needs no room.
QString roomShortfall(const QString& folder, qint64 needed);

} // namespace zv
