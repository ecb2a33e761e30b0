#pragma once

#include <QColor>
#include <QString>

class QProgressBar;
class QTableWidget;

// Reading and writing the cells of one catalogue row. Every cell is a value
// the table draws (an item), so a long name is cut with "…" and shown whole
// in its tooltip, and a row is read the same way whoever wrote it. The hidden
// columns are written through the model with the edit role and read back as
// display text (or as a boolean for isNew).
namespace zv::cells {

int appendRow(QTableWidget& table);

// The row's name with its tick box, in the row's colour (a style text such as
// "background-color: floralwhite").
void putTitle(QTableWidget& table, int row, const QString& title, const QString& colour);
QString titleAt(const QTableWidget& table, int row);
bool isTicked(const QTableWidget& table, int row);
void setTicked(QTableWidget& table, int row, bool ticked);
// An item the client cannot install offers no tick box.
void setTickable(QTableWidget& table, int row, bool tickable);

// The status in its colour, with the reason or detail as tooltip; takes away
// a progress bar laid over the cell.
void showStatus(QTableWidget& table, int row, const QString& text, const QString& colour,
                const QString& toolTip = QString());
// The status text; empty while a progress bar lies over the cell.
QString statusText(const QTableWidget& table, int row);
// A progress bar laid over the status cell while its item is downloaded or
// installed; the table owns it from here on.
void putProgressBar(QTableWidget& table, int row, QProgressBar* bar);
QProgressBar* progressBarAt(const QTableWidget& table, int row);

void writeText(QTableWidget& table, int row, int column, const QString& text);
QString textAt(const QTableWidget& table, int row, int column);
void writeIsNew(QTableWidget& table, int row, bool isNew);
bool isNewAt(const QTableWidget& table, int row);

QString idAt(const QTableWidget& table, int row);
QString urlAt(const QTableWidget& table, int row);
QString classAt(const QTableWidget& table, int row);

// The colour a style text names ("background-color: aquamarine;").
QColor colourOf(const QString& style);

} // namespace zv::cells
