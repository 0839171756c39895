#include "StatusPage.h"

#include "CfgNetClient.h"
#include "NoticesServer.h"
#include "Session.h"

#include <QLabel>

#include <algorithm>
#include <iterator>

namespace {
// The device's inputs in their own order.
const QVector<quint8> kAllInputs = {0, 1, 2, 3};

// The power supplies are painted before the inputs, the other system lamps after.
constexpr int kFirstPowerBit = 15;

// Video lamps by AlarmType bit.
const char *const kVideoLamps[] = {"SignalLost", "FormatError", "SyncFailed", "VideoBlack",
                                   "VideoFrozen"};

bool Has(quint32 mask, int bit)
{
    return (mask >> bit) & 1u;
}

// A notification with fewer than four inputs cannot be told from one whose
// missing inputs are healthy: such an update is ignored.
template <class T>
bool Complete(const QVector<T> &entries)
{
    return entries.size() >= kInputCount;
}
}  // namespace

StatusPage::StatusPage(Session *session, bool dual, QWidget *parent)
    : BaseWidget(parent), m_session(session), m_client(&session->Client()), m_dual(dual)
{}

StatusPage::Colour StatusPage::InputColour(bool active, bool combined, bool enabled)
{
    if (active) {
        return combined ? Colour::Red : Colour::Yellow;
    }
    return enabled ? Colour::Green : Colour::Gray;
}

StatusPage::Colour StatusPage::SystemColour(bool active, bool enabled)
{
    if (active) {
        return Colour::Yellow;
    }
    return enabled ? Colour::Green : Colour::Gray;
}

QString StatusPage::StyleSheet(Colour colour)
{
    switch (colour) {
        case Colour::Green:
            return QStringLiteral("QLabel{border-image: url(:/cfg/Resources/green.png)}");
        case Colour::Red:
            return QStringLiteral("QLabel{border-image: url(:/cfg/Resources/red.png)}");
        case Colour::Yellow:
            return QStringLiteral("QLabel{border-image: url(:/cfg/Resources/yellow.png)}");
        case Colour::Gray:
            break;
    }
    return QStringLiteral("QLabel{border-image: url(:/cfg/Resources/gray.png)}");
}

void StatusPage::Bind(const QVector<SystemLamp> &systemLamps)
{
    QVector<SystemLamp> system = systemLamps;
    std::sort(system.begin(), system.end(),
              [](const SystemLamp &a, const SystemLamp &b) { return a.bit < b.bit; });
    auto add = [this](QLabel *label, Kind kind, int input, int bit) {
        Q_ASSERT(label);  // the form lacks a lamp
        if (label) {
            m_lamps.append({label, kind, input, bit});
        }
    };
    for (const SystemLamp &s : system) {
        if (s.bit >= kFirstPowerBit) {
            add(s.lamp, Kind::System, 0, s.bit);
        }
    }
    for (int i = 0; i < kInputCount; ++i) {
        const QString in = QStringLiteral("labelIN%1").arg(i + 1);
        for (int bit = 0; bit < int(std::size(kVideoLamps)); ++bit) {
            add(findChild<QLabel *>(in + QLatin1String(kVideoLamps[bit])), Kind::Video, i, bit);
        }
        for (int ch = 1; ch <= kAudioChannels; ++ch) {
            add(findChild<QLabel *>(in + QStringLiteral("LostCh%1").arg(ch)), Kind::Lost, i,
                ch - 1);
        }
        for (int ch = 1; ch <= kAudioChannels; ++ch) {
            add(findChild<QLabel *>(in + QStringLiteral("SilentCh%1").arg(ch)), Kind::Silent, i,
                ch - 1);
        }
    }
    for (const SystemLamp &s : system) {
        if (s.bit < kFirstPowerBit) {
            add(s.lamp, Kind::System, 0, s.bit);
        }
    }
    if (!m_session->IsOffline()) {
        Reload();
    }
}

int StatusPage::RefreshFromDevice()
{
    emit SendPolling(true);
    return 0;
}

int StatusPage::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void StatusPage::OnDetectionChanged(int index, DetectionParam param)
{
    if (index >= 0 && index < kInputCount) {
        m_detection[index] = param;
    }
}

void StatusPage::OnAlarmTriggerChanged(QVector<alarmTrigger> trigger)
{
    StoreTriggers(trigger);
}

void StatusPage::StoreTriggers(const QVector<alarmTrigger> &trigger)
{
    if (!Complete(trigger)) {
        return;
    }
    std::copy(trigger.begin(), trigger.begin() + kInputCount, m_trigger);
}

void StatusPage::OnSystemAlarmChanged(SystemAlarm mask)
{
    m_systemEnable = mask;
}

