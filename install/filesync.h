#pragma once

#include <QString>

// What an installation's undo depends on must be on the disk before the
// change it guards is made: the journal line before the move it announces, a
// copy of a table before the table is rewritten, the moves themselves before
// the originals are dropped. A write or a rename alone may still sit in the
// system's cache when the power goes.
namespace zv {

// The file's bytes reach the disk. False when the file cannot be opened or
// the system refuses.
bool syncFile(const QString& path);
// The folder's entries (files created, renamed into or out of it) reach the
// disk.
bool syncFolder(const QString& folder);

} // namespace zv
