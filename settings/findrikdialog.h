#pragma once

#include <QDialog>
#include <QList>
#include <QStringList>

class QPushButton;
class QRadioButton;

// Offers the folders at the top of the fixed drives whose names contain "rik"
// and hands the one the user picks to whoever listens to rikDir.
class FindRikDialog : public QDialog
{
    Q_OBJECT
public:
    // Searches the fixed drives at once.
    explicit FindRikDialog(QWidget* parent = nullptr);
    // Searches the given roots (each ending in "/") instead.
    FindRikDialog(const QStringList& roots, QWidget* parent);

signals:
    void rikDir(QString path);

public slots:
    // Connected to "Выбрать": emits the checked folder, if any, and closes.
    void enterEvent();

protected:
    // The mouse-enter handler keeps working beside the slot of the same name.
    using QDialog::enterEvent;

private:
    void build(const QStringList& roots);

    QList<QRadioButton*> m_folderButtons;
    QStringList m_folderPaths;
    QPushButton* m_chooseButton = nullptr;
};
