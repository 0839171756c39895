#include "AgcParams.h"

#include "CfgNetClient.h"

#include <vector>

namespace {
// One value of the AGC part: the elements between the part's own element and
// the value's, its element, its type on the wire and where it lives.
struct AgcField {
    QStringList groups;
    QString element;
    WireType type;
    qint64 AgcParams::*member;  // null for a channel
    int channel;                // 0 to 15 for a channel, else -1
};

qint64 &ValueOf(AgcParams &values, const AgcField &field)
{
    return field.member ? values.*field.member : values.channelMode[field.channel];
}

qint64 ValueOf(const AgcParams &values, const AgcField &field)
{
    return field.member ? values.*field.member : values.channelMode[field.channel];
}

// In the file's order, which is the one the tool has always written.
const std::vector<AgcField> &Fields()
{
    static const std::vector<AgcField> fields = [] {
        const QStringList general = {QStringLiteral("GeneralConfig")};
        const QStringList channels = general + QStringList{QStringLiteral("GainAdjustMode")};
        const QStringList agc = {QStringLiteral("AGC")};
        std::vector<AgcField> f = {
            {general, "GainControlMode", WireType::U8, &AgcParams::gainControlMode, -1},
            {general, "ManualGain", WireType::I32, &AgcParams::manualGain, -1},
        };
        for (int k = 0; k < AgcParams::kChannels; ++k) {
            f.push_back(
                {channels, QStringLiteral("Channel%1").arg(k + 1), WireType::U8, nullptr, k});
        }
        const std::vector<AgcField> rest = {
            {agc, "TargetLevel", WireType::U8, &AgcParams::targetLevel, -1},
            {agc, "LoudnessSource", WireType::U8, &AgcParams::loudnessSource, -1},
            // Spelt so in every file the tool has written.
            {agc, "FreqencyCompensating", WireType::U8, &AgcParams::frequencyCompensation, -1},
            {agc, "StereoMode", WireType::U8, &AgcParams::stereoMode, -1},
            {agc, "NoiseThreshold", WireType::U8, &AgcParams::noiseThreshold, -1},
            {agc, "GainRatio", WireType::U8, &AgcParams::gainRatio, -1},
            {agc, "UpperThreshold", WireType::U8, &AgcParams::upperThreshold, -1},
            {agc, "LowerThreshold", WireType::U8, &AgcParams::lowerThreshold, -1},
            {agc, "OutputLimitThreshold", WireType::U8, &AgcParams::outputLimitThreshold, -1},
        };
        f.insert(f.end(), rest.begin(), rest.end());
        return f;
    }();
    return fields;
}

}  // namespace

bool AgcParams::operator==(const AgcParams &other) const
{
    for (const AgcField &field : Fields()) {
        if (ValueOf(*this, field) != ValueOf(other, field)) {
            return false;
        }
    }
    return true;
}

bool AgcControls::operator==(const AgcControls &o) const
{
    return gainModeIndex == o.gainModeIndex && manualGain == o.manualGain &&
           channelIndex == o.channelIndex && outputLimit == o.outputLimit &&
           targetLevel == o.targetLevel && loudnessIndex == o.loudnessIndex &&
           frequencyIndex == o.frequencyIndex && stereoIndex == o.stereoIndex &&
           noiseThreshold == o.noiseThreshold && gainRatioPercent == o.gainRatioPercent &&
           upperThreshold == o.upperThreshold && lowerThreshold == o.lowerThreshold;
}

namespace AgcModel {

AgcParams FromDevice(const AGCParam &p)
{
    AgcParams v;
    v.gainControlMode = p.gainControlMode;
    v.manualGain = p.manualGain;
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        v.channelMode[k] = p.channelMode[k];
    }
    v.targetLevel = p.targetLevel;
    v.loudnessSource = p.loudnessSource;
    v.frequencyCompensation = p.frequencyCompensation;
    v.stereoMode = p.stereoMode;
    v.noiseThreshold = p.noiseThreshold;
    v.gainRatio = p.gainRatio;
    v.upperThreshold = p.upperThreshold;
    v.lowerThreshold = p.lowerThreshold;
    v.outputLimitThreshold = p.outputLimitThreshold;
    return v;
}

