#include "SignalIOParams.h"

#include "CfgNetClient.h"

namespace {
const QVector<quint8> kGroups = {0, 1};

enum Set { Phase, Follow, Audio };

// The file's values in the order the tool writes them: the section element
// under the group (none: directly under it), the value's element, its field.
struct Field {
    const char *section;
    ParamField<SignalIOParams> value;
    Set set;
};

const Field kFields[] = {
    {"Genlocking", {"GenlockPhaseDelayLine", WireType::U16, &SignalIOParams::delayLine}, Phase},
    {"Genlocking", {"GenlockPhaseDelayPixel", WireType::U16, &SignalIOParams::delayPixel}, Phase},
    {"Genlocking",
     {"PhaseAlignFollowGenlock", WireType::U8, &SignalIOParams::followGenlock},
     Follow},
    {"Genlocking", {"SystemClockingMode", WireType::U8, &SignalIOParams::clockingMode}, Phase},
    {"QuietSwitching", {"IsEnable", WireType::U8, &SignalIOParams::fadingEnable}, Audio},
    {"QuietSwitching",
     {"AudioFadingDuration", WireType::U32, &SignalIOParams::fadingDuration},
     Audio},
    {nullptr, {"AudioDuplication", WireType::U8, &SignalIOParams::duplication}, Audio},
    {"OutputConfiguration", {"AuxSource", WireType::U8, &SignalIOParams::auxSource}, Audio},
};

// The dual model has no audio settings on its signal I/O pages.
bool Applies(const Field &field, SignalIOScope scope)
{
    return field.set != Audio || !scope.dual;
}

bool Has(const SignalIOParams &values, Set set)
{
    return set == Phase ? values.hasPhase : set == Follow ? values.hasFollow : values.hasAudio;
}

QString PathOf(SignalIOScope scope, const Field &field)
{
    QStringList parts = {QStringLiteral("configure"), QString::fromLatin1(SignalIOModel::kElement),
                         SignalIOModel::GroupElement(scope.group)};
    if (field.section) {
        parts << QString::fromLatin1(field.section);
    }
    parts << QString::fromLatin1(field.value.element);
    return parts.join(QLatin1Char('/'));
}

bool CheckSet(SignalIOScope scope, const SignalIOParams &values, Set set, QString *problem)
{
    for (const Field &field : kFields) {
        if (field.set == set && Applies(field, scope) &&
            !Fits(values.*field.value.member, field.value.type)) {
            *problem = ProblemAt(PathOf(scope, field),
                                 QCoreApplication::translate("ParamField", "%1 does not fit")
                                     .arg(values.*field.value.member));
            return false;
        }
    }
    return true;
}

int Failed(const char *operation, QString *failure)
{
    *failure = DeviceFailure(operation, CfgNetClient::LastResult());
    return -1;
}
}  // namespace

