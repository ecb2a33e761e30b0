#pragma once

#include <QString>

class QCheckBox;
class QLabel;
class QTableWidget;
class QWidget;

// Reading and writing the cells of one catalogue row. The hidden columns are
// written through the model with the edit role and read back as display text
// (or as a boolean for isNew), so every reader sees the same values.
namespace zv::cells {

int appendRow(QTableWidget& table);

QCheckBox* putTitle(QTableWidget& table, int row, const QString& title, const QString& colour);
QCheckBox* titleBox(const QTableWidget& table, int row);
bool isTicked(const QTableWidget& table, int row);
void setTicked(QTableWidget& table, int row, bool ticked);

// A status label, centred both ways.
QLabel* newStatusLabel(const QString& text, const QString& styleSheet);
void setStatus(QLabel& label, const QString& text, const QString& styleSheet);
void putStatusWidget(QTableWidget& table, int row, QWidget* widget);
// The label in the status cell; null while the cell holds anything else
// (a progress bar during a download) or nothing yet.
QLabel* statusLabel(const QTableWidget& table, int row);
QString statusText(const QTableWidget& table, int row);
// Puts a label with this status into the cell, replacing whatever is there.
void showStatus(QTableWidget& table, int row, const QString& text, const QString& styleSheet);

void writeText(QTableWidget& table, int row, int column, const QString& text);
QString textAt(const QTableWidget& table, int row, int column);
void writeIsNew(QTableWidget& table, int row, bool isNew);
bool isNewAt(const QTableWidget& table, int row);

QString idAt(const QTableWidget& table, int row);
QString urlAt(const QTableWidget& table, int row);
QString classAt(const QTableWidget& table, int row);

} // namespace zv::cells
