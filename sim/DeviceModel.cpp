#include "DeviceModel.h"

#include <algorithm>

namespace {
// System alarm bits of the switching events of group A; group B's are 7 higher.
constexpr int kBitClockUnlocked = 1;
constexpr int kBitSourceSwitched = 2;
constexpr int kBitGpiRelay = 3;
constexpr int kBitGpi1 = 4;
constexpr int kBitGpi2 = 5;
constexpr int kBitBypassed = 6;
constexpr int kBitOutputSwitched = 7;
constexpr int kGroupBOffset = 7;
constexpr int kBitGpi3 = 11;  // 4x1 models
constexpr int kBitGpi4 = 12;
constexpr int kBitPs1 = 15;
constexpr int kBitPs2 = 16;

constexpr SystemAlarm Bit(int n)
{
    return SystemAlarm(1) << n;
}

AlarmType EnabledVideo(const DetectionParam &d)
{
    AlarmType mask = 0;
    mask |= d.lostEnable ? kAlarmSignalLost : 0;
    mask |= d.formatEnable ? kAlarmFormatError : 0;
    mask |= d.syncEnable ? kAlarmSyncFailed : 0;
    mask |= d.blackEnable ? kAlarmVideoBlack : 0;
    mask |= d.freezeEnable ? kAlarmVideoFrozen : 0;
    return mask;
}
}  // namespace

DeviceModel::DeviceModel(quint32 code) : productCode(code)
{
    const quint8 sn[8] = {'Q', 'V', 0x00, 0x00, 0x30, 0x39, 0x00, 0x2A};  // QV00012345-00000042
    std::copy(sn, sn + 8, serial);
    for (DetectionParam &d : detection) {
        d.lostEnable = 1;
        d.lostTriggerTime = 1;
        d.lostClearTime = 2;
        d.formatEnable = 1;
        d.formatTriggerTime = 1;
        d.formatClearTime = 2;
        d.syncClearTime = 2;
        d.blackEnable = 1;
        d.blackValue1 = 64;
        d.blackValue2 = 0;
        d.blackValue3 = 1;
        d.blackTriggerTime = 5;
        d.blackClearTime = 2;
        d.blackRegionRight = 1919;
        d.blackRegionTop = 1;
        d.blackRegionBottom = 1080;
        d.freezeEnable = 1;
        d.freezeValue1 = 5;
        d.freezeValue2 = 1;
        d.freezeTriggerTime = 10;
        d.freezeClearTime = 2;
        d.freezeRegionRight = 1919;
        d.freezeRegionTop = 1;
        d.freezeRegionBottom = 1080;
        d.audioLostChannels = 0x0003;
        d.audioLostTriggerTime = 3;
        d.audioLostClearTime = 2;
        d.audioSilentChannels = 0x0003;
        d.audioSilentThreshold = -50;
        d.audioSilentTriggerTime = 10;
        d.audioSilentClearTime = 2;
    }
    for (alarmTrigger &t : triggers) {
        t.VideoAlarmMask = kAlarmSignalLost | kAlarmVideoBlack | kAlarmVideoFrozen;
        t.AudioLostAlarmMask = 0;
        t.AudioSilentAlarmMask = 0;
        t.TriggerCombination = 0;  // any
    }
    agc.gainControlMode = 1;
    agc.targetLevel = 27;
    agc.upperThreshold = 2;
    agc.lowerThreshold = 2;
    agc.noiseThreshold = 50;
    agc.outputLimitThreshold = 6;
    for (quint32 &mode : agc.channelMode) {
        mode = 0;
    }
    std::fill(levelsIn, levelsIn + kAudioChannels, quint8(20));
    std::fill(levelsOut, levelsOut + kAudioChannels, quint8(24));
    Update();
}

std::vector<int> DeviceModel::InputsOf(int group) const
{
    if (IsDual()) {
        return {2 * group, 2 * group + 1};
    }
    return {0, 1, 2, 3};
}

quint8 DeviceModel::PhaseState(int input) const
{
    if (!present[input]) {
        return 0;
    }
    return genlockPresent ? 3 : 1;
}

// Whether the input's alarm combination asks its group to switch away.
bool DeviceModel::Failing(int input) const
{
    const alarmTrigger &t = triggers[input];
    const bool videoPart = (video[input] & t.VideoAlarmMask) != 0;
    const bool audioPart = (audioLost[input] & t.AudioLostAlarmMask) != 0 ||
                           (audioSilent[input] & t.AudioSilentAlarmMask) != 0;
    switch (t.TriggerCombination) {
        case 0:
            return videoPart || audioPart;
        case 1:
            return videoPart && audioPart;
        default:
            return false;
    }
}

