#include "catalogue/endingsanswer.h"

#include "catalogue/answerfields.h"
#include "service/serviceexchange.h"

namespace zv {
namespace {

int recordNumber(const QJsonValue& value)
{
    if (value.isDouble())
        return value.toInt();
    bool ok = false;
    const int number = value.toString().toInt(&ok, 10);
    return ok ? number : 0;
}

} // namespace

VAR varFromJson(const QJsonObject& object)
{
    const auto text = [&object](const char* name) {
        return columnText(object, QLatin1String(name));
    };
    VAR record;
    record.number = recordNumber(object.value(QStringLiteral("number")));
    record.type = text("type");
    record.name = text("name");
    record.daNet = text("daNet");
    record.baze_4 = text("baze_4");
    record.baze_1 = text("baze_1");
    record.baze_M = text("baze_M");
    record.baze_G = text("baze_G");
    record.B_421_MDS = text("B_421_MDS");
    record.RAZDEL = text("RAZDEL");
    record.LIMZTRFILE = text("LIMZTRFILE");
    record.KONZ_ID = text("KONZ_ID");
    record.CENA_METOD = text("CENA_METOD");
    record.C4NOT_INC3 = text("C4NOT_INC3");
    record.SUBVER_421 = text("SUBVER_421");
    record.lastChange = answer::dateTimeAt(text("lastChange"), answer::Seconds::Read);
    return record;
}

} // namespace zv
