#include "SystemAlarmParams.h"

#include "CfgNetClient.h"

namespace {
constexpr char kSettings[] = "Settings";
constexpr char kSystem[] = "System";

QDomElement Merged(XmlDocument &doc, QDomElement &parent, const QString &tag)
{
    QDomElement element = doc.CreateElement(tag);
    doc.MergeChild(element, parent);
    return element;
}

}  // namespace

namespace SystemAlarmModel {

const std::vector<SystemAlarmBit> &Bits(bool dual)
{
    return SystemAlarmEntries(dual);
}

std::vector<EditField<SystemAlarm>> EditFields()
{
    return {{[](const SystemAlarm &mask) -> qint64 { return mask; },
             [](SystemAlarm &mask, qint64 value) { mask = static_cast<SystemAlarm>(value); },
             EditField<SystemAlarm>::Flags}};
}

SystemAlarm PageMask(bool dual, SystemAlarm mask)
{
    SystemAlarm kept = 0;
    for (const SystemAlarmBit &row : Bits(dual)) {
        kept |= mask & (1u << row.bit);
    }
    return kept;
}

int Read(CfgNetClient &client, SystemAlarm &mask, QString *failure)
{
    if (client.GetSystemAlarmParam(mask) != 0) {
        *failure = DeviceFailure("GetSystemAlarmParam", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

int Write(CfgNetClient &client, SystemAlarm mask, QString *failure)
{
    if (client.SetSystemAlarmParam(mask) != 0) {
        *failure = DeviceFailure("SetSystemAlarmParam", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

void ToDocument(XmlDocument &doc, bool dual, SystemAlarm mask)
{
    QDomElement element = doc.Root();
    for (const char *tag : {kElement, kSettings, kSystem}) {
        element = Merged(doc, element, QLatin1String(tag));
    }
    for (const SystemAlarmBit &row : Bits(dual)) {
        QDomElement parent = *row.group ? Merged(doc, element, QLatin1String(row.group)) : element;
        doc.AddTextElement(parent, QLatin1String(row.element),
                           QString::number((mask >> row.bit) & 1u));
    }
}

bool FromDocument(const XmlDocument &doc, bool dual, SystemAlarm &mask, QString *problem)
{
    const DocPlace system =
        Below(RootPlace(doc),
              QStringLiteral("%1/%2/%3")
                  .arg(QLatin1String(kElement), QLatin1String(kSettings), QLatin1String(kSystem)),
              problem);
    if (system.element.isNull()) {
        return false;
    }
    SystemAlarm read = 0;
    for (const SystemAlarmBit &row : Bits(dual)) {
        const QString path = *row.group ? QStringLiteral("%1/%2").arg(QLatin1String(row.group),
                                                                      QLatin1String(row.element))
                                        : QLatin1String(row.element);
        qint64 number = 0;
        if (!ReadValue(system, path, WireType::I32, &number, problem)) {
            return false;
        }
        if (number == 1) {
            read |= 1u << row.bit;
        }
    }
    mask = read;
    return true;
}

}  // namespace SystemAlarmModel
