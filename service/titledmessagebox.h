#pragma once

#include <QString>

class QMessageBox;
class QWidget;

namespace zv {

// QMessageBox sizes itself by its text and measures its title in a font of
// its own guess; a window manager that draws the title larger, beside an icon
// and a close button (Windows, Wine, some Linux styles), then cuts the title.
// Call just before the box is shown, after its texts, icon and buttons.
void fitBoxToTitle(QMessageBox& box);

// An information box with a single OK button, wide enough for its title.
void showInformationBox(QWidget* parent, const QString& title, const QString& text);

} // namespace zv
