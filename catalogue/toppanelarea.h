#pragma once

#include <QScrollArea>

// Holds the download tab's buttons and subscription panels. It asks for the
// height its wrapped lines need at its width, but yields down to the first
// line on a short screen and scrolls the rest: the catalogue below keeps
// room for its rows, and nothing is drawn over anything else.
class TopPanelArea : public QScrollArea
{
public:
    explicit TopPanelArea(QWidget* panel, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
