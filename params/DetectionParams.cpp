#include "DetectionParams.h"

#include "CfgNetClient.h"

#include <QStringList>

#include <type_traits>
#include <utility>

namespace {
using Param = DetectionParam;

// The record's field types are its wire types.
template <class T>
constexpr WireType WireOf()
{
    if constexpr (std::is_same_v<T, quint8>) {
        return WireType::U8;
    } else if constexpr (std::is_same_v<T, quint16>) {
        return WireType::U16;
    } else if constexpr (std::is_same_v<T, quint32>) {
        return WireType::U32;
    } else {
        static_assert(std::is_same_v<T, qint32>, "a detection field of another width");
        return WireType::I32;
    }
}

// One value of an input's part of the file: the part element below the input
// ("VideoBlack/Region"), the value element, its type and the record's field.
// A channel mask stands for its 16 flags "Ch1Enable" to "Ch16Enable".
struct Row {
    const char *part;
    const char *element;
    WireType type;
    bool channels;
    qint64 (*get)(const Param &);
    void (*set)(Param &, qint64);
};

template <auto Member>
using FieldType = std::remove_reference_t<decltype(std::declval<Param &>().*Member)>;

template <auto Member>
Row Field(const char *part, const char *element)
{
    using T = FieldType<Member>;
    return {part,
            element,
            WireOf<T>(),
            false,
            [](const Param &p) -> qint64 { return p.*Member; },
            [](Param &p, qint64 value) { p.*Member = static_cast<T>(value); }};
}

// The flags are bytes in the file: 0 or 1 written, any other number read as set.
template <auto Member>
Row Channels(const char *part)
{
    static_assert(std::is_same_v<FieldType<Member>, quint16>, "a channel mask is 16 bits");
    return {part,
            "Ch%1Enable",
            WireType::U8,
            true,
            [](const Param &p) -> qint64 { return p.*Member; },
            [](Param &p, qint64 value) { p.*Member = static_cast<quint16>(value); }};
}

constexpr int kChannels = 16;

// In the file's order; export and import both walk it.
const Row kRows[] = {
    Field<&Param::lostEnable>("VideoLost", "IsEnable"),
    Field<&Param::lostTriggerTime>("VideoLost", "TriggerTime"),
    Field<&Param::lostClearTime>("VideoLost", "ClearTime"),
    Field<&Param::formatEnable>("FormatError", "IsEnable"),
    Field<&Param::formatTriggerTime>("FormatError", "TriggerTime"),
    Field<&Param::formatClearTime>("FormatError", "ClearTime"),
    Field<&Param::syncEnable>("SyncFailed", "IsEnable"),
    Field<&Param::syncTriggerTime>("SyncFailed", "TriggerTime"),
    Field<&Param::syncClearTime>("SyncFailed", "ClearTime"),
    Field<&Param::blackEnable>("VideoBlack", "IsEnable"),
    Field<&Param::blackValue1>("VideoBlack", "UpperThreshold"),
    Field<&Param::blackValue2>("VideoBlack", "LowerThreshold"),
    Field<&Param::blackValue3>("VideoBlack", "Degree"),
    Field<&Param::blackTriggerTime>("VideoBlack", "TriggerTime"),
    Field<&Param::blackClearTime>("VideoBlack", "ClearTime"),
    Field<&Param::blackRegionEnable>("VideoBlack/Region", "IsEnable"),
    Field<&Param::blackRegionLeft>("VideoBlack/Region", "Left"),
    Field<&Param::blackRegionRight>("VideoBlack/Region", "Right"),
    Field<&Param::blackRegionTop>("VideoBlack/Region", "Top"),
    Field<&Param::blackRegionBottom>("VideoBlack/Region", "Bottom"),
    Field<&Param::blackRegionInvert>("VideoBlack/Region", "IsInvert"),
    Field<&Param::freezeEnable>("VideoFreeze", "IsEnable"),
    Field<&Param::freezeValue1>("VideoFreeze", "Diff"),
    Field<&Param::freezeValue2>("VideoFreeze", "Degree"),
    Field<&Param::freezeTriggerTime>("VideoFreeze", "TriggerTime"),
    Field<&Param::freezeClearTime>("VideoFreeze", "ClearTime"),
    Field<&Param::freezeRegionEnable>("VideoFreeze/Region", "IsEnable"),
    Field<&Param::freezeRegionLeft>("VideoFreeze/Region", "Left"),
    Field<&Param::freezeRegionRight>("VideoFreeze/Region", "Right"),
    Field<&Param::freezeRegionTop>("VideoFreeze/Region", "Top"),
    Field<&Param::freezeRegionBottom>("VideoFreeze/Region", "Bottom"),
    Field<&Param::freezeRegionInvert>("VideoFreeze/Region", "IsInvert"),
    Channels<&Param::audioLostChannels>("AudioLost"),
    Field<&Param::audioLostTriggerTime>("AudioLost", "TriggerTime"),
    Field<&Param::audioLostClearTime>("AudioLost", "ClearTime"),
    Channels<&Param::audioSilentChannels>("AudioSilent"),
    Field<&Param::audioSilentThreshold>("AudioSilent", "Threshold"),
    Field<&Param::audioSilentTriggerTime>("AudioSilent", "TriggerTime"),
    Field<&Param::audioSilentClearTime>("AudioSilent", "ClearTime"),
};

// The value elements of a row: its element, or the 16 channel flags.
QStringList Elements(const Row &row)
{
    if (!row.channels) {
        return {QString::fromLatin1(row.element)};
    }
    QStringList names;
    for (int k = 1; k <= kChannels; ++k) {
        names << QString::fromLatin1(row.element).arg(k);
    }
    return names;
}

// The element at `path` ("a/b") below `parent`, each step reused when present.
QDomElement Merged(XmlDocument &doc, QDomElement parent, const QString &path)
{
    for (const QString &tag : path.split(QLatin1Char('/'))) {
        QDomElement child = doc.CreateElement(tag);
        doc.MergeChild(child, parent);
        parent = child;
    }
    return parent;
}

}  // namespace