namespace SignalIOModel {

QString GroupElement(int group)
{
    return group == 0 ? QStringLiteral("GroupA") : QStringLiteral("GroupB");
}

int FollowIndex(qint64 flag)
{
    return flag == 0 || flag == 1 ? int(flag) : -1;
}

std::vector<EditField<SignalIOParams>> EditFields()
{
    using V = SignalIOParams;
    return {MemberField(&V::delayLine),     MemberField(&V::delayPixel),
            MemberField(&V::followGenlock), MemberField(&V::clockingMode),
            MemberField(&V::fadingEnable),  MemberField(&V::fadingDuration),
            MemberField(&V::duplication),   MemberField(&V::auxSource)};
}

int ReadPhase(CfgNetClient &client, SignalIOScope scope, SignalIOParams &values, QString *failure)
{
    QVector<quint16> lines, pixels;
    QVector<quint8> modes;
    if (client.GetGroupPhase(kGroups, lines, pixels, modes) != 0) {
        return Failed("GetPhase", failure);
    }
    values.delayLine = lines.value(scope.group);
    values.delayPixel = pixels.value(scope.group);
    values.clockingMode = modes.value(scope.group);
    return 0;
}

int Read(CfgNetClient &client, SignalIOScope scope, SignalIOParams &values, QString *failure)
{
    if (ReadPhase(client, scope, values, failure) != 0) {
        return -1;
    }
    QVector<quint8> flags;
    if (client.GetPhaseAutoAlign(flags) != 0) {
        return Failed("GetPhaseAutoAlign", failure);
    }
    values.followGenlock = flags.value(scope.group);
    if (scope.dual) {
        return 0;
    }
    quint8 enable = 0, duplication = 0, aux = 0;
    quint32 duration = 0;
    if (client.GetAudioEffect(0, enable, duration, duplication) != 0) {
        return Failed("GetAudioEffect", failure);
    }
    if (client.GetAUXOutputSelect(aux) != 0) {
        return Failed("GetAUXOutputSelect", failure);
    }
    values.fadingEnable = enable != 0 ? 1 : 0;  // a flag in the file
    values.fadingDuration = duration;
    values.duplication = duplication;
    values.auxSource = aux;
    return 0;
}

int WritePhase(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values,
               QString *failure)
{
    QVector<quint16> lines = {0, 0}, pixels = {0, 0};
    QVector<quint8> modes = {0, 0};
    // The dual model's other group is sent back as the device holds it.
    if (scope.dual && client.GetGroupPhase(kGroups, lines, pixels, modes) != 0) {
        return Failed("GetPhase", failure);
    }
    if (!CheckSet(scope, values, Phase, failure)) {
        return -1;
    }
    if (client.SetPhase(kGroups, Merged(lines, scope, quint16(values.delayLine)),
                        Merged(pixels, scope, quint16(values.delayPixel)),
                        Merged(modes, scope, quint8(values.clockingMode))) != 0) {
        return Failed("SetPhase", failure);
    }
    return 0;
}

int WriteFollow(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values,
                QString *failure)
{
    QVector<quint8> flags = {0, 0};
    if (scope.dual && client.GetPhaseAutoAlign(flags) != 0) {
        return Failed("GetPhaseAutoAlign", failure);
    }
    if (!CheckSet(scope, values, Follow, failure)) {
        return -1;
    }
    if (client.SetPhaseAutoAlign(Merged(flags, scope, quint8(values.followGenlock))) != 0) {
        return Failed("SetPhaseAutoAlign", failure);
    }
    return 0;
}

int WriteAudio(CfgNetClient &client, const SignalIOParams &values, QString *failure)
{
    if (!CheckSet({0, false}, values, Audio, failure)) {
        return -1;
    }
    if (client.SetAudioEffect(0, quint8(values.fadingEnable != 0), quint32(values.fadingDuration),
                              quint8(values.duplication)) != 0) {
        return Failed("SetAudioEffect", failure);
    }
    if (client.SetAUXOutputSelect(quint8(values.auxSource)) != 0) {
        return Failed("SetAUXOutputSelect", failure);
    }
    return 0;
}

int Write(CfgNetClient &client, SignalIOScope scope, const SignalIOParams &values, QString *failure)
{
    if (!Check(scope, values, failure)) {
        return -1;
    }
    if (values.hasPhase && WritePhase(client, scope, values, failure) != 0) {
        return -1;
    }
    if (values.hasFollow && WriteFollow(client, scope, values, failure) != 0) {
        return -1;
    }
    if (!scope.dual && values.hasAudio && WriteAudio(client, values, failure) != 0) {
        return -1;
    }
    return 0;
}

void ToDocument(XmlDocument &doc, SignalIOScope scope, const SignalIOParams &values)
{
    QDomElement root = doc.Root();
    QDomElement signalIO = doc.CreateElement(QString::fromLatin1(kElement));
    doc.MergeChild(signalIO, root);
    QDomElement group = doc.CreateElement(GroupElement(scope.group));
    doc.MergeChild(group, signalIO);
    for (const Field &field : kFields) {
        if (!Applies(field, scope)) {
            continue;
        }
        QDomElement parent = group;
        if (field.section) {
            parent = doc.CreateElement(QString::fromLatin1(field.section));
            doc.MergeChild(parent, group);
        }
        doc.AddTextElement(parent, QString::fromLatin1(field.value.element),
                           QString::number(values.*field.value.member));
    }
}

bool FromDocument(const XmlDocument &doc, SignalIOScope scope, SignalIOParams &values,
                  QString *problem)
{
    const QDomElement group = doc.Root()
                                  .firstChildElement(QString::fromLatin1(kElement))
                                  .firstChildElement(GroupElement(scope.group));
    values.hasPhase = values.hasFollow = values.hasAudio = true;
    for (const Field &field : kFields) {
        if (!Applies(field, scope)) {
            continue;
        }
        QDomElement parent = group;
        if (field.section) {
            parent = group.firstChildElement(QString::fromLatin1(field.section));
        }
        const QString text =
            parent.firstChildElement(QString::fromLatin1(field.value.element)).text();
        // An empty or missing value leaves its whole set out of the import.
        if (text.trimmed().isEmpty()) {
            (field.set == Phase    ? values.hasPhase
             : field.set == Follow ? values.hasFollow
                                   : values.hasAudio) = false;
            continue;
        }
        QString reason;
        if (!ParseValue(text, field.value.type, &(values.*field.value.member), &reason)) {
            *problem = ProblemAt(PathOf(scope, field), reason);
            return false;
        }
    }
    return true;
}

bool Check(SignalIOScope scope, const SignalIOParams &values, QString *problem)
{
    for (Set set : {Phase, Follow, Audio}) {
        if (Has(values, set) && !(set == Audio && scope.dual) &&
            !CheckSet(scope, values, set, problem)) {
            return false;
        }
    }
    return true;
}

}  // namespace SignalIOModel
