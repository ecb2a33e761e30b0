// Single questions to the service about the customer's account and about
// current versions.
#include "catalogue/downloadtab.h"

#include "catalogue/answerfields.h"
#include "catalogue/subscriptiongroup.h"
#include "catalogue/versiontext.h"
#include "catalogue/wrappinglayout.h"
#include "service/serviceexchange.h"
#include "service/statements.h"
#include "settings/settingkeys.h"

#include <QFileInfo>
#include <QGroupBox>

void DownloadTab::setSubscriptionInfo()
{
    if (m_settings.value(zv::keys::generalUseRik).toBool()) {
        const QString key = m_settings.value(zv::keys::rikKey).toString();
        const auto rows = zv::sendServiceQuery(this, zv::statements::rikSubscription(key),
                                               QStringLiteral("setSubscriptionInfo: "), &m_reply);
        if (rows) {
            QGroupBox* group = zv::subscriptionGroup(
                QStringLiteral("Подписки на ПК РИК до:"),
                {{QStringLiteral("Обновление программы:"), QStringLiteral("Окончание")},
                 {QStringLiteral("Пакет \"Зелвинора\":"), QStringLiteral("пакетДилера")},
                 {QStringLiteral("Обновление БД ГСН:"), QStringLiteral("ПодпискаФЭР")},
                 {QStringLiteral("\"Индексы Минстроя РФ\":"),
                  QStringLiteral("subscription_index_minstroy")}},
                zv::firstRow(*rows));
            group->setObjectName(QStringLiteral("rikSubscription"));
            group->setParent(this);
            m_topPanel->addWidget(group);
        }
    }
    if (m_settings.value(zv::keys::generalUseGrand).toBool())
        setSubscriptionInfoGrand();
}

void DownloadTab::setSubscriptionInfoGrand()
{
    const QString series = m_settings.value(zv::keys::grandKeySerial).toString();
    const QString number = m_settings.value(zv::keys::grandKeyNumber).toString();
    const auto rows = zv::sendServiceQuery(this, zv::statements::grandSubscription(series, number),
                                           QStringLiteral("setSubscriptionInfoGrand: "), &m_reply);
    if (!rows)
        return;
    QGroupBox* group = zv::subscriptionGroup(
        QStringLiteral("Подписки на Гранд-Смета до:"),
        {{QStringLiteral("Обновление программы:"), QStringLiteral("subscription_grand_update")},
         {QStringLiteral("Обновление БД ГСН:"), QStringLiteral("subscription_gsn")},
         {QStringLiteral("Обновление БД \"ГРАНД-СтройМатериалы\":"),
          QStringLiteral("subscription_building_materials")}},
        zv::firstRow(*rows));
    group->setObjectName(QStringLiteral("grandSubscription"));
    group->setParent(this);
    m_topPanel->addWidget(group);
}

float DownloadTab::getCurrentVersionNB(const QString& nb)
{
    // A build has asked for the versions of all its bases together.
    const auto rows = m_answers.prepared
                          ? m_answers.baseVersions.value(nb)
                          : zv::sendServiceQuery(this, zv::statements::baseVersion(nb),
                                                 QStringLiteral("getCurrentVersionNB:"), &m_reply);
    if (!rows)
        return -1;
    bool ok = false;
    const float version =
        zv::columnText(zv::firstRow(*rows), QStringLiteral("RikCurrentVersion")).toFloat(&ok);
    return ok ? version : 0.0f;
}

QMap<QString, float> DownloadTab::getCurVersion(const QString& product, bool* reachedService)
{
    const auto rows = zv::sendServiceQuery(this, zv::statements::productVersion(product),
                                           QStringLiteral("getCurVersion:"), &m_reply,
                                           reachedService);
    if (!rows)
        return {};
    return zv::versiontext::parse(zv::columnText(zv::firstRow(*rows), QStringLiteral("Version")));
}

bool DownloadTab::isNewUser()
{
    const QString key = m_settings.value(zv::keys::rikKey).toString();
    const auto rows = m_answers.prepared
                          ? m_answers.userFile
                          : zv::sendServiceQuery(this, zv::statements::userFileChange(key),
                                                 QStringLiteral("isNewUser:"), &m_reply);
    if (!rows)
        return false;
    const QFileInfo localFile(m_settings.value(zv::keys::rikPath).toString() +
                              QStringLiteral("/user.rik"));
    const QDateTime changed = zv::answer::dateTimeAt(
        zv::columnText(zv::firstRow(*rows), QStringLiteral("последнее Изменение")),
        zv::answer::Seconds::Read);
    if (!localFile.exists())
        return true;
    return changed.isValid() && localFile.lastModified() < changed;
}