AGCParam ToDevice(const AgcParams &v)
{
    AGCParam p;
    p.gainControlMode = v.gainControlMode != 0 ? 1 : 0;
    p.manualGain = static_cast<qint32>(v.manualGain);
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        p.channelMode[k] = static_cast<quint32>(v.channelMode[k]);
    }
    p.targetLevel = static_cast<quint8>(v.targetLevel);
    p.loudnessSource = static_cast<quint32>(v.loudnessSource);
    p.frequencyCompensation = v.frequencyCompensation != 0 ? 1 : 0;
    p.stereoMode = v.stereoMode != 0 ? 1 : 0;
    p.noiseThreshold = static_cast<quint8>(v.noiseThreshold);
    p.gainRatio = static_cast<quint8>(v.gainRatio);
    p.upperThreshold = static_cast<quint8>(v.upperThreshold);
    p.lowerThreshold = static_cast<quint8>(v.lowerThreshold);
    p.outputLimitThreshold = static_cast<quint8>(v.outputLimitThreshold);
    return p;
}

int Read(CfgNetClient &client, AgcParams &values, QString *failure)
{
    AGCParam param;
    if (client.GetAGCParam(param) != 0) {
        *failure = DeviceFailure("GetAGCParam", CfgNetClient::LastResult());
        return -1;
    }
    values = FromDevice(param);
    return 0;
}

int Write(CfgNetClient &client, const AgcParams &values, QString *failure)
{
    // A value cut down to its byte would reach the device as another value.
    if (!Check(values, failure)) {
        return -1;
    }
    if (client.SetAGCParam(ToDevice(values)) != 0) {
        *failure = DeviceFailure("SetAGCParam", CfgNetClient::LastResult());
        return -1;
    }
    return 0;
}

void ToDocument(XmlDocument &doc, const AgcParams &values)
{
    QDomElement root = doc.Root();
    QDomElement page = doc.CreateElement(QString::fromLatin1(kElement));
    doc.MergeChild(page, root);
    for (const AgcField &field : Fields()) {
        QDomElement parent = page;
        for (const QString &group : field.groups) {
            QDomElement child = doc.CreateElement(group);
            doc.MergeChild(child, parent);
            parent = child;
        }
        doc.AddTextElement(parent, field.element, QString::number(ValueOf(values, field)));
    }
}

bool FromDocument(const XmlDocument &doc, AgcParams &values, QString *problem)
{
    const DocPlace page = Below(RootPlace(doc), QString::fromLatin1(kElement), problem);
    if (page.element.isNull()) {
        return false;
    }
    AgcParams read;
    for (const AgcField &field : Fields()) {
        const QString path = (field.groups + QStringList{field.element}).join(QLatin1Char('/'));
        if (!ReadValue(page, path, field.type, &ValueOf(read, field), problem)) {
            return false;
        }
    }
    values = read;
    return true;
}

std::vector<EditField<AgcParams>> EditFields()
{
    std::vector<EditField<AgcParams>> out;
    for (const AgcField &field : Fields()) {
        out.push_back({[field](const AgcParams &v) { return ValueOf(v, field); },
                       [field](AgcParams &v, qint64 value) { ValueOf(v, field) = value; }});
    }
    return out;
}

bool Check(const AgcParams &values, QString *problem)
{
    for (const AgcField &field : Fields()) {
        const qint64 value = ValueOf(values, field);
        if (!Fits(value, field.type)) {
            *problem =
                ProblemAt((QStringList{QString::fromLatin1(kElement)} + field.groups +
                           QStringList{field.element})
                              .join(QLatin1Char('/')),
                          QCoreApplication::translate("ParamField", "%1 does not fit").arg(value));
            return false;
        }
    }
    return true;
}