// 1 genlock; an input: 2 to 5 on the dual model, 6 to 9 on the 4x1; 0 none.
quint8 DeviceModel::ClockingSource(int group) const
{
    if (clockingMode[group] != 1 && genlockPresent) {
        return 1;
    }
    const int input = active[group];
    if (!present[input]) {
        return 0;
    }
    return static_cast<quint8>(IsDual() ? 2 + input : 6 + input);
}

void DeviceModel::Switch(int group)
{
    const std::vector<int> inputs = InputsOf(group);
    const int primary = inputs.front();
    const int first = IsDual() ? 3 * group : 0;
    const int gpiCount = IsDual() ? 2 : 4;

    // A triggered GPI forces its input, ahead of everything else.
    for (int k = 0; k < gpiCount; ++k) {
        if (gpiLevels & (1u << (first + k))) {
            active[group] = static_cast<quint8>(inputs[k]);
            return;
        }
    }
    if (pgm[group] != 255 && pgm[group] < inputs.size()) {
        active[group] = static_cast<quint8>(inputs[pgm[group]]);
        return;
    }
    int current = active[group];
    if (std::find(inputs.begin(), inputs.end(), current) == inputs.end()) {
        current = primary;
    }
    if (Failing(current)) {
        // Fail over to the next healthy input after the current one.
        const auto at = std::find(inputs.begin(), inputs.end(), current) - inputs.begin();
        for (size_t step = 1; step < inputs.size(); ++step) {
            const int candidate = inputs[(static_cast<size_t>(at) + step) % inputs.size()];
            if (!Failing(candidate)) {
                current = candidate;
                break;
            }
        }
    } else if (current != primary && returnMethod[group] == 1 && !Failing(primary)) {
        current = primary;
    }
    active[group] = static_cast<quint8>(current);
}

bool DeviceModel::ManualReturn(int group)
{
    if (group < 0 || group >= kGroupCount) {
        return false;
    }
    if (group < GroupCount()) {
        const int primary = InputsOf(group).front();
        if (!Failing(primary)) {
            active[group] = static_cast<quint8>(primary);
        }
    }
    return true;
}

// The system alarm state before the enables mask it.
SystemAlarm DeviceModel::EventBits() const
{
    SystemAlarm bits = rawSystem;
    if (!genlockPresent) {
        bits |= kSystemGenlockLost;
    }
    for (int g = 0; g < GroupCount(); ++g) {
        const int offset = g * kGroupBOffset;
        const int primary = InputsOf(g).front();
        const int gpiBase = IsDual() ? 3 * g : 0;
        const int relayBit = IsDual() ? gpiBase + 2 : 4;
        if (!locked[g]) {
            bits |= Bit(kBitClockUnlocked + offset);
        }
        if (source[g] != 1) {
            bits |= Bit(kBitSourceSwitched + offset);
        }
        if (gpiLevels & (1u << relayBit)) {
            bits |= Bit(kBitGpiRelay + offset);
        }
        if (gpiLevels & (1u << gpiBase)) {
            bits |= Bit(kBitGpi1 + offset);
        }
        if (gpiLevels & (1u << (gpiBase + 1))) {
            bits |= Bit(kBitGpi2 + offset);
        }
        if (relayManual[g] || (gpiLevels & (1u << relayBit))) {
            bits |= Bit(kBitBypassed + offset);
        }
        if (active[g] != primary) {
            bits |= Bit(kBitOutputSwitched + offset);
        }
    }
    if (!IsDual()) {
        bits |= (gpiLevels & 0x04) ? Bit(kBitGpi3) : 0;
        bits |= (gpiLevels & 0x08) ? Bit(kBitGpi4) : 0;
    }
    return bits & (Bit(17) - 1);
}

