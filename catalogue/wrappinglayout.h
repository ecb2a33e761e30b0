#pragma once

#include <QLayout>
#include <QList>

// Lays its items out side by side at their preferred sizes, top-aligned,
// and starts a new line when the next one would not fit: the download tab's
// buttons and subscription panels stand in one line on a wide screen and in
// two on a narrow or scaled one, never squeezed below what they need.
class WrappingLayout : public QLayout
{
public:
    explicit WrappingLayout(QWidget* parent = nullptr);
    ~WrappingLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return m_items.size(); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;

    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    // Places the items within rect (or only measures); answers the height used.
    int arrange(const QRect& rect, bool place) const;

    QList<QLayoutItem*> m_items;
};
