#pragma once

#include <QObject>
#include <QString>

namespace zv {

// The stop of one running action (a download, an install), pulled by the
// button "Прервать" or by the client's own shutdown (quit, closing the
// window, the restart after saving the general page).
//
// Whoever runs a long step connects to stopRequested() and ends that step at
// once (aborting a reply, stopping 7-Zip and rolling back), and looks at
// isRequested() before starting the next one. A stopped step is a failure
// whose reason() the user reads beside the item.
class ActionStop : public QObject
{
    Q_OBJECT
public:
    explicit ActionStop(QObject* parent = nullptr);

    // A new action begins with nothing requested.
    void reset();
    // The first request wins: its reason is what the stopped item shows.
    void request(const QString& reason);
    bool isRequested() const { return m_requested; }
    QString reason() const { return m_reason; }

    // Reasons of the two ways an action is stopped.
    static QString byUserReason();
    static QString byShutdownReason();

signals:
    void stopRequested();

private:
    bool m_requested = false;
    QString m_reason;
};

} // namespace zv
