#include "CmdThread.h"

#include "CfgNetClient.h"

#include <algorithm>

namespace {
const QVector<quint8> kIdentity = {0, 1, 2, 3};
constexpr int kImportPartGapMs = 100;
}  // namespace

CmdThread::CmdThread(CfgNetClient *client, int pollPauseMs, QObject *parent)
    : WorkerThread(parent), m_client(client), m_pollPauseMs(pollPauseMs)
{
    RegisterLinkTypes();
}

CmdThread::~CmdThread()
{
    Stop();
    Join();
}

void CmdThread::SetImportParts(const QList<ImportTarget *> &parts)
{
    std::lock_guard<std::mutex> lock(m_partsLock);
    m_parts = parts;
}

void CmdThread::SetPoll(PagePoll poll)
{
    std::lock_guard<std::mutex> lock(m_pollLock);
    m_poll = poll;
    m_genlockWasLost = true;
}

PagePoll CmdThread::CurrentPoll() const
{
    std::lock_guard<std::mutex> lock(m_pollLock);
    return m_poll;
}

void CmdThread::RequestImport()
{
    m_importPending = true;
    Wake();
    if (!IsRunning()) {
        // No loop will take it up: the window hears of the end once it is
        // back in its event loop, not from inside its own request.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_importPending.exchange(false)) {
                    emit NotifyImportFinish(kImportStopped);
                }
            },
            Qt::QueuedConnection);
    }
}

void CmdThread::Step()
{
    if (m_importPending.exchange(false)) {
        RunImport();
        return;
    }
    const PagePoll poll = CurrentPoll();
    if (poll.request) {
        (this->*poll.request)();
    }
    // Without a poll the loop only waits for one, or for an import.
    const int pause = m_pollPauseMs > 0 ? m_pollPauseMs : poll.request ? poll.pauseMs : 40;
    // A wake (an import, or a notification while the board is shown) is
    // served once this gap has passed: a flood of notifications runs the
    // status pass (seven reads) 50 times a second at most, not back to back.
    // A new page's command waits for the pause under way.
    const int gap = std::min(pause, kMinPollGapMs);
    Pause(gap, false);
    Pause(pause - gap);
}

void CmdThread::Finished()
{
    // An import asked for but never begun still gets its answer.
    if (m_importPending.exchange(false)) {
        emit NotifyImportFinish(kImportStopped);
    }
}

void CmdThread::PollSwitchControl()
{
    quint8 gpi = 0, gpo = 0;
    if (m_client->GetGPIOState(gpi, gpo) == 0) {
        emit NotifySwitchControlUpdate(gpi, gpo);
    }
}

void CmdThread::PollAgc()
{
    QVector<quint16> in, out;
    if (m_client->GetAudioLevel(in, out) == 0) {
        emit NotifyAGCUpdate(in, out);
    }
}

void CmdThread::PollGenlock()
{
    VideoStandard standard = kNoSignal;
    quint8 present = 0;
    if (m_client->GetGenlockState(standard, present) == 0) {
        emit NotifyGenLockUpdate(standard, present != 0);
    }
}

void CmdThread::PollGpio()
{
    GPIOTriggerMode gpiMode = ActiveLow, gpoMode = ActiveLow;
    quint8 gpi = 0, gpo = 0;
    if (m_client->GetGPIOTriggerMode(gpiMode, gpoMode) == 0 &&
        m_client->GetGPIOState(gpi, gpo) == 0) {
        emit NotifyGPIOUpdate(gpiMode, gpoMode, gpi, gpo);
    }
}

void CmdThread::PollRegionLimits()
{
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    if (m_client->GetInputStandards(kIdentity, standards, present) == 0) {
        emit SendRegionMaxValue(standards);
    }
}

void CmdThread::PollSignalIO()
{
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    QVector<quint16> lines, pixels;
    QVector<PhaseState> states;
    QVector<bool> locked;
    QVector<quint8> follow;
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    if (m_client->GetInputStandards(kIdentity, standards, present) != 0 ||
        m_client->GetPhase(kIdentity, lines, pixels, states, locked) != 0 ||
        m_client->GetPhaseAutoAlign(follow) != 0 ||
        m_client->GetAlarmInfo(kIdentity, video, lost, silent, system) != 0) {
        return;
    }
    // Align the phase when the genlock reference comes back while alignment
    // follows the genlock.
    const bool genlockLost = (system & kSystemGenlockLost) != 0;
    const bool phaseAlign =
        m_genlockWasLost && !genlockLost && (follow.value(0) != 0 || follow.value(1) != 0);
    m_genlockWasLost = genlockLost;

    QVector<SignalIOInfo> inputs(kInputCount);
    for (int i = 0; i < kInputCount; ++i) {
        inputs[i].standard = standards[i];
        inputs[i].phaseState = states[i];
        inputs[i].phaseLine = lines[i];
        inputs[i].phasePixel = pixels[i];
        inputs[i].present = present[i];
    }
    emit NotifySignalIOUpdate(inputs, locked, phaseAlign);
}

void CmdThread::PollStatus()
{
    // Each read stands on its own: one refused read does not silence the
    // others. A read the device left unanswered ends the pass: the others
    // would hold the wire 4 s each, ahead of the window's own reads.
    const auto unanswered = [] { return CfgNetClient::LastResult() == -1; };
    for (int input = 0; input < kInputCount; ++input) {
        DetectionParam param;
        if (m_client->GetDetectionParam(input, param) == 0) {
            emit SendDetectionInfo(input, param);
        } else if (unanswered()) {
            return;
        }
    }
    SystemAlarm enables = 0;
    if (m_client->GetSystemAlarmParam(enables) == 0) {
        emit SendSystemAlarmInfo(enables);
    } else if (unanswered()) {
        return;
    }
    QVector<alarmTrigger> triggers;
    if (m_client->GetAutoSwitchTrigger(triggers) == 0) {
        emit SendAlarmTriggerInfo(triggers);
    } else if (unanswered()) {
        return;
    }
    QVector<AlarmType> video;
    QVector<quint16> lost, silent;
    SystemAlarm system = 0;
    if (m_client->GetAlarmInfo(kIdentity, video, lost, silent, system) == 0) {
        emit NotifyStatusUpdate(video, lost, silent, system);
    }
}

bool CmdThread::ImportGap()
{
    Pause(kImportPartGapMs, false);
    return IsRunning();
}

void CmdThread::RunImport()
{
    QList<ImportTarget *> parts;
    {
        std::lock_guard<std::mutex> lock(m_partsLock);
        parts = m_parts;
    }
    int status = 0;
    // The whole file is read and checked before anything is written, so a
    // file with one bad value leaves the device as it was.
    for (ImportTarget *part : parts) {
        if (part->PrepareImport() != 0) {
            emit NotifyImportFinish(-1);
            return;
        }
    }
    for (ImportTarget *part : parts) {
        // A disconnect or the window closing does not wait for the other parts.
        if (!IsRunning()) {
            status = kImportStopped;
            break;
        }
        if (part->ImportParameters() != 0) {
            // A part whose writes failed because the session is ending did
            // not fail on its own.
            status = IsRunning() ? -1 : kImportStopped;
            break;
        }
        // The gap gives the device time for each part; a new request does not shorten it.
        Pause(kImportPartGapMs, false);
    }
    emit NotifyImportFinish(status);
}