void StatusPage::OnUpdateStatus(bool need)
{
    if (need) {
        Reload();
        return;
    }
    // The marks stay: the next notification sets or clears every one.
    for (Lamp &lamp : m_lamps) {
        Paint(lamp, Colour::Gray);
    }
}

void StatusPage::OnNotifyStatusUpdate(QVector<AlarmType> vecType, QVector<unsigned short> vecLost,
                                      QVector<unsigned short> vecSilent, SystemAlarm alarm)
{
    if (m_session->IsOffline() || !Complete(vecType) || !Complete(vecLost) ||
        !Complete(vecSilent)) {
        return;
    }
    for (Lamp &lamp : m_lamps) {
        lamp.mark = Active(lamp, vecType, vecLost, vecSilent, alarm);
        Paint(lamp, ColourOf(lamp, lamp.mark));
    }
}

void StatusPage::Reload()
{
    // The configuration: the first refused read ends the step, and what was
    // read before it is kept.
    [this] {
        for (int i = 0; i < kInputCount; ++i) {
            if (m_client->GetDetectionParam(i, m_detection[i]) != 0) {
                return;
            }
        }
        if (m_client->GetSystemAlarmParam(m_systemEnable) != 0) {
            return;
        }
        QVector<alarmTrigger> trigger;
        if (m_client->GetAutoSwitchTrigger(trigger) == 0) {
            StoreTriggers(trigger);
        }
    }();
    if (m_session->IsOffline()) {
        return;
    }

    // The active alarms, marked. The notification receiver starts again from
    // the masks read here, so its next report names only what changed since.
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    if (m_client->GetAlarmInfo(kAllInputs, video, lost, silent, system) == 0 && Complete(video) &&
        Complete(lost) && Complete(silent)) {
        m_session->Notices().Masks().Store(lost, silent);
        for (Lamp &lamp : m_lamps) {
            if (Active(lamp, video, lost, silent, system)) {
                Paint(lamp, ColourOf(lamp, true));
                lamp.mark = true;
            }
        }
    }

    // The enables: a disabled alarm is gray even while marked; an unmarked
    // enabled one is green; a marked one keeps its red or yellow.
    for (Lamp &lamp : m_lamps) {
        if (!Enabled(lamp)) {
            Paint(lamp, Colour::Gray);
            lamp.mark = false;
        } else if (!lamp.mark) {
            Paint(lamp, Colour::Green);
        }
    }
}

bool StatusPage::Enabled(const Lamp &lamp) const
{
    if (lamp.kind == Kind::System) {
        return Has(m_systemEnable, lamp.bit);
    }
    const DetectionParam &d = m_detection[lamp.input];
    switch (lamp.kind) {
        case Kind::Video: {
            const quint8 enables[] = {d.lostEnable, d.formatEnable, d.syncEnable, d.blackEnable,
                                      d.freezeEnable};
            return enables[lamp.bit] != 0;
        }
        case Kind::Lost:
            return Has(d.audioLostChannels, lamp.bit);
        case Kind::Silent:
            return Has(d.audioSilentChannels, lamp.bit);
        case Kind::System:
            break;
    }
    return false;
}

bool StatusPage::Combined(const Lamp &lamp) const
{
    const alarmTrigger &t = m_trigger[lamp.input];
    switch (lamp.kind) {
        case Kind::Video:
            return Has(t.VideoAlarmMask, lamp.bit);
        case Kind::Lost:
            return Has(t.AudioLostAlarmMask, lamp.bit);
        case Kind::Silent:
            return Has(t.AudioSilentAlarmMask, lamp.bit);
        case Kind::System:
            break;
    }
    return false;
}

bool StatusPage::Active(const Lamp &lamp, const QVector<AlarmType> &video,
                        const QVector<unsigned short> &lost, const QVector<unsigned short> &silent,
                        SystemAlarm system)
{
    switch (lamp.kind) {
        case Kind::System:
            return Has(system, lamp.bit);
        case Kind::Video:
            return Has(video[lamp.input], lamp.bit);
        case Kind::Lost:
            return Has(lost[lamp.input], lamp.bit);
        case Kind::Silent:
            return Has(silent[lamp.input], lamp.bit);
    }
    return false;
}

StatusPage::Colour StatusPage::ColourOf(const Lamp &lamp, bool active) const
{
    if (lamp.kind == Kind::System) {
        return SystemColour(active, Enabled(lamp));
    }
    return InputColour(active, Combined(lamp), Enabled(lamp));
}

void StatusPage::Paint(Lamp &lamp, Colour colour)
{
    // The board repaints every second; a style sheet set again for nothing
    // costs a re-polish of the label.
    if (lamp.shown == int(colour)) {
        return;
    }
    lamp.label->setStyleSheet(StyleSheet(colour));
    lamp.shown = int(colour);
}
