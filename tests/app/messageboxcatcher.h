#pragma once

#include <QStringList>
#include <QTimer>
#include <QVector>

// Answers every modal message box that opens while it lives, as a user would
// (OK), and remembers what each one said, in order. The boxes run their own
// modal loops, so it watches from a timer rather than from the test's code.
class MessageBoxCatcher : public QObject
{
public:
    struct Box
    {
        QString title, text;
        int icon = 0; // QMessageBox::Icon
        int buttonCount = 0;
        bool onlyOk = false; // a single button, and it is OK
    };

    MessageBoxCatcher();

    const QVector<Box>& boxes() const { return m_boxes; }
    QStringList titles() const;
    void clear() { m_boxes.clear(); }

private:
    QTimer m_timer;
    QVector<Box> m_boxes;
};
