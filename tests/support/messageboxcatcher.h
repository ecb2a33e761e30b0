#pragma once

#include <QStringList>
#include <QTimer>

// Answers every modal message box that opens while it lives, as a user would
// (OK), and remembers their titles and texts in order. The boxes run their own
// modal loops, so it watches from a timer rather than from the test's code.
class MessageBoxCatcher : public QObject
{
public:
    MessageBoxCatcher();
    QStringList titles() const { return m_titles; }
    QStringList texts() const { return m_texts; }

private:
    QTimer m_timer;
    QStringList m_titles, m_texts;
};
