#pragma once

#include <QStringList>
#include <QTimer>

// Answers every modal message box that opens while it lives, as a user would
// (OK), and remembers their titles and texts in order. The boxes run their own
// modal loops, so it watches from a timer rather than from the test's code.
class MessageBoxCatcher : public QObject
{
public:
    // press: the text of a button to press instead of OK where a box has one.
    explicit MessageBoxCatcher(const QString& press = QString());
    QStringList titles() const { return m_titles; }
    QStringList texts() const { return m_texts; }
    // How much wider each box is than its title, in lines of the box's font.
    QList<double> titleRooms() const { return m_titleRooms; }

private:
    QTimer m_timer;
    QStringList m_titles, m_texts;
    QList<double> m_titleRooms;
};
