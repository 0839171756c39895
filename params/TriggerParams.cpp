#include "TriggerParams.h"

#include "CfgNetClient.h"

namespace {
// One input's values as the file holds them, before they are known to fit.
struct FileEntry {
    qint64 video = 0;
    qint64 lost = 0;
    qint64 silent = 0;
    qint64 combination = 0;
};

// The combination goes out as one byte, so a larger number in a file would
// reach the device as another rule.
const ParamField<FileEntry> kFields[] = {
    {"VideoAlarmMask", WireType::U32, &FileEntry::video},
    {"AudioLostAlarmMask", WireType::U16, &FileEntry::lost},
    {"AudioSilentAlarmMask", WireType::U16, &FileEntry::silent},
    {"TriggerCombination", WireType::U8, &FileEntry::combination},
};

QString InputElement(int input)
{
    return QStringLiteral("Input%1").arg(input + 1);
}

QDomElement Merged(XmlDocument &doc, QDomElement &parent, const QString &tag)
{
    QDomElement element = doc.CreateElement(tag);
    doc.MergeChild(element, parent);
    return element;
}

// One member of one input's entry, for Apply's fields.
template <class T>
EditField<AlarmTriggers> EntryField(int input, T alarmTrigger::*member,
                                    typename EditField<AlarmTriggers>::Kind kind)
{
    return {[=](const AlarmTriggers &e) -> qint64 { return e.value(input).*member; },
            [=](AlarmTriggers &e, qint64 value) { e[input].*member = static_cast<T>(value); },
            kind};
}
}  // namespace

namespace TriggerModel {

int Read(CfgNetClient &client, AlarmTriggers &entries, QString *failure)
{
    AlarmTriggers read;
    if (client.GetAutoSwitchTrigger(read) != 0) {
        *failure = DeviceFailure("GetAutoSwitchTrigger", CfgNetClient::LastResult());
        return -1;
    }
    entries = read;
    return 0;
}

int Write(CfgNetClient &client, const AlarmTriggers &entries, QString *failure)
{
    if (entries.size() != kInputCount) {
        *failure = ProblemAt(QStringLiteral("SetAutoSwitchTrigger"),
                             QCoreApplication::translate("ParamField", "four entries needed"));
        return -1;
    }
    if (client.SetAutoSwitchTrigger(entries) != 0) {
        *failure = DeviceFailure("SetAutoSwitchTrigger", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

void ToDocument(XmlDocument &doc, const AlarmTriggers &entries)
{
    QDomElement root = doc.Root();
    QDomElement page = Merged(doc, root, QLatin1String(kElement));
    QDomElement combination = Merged(doc, page, QLatin1String(kCombinationElement));
    for (int input = 0; input < entries.size(); ++input) {
        const alarmTrigger &entry = entries[input];
        const FileEntry values{entry.VideoAlarmMask, entry.AudioLostAlarmMask,
                               entry.AudioSilentAlarmMask, entry.TriggerCombination};
        QDomElement element = Merged(doc, combination, InputElement(input));
        for (const ParamField<FileEntry> &field : kFields) {
            doc.AddTextElement(element, QString::fromLatin1(field.element),
                               QString::number(values.*field.member));
        }
    }
}

bool FromDocument(const XmlDocument &doc, AlarmTriggers &entries, QString *problem)
{
    const DocPlace combination = Below(
        RootPlace(doc),
        QStringLiteral("%1/%2").arg(QLatin1String(kElement), QLatin1String(kCombinationElement)),
        problem);
    if (combination.element.isNull()) {
        return false;
    }
    AlarmTriggers read(kInputCount);
    for (int input = 0; input < kInputCount; ++input) {
        const DocPlace element = Below(combination, InputElement(input), problem);
        if (element.element.isNull()) {
            return false;
        }
        FileEntry values;
        for (const ParamField<FileEntry> &field : kFields) {
            if (!ReadValue(element, QString::fromLatin1(field.element), field.type,
                           &(values.*field.member), problem)) {
                return false;
            }
        }
        read[input].VideoAlarmMask = static_cast<AlarmType>(values.video);
        read[input].AudioLostAlarmMask = static_cast<quint16>(values.lost);
        read[input].AudioSilentAlarmMask = static_cast<quint16>(values.silent);
        read[input].TriggerCombination = static_cast<quint32>(values.combination);
    }
    entries = read;
    return true;
}

bool IsTicked(const alarmTrigger &entry, int row)
{
    if (row < 0 || row >= kSourceRows) {
        return false;
    }
    if (row < kFirstLostRow) {
        return entry.VideoAlarmMask & (1u << row);
    }
    if (row < kFirstSilentRow) {
        return entry.AudioLostAlarmMask & (1u << (row - kFirstLostRow));
    }
    return entry.AudioSilentAlarmMask & (1u << (row - kFirstSilentRow));
}

void SetTicked(alarmTrigger &entry, int row, bool ticked)
{
    const auto put = [ticked](auto &mask, int bit) {
        using Mask = std::remove_reference_t<decltype(mask)>;
        const Mask flag = static_cast<Mask>(1u << bit);
        mask = static_cast<Mask>(ticked ? (mask | flag) : (mask & ~flag));
    };
    if (row < 0 || row >= kSourceRows) {
        return;
    }
    if (row < kFirstLostRow) {
        put(entry.VideoAlarmMask, row);
    } else if (row < kFirstSilentRow) {
        put(entry.AudioLostAlarmMask, row - kFirstLostRow);
    } else {
        put(entry.AudioSilentAlarmMask, row - kFirstSilentRow);
    }
}

int CombinationIndex(quint32 combination)
{
    return combination <= kCombinationNone ? int(combination) : -1;
}

quint32 CombinationOfIndex(int index)
{
    return index >= 0 && index <= int(kCombinationNone) ? quint32(index) : quint32(kNoItem);
}

std::vector<EditField<AlarmTriggers>> EditFields()
{
    using F = EditField<AlarmTriggers>;
    std::vector<F> fields;
    for (int input = 0; input < kInputCount; ++input) {
        fields.push_back(EntryField(input, &alarmTrigger::VideoAlarmMask, F::Flags));
        fields.push_back(EntryField(input, &alarmTrigger::AudioLostAlarmMask, F::Flags));
        fields.push_back(EntryField(input, &alarmTrigger::AudioSilentAlarmMask, F::Flags));
        fields.push_back(EntryField(input, &alarmTrigger::TriggerCombination, F::Whole));
    }
    return fields;
}

}  // namespace TriggerModel