namespace DetectionModel {

QString GroupElement(DetectionScope scope)
{
    return scope.dual && scope.input >= 2 ? QStringLiteral("GroupB") : QStringLiteral("GroupA");
}

QString InputElement(DetectionScope scope)
{
    const int number = scope.dual ? scope.input % 2 + 1 : scope.input + 1;
    return QStringLiteral("Input%1").arg(number);
}

QString InputPath(DetectionScope scope)
{
    return QStringLiteral("%1/Settings/%2/%3")
        .arg(QLatin1String(kElement), GroupElement(scope), InputElement(scope));
}

int Read(CfgNetClient &client, int input, DetectionParam &param, QString *failure)
{
    DetectionParam read;
    if (client.GetDetectionParam(input, read) != 0) {
        *failure = DeviceFailure("GetDetectionParam", CfgNetClient::LastResult());
        return -1;
    }
    param = read;
    return 0;
}

int Write(CfgNetClient &client, int input, const DetectionParam &param, QString *failure)
{
    if (client.SetDetectionParam(input, param) != 0) {
        *failure = DeviceFailure("SetDetectionParam", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

std::vector<EditField<DetectionParam>> EditFields()
{
    using F = EditField<DetectionParam>;
    std::vector<F> fields;
    for (const Row &row : kRows) {
        const bool edge = QByteArray(row.part).endsWith("/Region") &&
                          QByteArray(row.element) != "IsEnable" &&
                          QByteArray(row.element) != "IsInvert";
        fields.push_back({row.get, row.set,
                          row.channels ? F::Flags
                          : edge       ? F::AsShown
                                       : F::Whole});
    }
    return fields;
}

void ToDocument(XmlDocument &doc, DetectionScope scope, const DetectionParam &param)
{
    const QDomElement input = Merged(doc, doc.Root(), InputPath(scope));
    for (const Row &row : kRows) {
        QDomElement part = Merged(doc, input, QString::fromLatin1(row.part));
        const qint64 value = row.get(param);
        const QStringList names = Elements(row);
        for (int k = 0; k < names.size(); ++k) {
            doc.AddTextElement(part, names[k],
                               QString::number(row.channels ? (value >> k) & 1 : value));
        }
    }
}

bool FromDocument(const XmlDocument &doc, DetectionScope scope, DetectionParam &param,
                  QString *problem)
{
    const DocPlace input = Below(RootPlace(doc), InputPath(scope), problem);
    if (input.element.isNull()) {
        return false;
    }
    DetectionParam read;
    for (const Row &row : kRows) {
        const QStringList names = Elements(row);
        qint64 field = 0;
        for (int k = 0; k < names.size(); ++k) {
            qint64 value = 0;
            if (!ReadValue(input, QString::fromLatin1(row.part) + QLatin1Char('/') + names[k],
                           row.type, &value, problem)) {
                return false;
            }
            field = row.channels ? field | (qint64(value != 0) << k) : value;
        }
        row.set(read, field);
    }
    param = read;
    return true;
}

}  // namespace DetectionModel
