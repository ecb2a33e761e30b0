#pragma once

#include <QString>

// The download cache: the folder "zelvinora" in the system's temporary folder,
// mirroring the service's folder structure.
namespace zv {

// Temporary location + "/zelvinora", with "/" separators.
QString downloadCacheFolder();
// downloadCacheFolder() + "/" + the file's relative path on the service.
QString cachePathOf(const QString& relativePath);

// A relative path from the service may name a file only inside the cache:
// empty and absolute paths, and ".." pieces that would climb out, are refused.
bool isSafeRelativePath(const QString& relativePath);

// On a shared temporary folder (/tmp on Linux) another account could plant
// archives or symbolic links for the client to install. A cache path is
// trusted when it lies below the temporary folder and none of the folders
// below it on the way, nor the file itself, is a symbolic link or belongs to
// another user. Missing pieces are fine. Always true on Windows, where the
// temporary folder is the user's own.
bool isTrustedCacheFile(const QString& path);

// An existing, trusted cache file: what the catalogue treats as "in the cache".
bool isCachedFile(const QString& path);

// Creates a cache folder and the missing folders above it, each of those
// below the temporary folder owner-only on platforms other than Windows;
// logs "Create directory: <folder> /true|false" in "Info" when the folder had
// to be created.
bool makeCacheFolder(const QString& folder);

} // namespace zv