std::vector<SimNotification> DeviceModel::Update()
{
    AlarmType oldVideo[kInputCount];
    quint16 oldLost[kInputCount];
    quint16 oldSilent[kInputCount];
    std::copy(video, video + kInputCount, oldVideo);
    std::copy(audioLost, audioLost + kInputCount, oldLost);
    std::copy(audioSilent, audioSilent + kInputCount, oldSilent);
    const SystemAlarm oldSystem = system;
    quint8 oldActive[kGroupCount];
    quint8 oldSource[kGroupCount];
    std::copy(active, active + kGroupCount, oldActive);
    std::copy(source, source + kGroupCount, oldSource);

    // An alarm is reported only while its detection is enabled.
    for (int i = 0; i < kInputCount; ++i) {
        const AlarmType raw = rawVideo[i] | (present[i] ? 0 : kAlarmSignalLost);
        video[i] = raw & EnabledVideo(detection[i]);
        audioLost[i] = rawAudioLost[i] & detection[i].audioLostChannels;
        audioSilent[i] = rawAudioSilent[i] & detection[i].audioSilentChannels;
    }
    gpoLevels = 0;
    for (int g = 0; g < GroupCount(); ++g) {
        Switch(g);
        locked[g] =
            clockingMode[g] != 1 ? (genlockPresent || present[active[g]]) : present[active[g]];
        source[g] = ClockingSource(g);
        const int relayBit = IsDual() ? 3 * g + 2 : 4;
        const int inputBit = IsDual() ? 3 * g + (active[g] - InputsOf(g).front()) : active[g];
        gpoLevels |= static_cast<quint8>(1u << inputBit);
        if (relayManual[g] || (gpiLevels & (1u << relayBit))) {
            gpoLevels |= static_cast<quint8>(1u << relayBit);
        }
    }
    system = EventBits() & systemEnable;

    std::vector<SimNotification> out;
    CollectNotifications(out, oldVideo, oldLost, oldSilent, oldSystem, oldActive, oldSource);
    return out;
}

void DeviceModel::CollectNotifications(std::vector<SimNotification> &out, const AlarmType *oldVideo,
                                       const quint16 *oldLost, const quint16 *oldSilent,
                                       SystemAlarm oldSystem, const quint8 *oldActive,
                                       const quint8 *oldSource) const
{
    for (int i = 0; i < kInputCount; ++i) {
        const quint8 group = static_cast<quint8>(GroupOf(i));
        const quint8 input = static_cast<quint8>(i);
        for (int bit = 0; bit < 5; ++bit) {
            const bool was = oldVideo[i] & (1u << bit);
            const bool now = video[i] & (1u << bit);
            if (was != now) {
                out.push_back({quint32(bit + 1), group, input, now ? 1u : 0u});
            }
        }
        if (oldLost[i] != audioLost[i]) {
            out.push_back({6, group, input, audioLost[i]});
        }
        if (oldSilent[i] != audioSilent[i]) {
            out.push_back({7, group, input, audioSilent[i]});
        }
    }
    auto changed = [&](int bit) { return ((oldSystem ^ system) & Bit(bit)) != 0; };
    auto on = [&](int bit) { return (system & Bit(bit)) ? 1u : 0u; };
    if (changed(0)) {
        out.push_back({8, 0, 0, on(0)});
    }
    for (int g = 0; g < GroupCount(); ++g) {
        const int offset = g * kGroupBOffset;
        const quint8 group = static_cast<quint8>(g);
        if (changed(kBitClockUnlocked + offset)) {
            out.push_back({9, group, 0, on(kBitClockUnlocked + offset)});
        }
        if (oldSource[g] != source[g] && (systemEnable & Bit(kBitSourceSwitched + offset))) {
            out.push_back({10, group, 0, source[g]});
        }
        if (changed(kBitGpiRelay + offset)) {
            out.push_back({11, group, 0, on(kBitGpiRelay + offset)});
        }
        const int gpiBits[4] = {kBitGpi1 + offset, kBitGpi2 + offset, kBitGpi3, kBitGpi4};
        const int gpiCount = IsDual() ? 2 : 4;
        for (int k = 0; k < gpiCount; ++k) {
            if (changed(gpiBits[k])) {
                const quint8 index = static_cast<quint8>(IsDual() ? 2 * g + k : k);
                out.push_back({12, group, index, on(gpiBits[k])});
            }
        }
        if (changed(kBitBypassed + offset)) {
            out.push_back({13, group, 0, on(kBitBypassed + offset)});
        }
        if (oldActive[g] != active[g] && (systemEnable & Bit(kBitOutputSwitched + offset))) {
            const int within = active[g] - InputsOf(g).front();
            out.push_back({14, group, static_cast<quint8>(active[g]), quint32(within)});
        }
    }
    if (changed(kBitPs1)) {
        out.push_back({15, 0, 0, on(kBitPs1)});
    }
    if (changed(kBitPs2)) {
        out.push_back({16, 0, 0, on(kBitPs2)});
    }
}
