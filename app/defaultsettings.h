#pragma once

class QSettings;

namespace zv {

// A store without a single key has never been written: the client's first run.
bool isFirstRun(const QSettings& settings);

// Writes every key with its first-run value, in the order of the key table;
// right after general/autostart, and only when it reads back true, the
// autostart entry. The store is flushed at the end so that the defaults are
// on disk however this run ends.
void writeDefaultSettings(QSettings& settings);

} // namespace zv
