#include "settings/findrikdialog.h"

#include "settings/fixeddrives.h"
#include "settings/rikfoldersearch.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

FindRikDialog::FindRikDialog(QWidget* parent) : QDialog(parent)
{
    build(zv::fixedDriveRoots());
}

FindRikDialog::FindRikDialog(const QStringList& roots, QWidget* parent) : QDialog(parent)
{
    build(roots);
}

void FindRikDialog::build(const QStringList& roots)
{
    auto* layout = new QVBoxLayout;
    layout->addWidget(new QLabel(QStringLiteral("Список возможных папок с ПК РИК:"), this));

    m_folderPaths = zv::findRikFolders(roots);
    if (m_folderPaths.isEmpty()) {
        layout->addWidget(
            new QLabel(QStringLiteral("Не найдено подходящих папок, \n"
                                      "попробуйте указать напрямую, используя кнопку \"+\""),
                       this));
    }
    for (const QString& path : m_folderPaths) {
        // An "&" in a folder name would otherwise turn into a shortcut mark.
        QString shown = path;
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        auto* button = new QRadioButton(shown, this);
        m_folderButtons.append(button);
        layout->addWidget(button);
    }

    m_chooseButton = new QPushButton(QStringLiteral("Выбрать"), this);
    connect(m_chooseButton, &QPushButton::clicked, this, qOverload<>(&FindRikDialog::enterEvent));
    layout->addWidget(m_chooseButton);
    setLayout(layout);
}

void FindRikDialog::enterEvent()
{
    for (int i = 0; i < m_folderButtons.size(); ++i) {
        if (m_folderButtons.at(i)->isChecked())
            emit rikDir(m_folderPaths.at(i));
    }
    close();
}
