#pragma once

#include <QProxyStyle>

// Lets a tab bar on the left or right keep its side-tab frames while its
// titles read horizontally: each tab is given the size a top tab would need,
// turned on its side, and its label is drawn as if the bar stood on top.
class CustomTabStyle : public QProxyStyle
{
    Q_OBJECT
public:
    // Wraps the application's current style.
    CustomTabStyle() = default;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
};