int GainModeIndex(qint64 mode)
{
    return mode != 0 ? 0 : 1;
}

qint64 GainModeOf(int index)
{
    return index == 0 ? 1 : 0;
}

int ChannelIndex(qint64 mode)
{
    // The list reads "Auto", "Force On", "Force Off"; the device counts
    // auto, forced off, forced on.
    switch (mode) {
        case 0:
            return 0;
        case 1:
            return 2;
        case 2:
            return 1;
        default:
            return -1;
    }
}

qint64 ChannelModeOf(int index)
{
    // The swap of "Force On" and "Force Off" is its own inverse.
    return ChannelIndex(index);
}

int ShownDbfs(qint64 magnitude)
{
    return -static_cast<int>(magnitude);
}

qint64 MagnitudeOf(int dbfs)
{
    return ((-static_cast<qint64>(dbfs)) % 256 + 256) % 256;
}

int GainRatioPercent(qint64 code)
{
    switch (code) {
        case 0:
            return 100;
        case 1:
            return 75;
        case 2:
            return 50;
        case 3:
            return 25;
        default:
            return 0;  // no step of the box: shown marked at 25
    }
}

qint64 GainRatioOf(int percent)
{
    switch (percent) {
        case 100:
            return 0;
        case 75:
            return 1;
        case 50:
            return 2;
        default:
            return 3;
    }
}

int LoudnessIndex(qint64 source)
{
    return source == 0 || source == 1 ? int(source) : -1;
}

qint64 LoudnessOf(int index)
{
    return index < 0 ? kNoItem : index != 0 ? 1 : 0;
}

int EnabledIndex(qint64 flag)
{
    return flag == 1 ? 0 : flag == 0 ? 1 : -1;
}

qint64 EnabledOf(int index)
{
    return index < 0 ? kNoItem : index == 0 ? 1 : 0;
}

AgcControls ToControls(const AgcParams &v)
{
    AgcControls c;
    c.gainModeIndex = GainModeIndex(v.gainControlMode);
    c.manualGain = static_cast<int>(v.manualGain);
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        c.channelIndex[k] = ChannelIndex(v.channelMode[k]);
    }
    c.outputLimit = ShownDbfs(v.outputLimitThreshold);
    c.targetLevel = ShownDbfs(v.targetLevel);
    c.loudnessIndex = LoudnessIndex(v.loudnessSource);
    c.frequencyIndex = EnabledIndex(v.frequencyCompensation);
    c.stereoIndex = EnabledIndex(v.stereoMode);
    c.noiseThreshold = ShownDbfs(v.noiseThreshold);
    c.gainRatioPercent = GainRatioPercent(v.gainRatio);
    c.upperThreshold = static_cast<int>(v.upperThreshold);
    c.lowerThreshold = static_cast<int>(v.lowerThreshold);
    return c;
}

AgcParams FromControls(const AgcControls &c)
{
    AgcParams v;
    v.gainControlMode = GainModeOf(c.gainModeIndex);
    v.manualGain = c.manualGain;
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        v.channelMode[k] = ChannelModeOf(c.channelIndex[k]);
    }
    v.outputLimitThreshold = MagnitudeOf(c.outputLimit);
    v.targetLevel = MagnitudeOf(c.targetLevel);
    v.loudnessSource = LoudnessOf(c.loudnessIndex);
    v.frequencyCompensation = EnabledOf(c.frequencyIndex);
    v.stereoMode = EnabledOf(c.stereoIndex);
    v.noiseThreshold = MagnitudeOf(c.noiseThreshold);
    v.gainRatio = GainRatioOf(c.gainRatioPercent);
    v.upperThreshold = c.upperThreshold;
    v.lowerThreshold = c.lowerThreshold;
    return v;
}

}  // namespace AgcModel
