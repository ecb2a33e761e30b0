#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QDialog;
class QWidget;

namespace zv::test {

// Test mode, the client's identity and its settings format, as main() sets them.
void prepareSettingsProcess();
// Empties the store and the download cache between cases.
void resetStoreAndCache();

// The one child of root that shows exactly this text (buttons and labels) or
// title (group boxes); nullptr when there is none or more than one.
template <class T> T* childShowing(QObject* root, const QString& text)
{
    T* found = nullptr;
    for (T* child : root->findChildren<T*>()) {
        QString shown;
        if constexpr (std::is_base_of_v<QGroupBox, T>)
            shown = child->title();
        else
            shown = child->text();
        if (shown != text)
            continue;
        if (found)
            return nullptr;
        found = child;
    }
    return found;
}

struct SeenMessage
{
    QString title;
    QString text;
    int buttonCount = 0;
};

// Watches for modal dialogs while it lives. Message boxes are recorded and
// closed with their OK button; any other modal dialog goes to the handler
// given, which must close it.
class ModalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ModalWatcher(std::function<void(QDialog*)> otherDialogs = {});

    const QList<SeenMessage>& messages() const { return m_messages; }

private:
    void look();

    QTimer m_timer;
    std::function<void(QDialog*)> m_otherDialogs;
    QList<SeenMessage> m_messages;
};

} // namespace zv::test
