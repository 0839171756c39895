#include "SignalIOPage.h"

#include "CfgNetClient.h"
#include "DeviceTables.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

namespace {
const QVector<quint8> kInputs = {0, 1, 2, 3};
}  // namespace

SignalIOPage::SignalIOPage(CfgNetClient *client, SignalIOScope scope, int alignSettleMs,
                           QWidget *parent)
    : BaseWidget(parent), m_client(client), m_scope(scope)
{
    m_alignTimer.setSingleShot(true);
    m_alignTimer.setInterval(alignSettleMs);
    connect(&m_alignTimer, &QTimer::timeout, this, &SignalIOPage::OnPhaseAlign);
}

void SignalIOPage::SetControls(const Controls &controls)
{
    m_controls = controls;
    connect(m_controls.apply, &QPushButton::clicked, this, &SignalIOPage::OnApply);
}

QString SignalIOPage::StandardText(quint8 present, VideoStandard standard)
{
    return present ? VideoStandardName(standard, QStringLiteral("SDI")) : tr("Not Present");
}

QString SignalIOPage::PhaseText(quint16 line, quint16 pixel)
{
    return QStringLiteral("%1,%2").arg(line).arg(pixel);
}

QString SignalIOPage::SyncedText(PhaseState state)
{
    return state == PhaseSynchronised ? tr("Yes") : tr("No");
}

int SignalIOPage::RefreshFromDevice()
{
    OnTimer();
    m_controls.trigger->setCurrentIndex(0);
    emit SendPolling(true);
    return ShowDeviceValues(true);
}

int SignalIOPage::ShowDeviceValues(bool report)
{
    SignalIOParams values;
    QString failure;
    if (SignalIOModel::Read(*m_client, m_scope, values, &failure) != 0) {
        if (report) {
            ReportRefreshFailure(failure);
        }
        return -1;
    }
    ShowPhase(values);
    m_controls.follow->setCurrentIndex(SignalIOModel::FollowIndex(values.followGenlock));
    ShowExtras(values);
    m_baseline.Shown(FromControls());
    return 0;
}

SignalIOParams SignalIOPage::FromControls() const
{
    SignalIOParams values;
    values.delayLine = m_controls.line->value();
    values.delayPixel = m_controls.pixel->value();
    // No item: the device holds a value the page does not know.
    const int mode = m_controls.mode->currentIndex();
    values.clockingMode = mode < 0 ? kNoItem : mode;
    const int follow = m_controls.follow->currentIndex();
    values.followGenlock = follow < 0 ? kNoItem : follow;
    TakeExtras(values);
    return values;
}

void SignalIOPage::ShowPhase(const SignalIOParams &values)
{
    ShowDeviceValue(m_controls.line, values.delayLine);
    ShowDeviceValue(m_controls.pixel, values.delayPixel);
    // A mode the page has no item for shows as none, and Apply keeps it.
    const bool known = values.clockingMode == 0 || values.clockingMode == 1;
    m_controls.mode->setCurrentIndex(known ? int(values.clockingMode) : -1);
}

void SignalIOPage::ShowInputs(const QVector<SignalIOInfo> &info, bool locked)
{
    const int first = m_scope.dual ? 2 * m_scope.group : 0;
    for (int i = 0; i < m_controls.inputs.size(); ++i) {
        if (first + i >= info.size()) {
            break;
        }
        const SignalIOInfo &in = info[first + i];
        m_controls.inputs[i].standard->setText(StandardText(in.present, in.standard));
        m_controls.inputs[i].phase->setText(PhaseText(in.phaseLine, in.phasePixel));
        m_controls.inputs[i].locked->setText(SyncedText(in.phaseState));
    }
    m_controls.clockLocked->setText(locked ? tr("Yes") : tr("No"));
}

int SignalIOPage::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void SignalIOPage::OnNotifySignalIOUpdate(QVector<SignalIOInfo> info, QVector<bool> isLocked,
                                          bool isPhaseAlign)
{
    ShowInputs(info, isLocked.value(m_scope.group));
    if (isPhaseAlign) {
        m_alignTimer.start();
    }
}

void SignalIOPage::OnTimer()
{
    QVector<VideoStandard> standards;
    QVector<quint8> present;
    QVector<quint16> lines, pixels;
    QVector<PhaseState> states;
    QVector<bool> locked;
    if (m_client->GetInputStandards(kInputs, standards, present) != 0 ||
        m_client->GetPhase(kInputs, lines, pixels, states, locked) != 0) {
        return;
    }
    QVector<SignalIOInfo> info(kInputs.size());
    for (int i = 0; i < info.size(); ++i) {
        info[i].standard = standards.value(i, kNoSignal);
        info[i].present = present.value(i);
        info[i].phaseLine = lines.value(i);
        info[i].phasePixel = pixels.value(i);
        info[i].phaseState = states.value(i, PhaseState(0));
    }
    ShowInputs(info, locked.value(m_scope.group));
}

void SignalIOPage::OnApply()
{
    SignalIOParams values;
    const auto read = [this](SignalIOParams &device, QString *failure) {
        return SignalIOModel::Read(*m_client, m_scope, device, failure);
    };
    if (!EditsOverDevice(m_baseline, FromControls(), read, &values)) {
        m_controls.trigger->setCurrentIndex(0);
        return;
    }
    const bool align = m_controls.trigger->currentIndex() > 0;

    QString failure;
    if (SignalIOModel::WritePhase(*m_client, m_scope, values, &failure) != 0 ||
        SignalIOModel::WriteFollow(*m_client, m_scope, values, &failure) != 0) {
        JournalApply(values, -1);
        ApplyFailed(failure);
        return;
    }
    const int aligned = align ? m_client->AlignPhase(quint8(m_scope.group)) : 0;
    if (align) {
        JournalAction(
            QStringLiteral("%1/%2/AlignPhase")
                .arg(QLatin1String(SignalIOModel::kElement),
                     m_scope.group == 0 ? QLatin1String("GroupA") : QLatin1String("GroupB")),
            QStringLiteral("aligned"), aligned);
    }
    if (aligned != 0) {
        const QString refused = DeviceFailure("AlignPhase", CfgNetClient::LastResult());
        // The journal's read-back tells which of the values the device holds.
        JournalApply(values, -1);
        ApplyFailed(refused);
        return;
    }
    m_controls.trigger->setCurrentIndex(0);
    if (!m_scope.dual && SignalIOModel::WriteAudio(*m_client, values, &failure) != 0) {
        JournalApply(values, -1);
        ApplyFailed(failure);
        return;
    }
    JournalApply(values, 0);
    ReportApplied();
    // Aligning changes the delay on the device: show what it holds now.
    ShowDeviceValues(false);
}

void SignalIOPage::ApplyFailed(const QString &failure)
{
    m_controls.trigger->setCurrentIndex(0);
    ReportApplyFailure(failure);
    // The controls must not pretend the device took what was typed.
    ShowDeviceValues(false);
}

void SignalIOPage::OnPhaseAlign()
{
    SignalIOParams values;
    QString failure;
    if (SignalIOModel::ReadPhase(*m_client, m_scope, values, &failure) == 0) {
        // The device aligned the delay itself: what the boxes show now is its
        // value, not an edit.
        const SignalIOParams before = FromControls();
        ShowPhase(values);
        m_baseline.Reshown(before, FromControls());
    }
}

void SignalIOPage::SetPageDisabled(bool disabled)
{
    for (QGroupBox *group : m_controls.groups) {
        group->setDisabled(disabled);
    }
    m_controls.apply->setDisabled(disabled);
}

void SignalIOPage::ApplyGuestRestrictions()
{
    for (QWidget *widget : m_controls.guestLocked) {
        widget->setDisabled(true);
    }
}

void SignalIOPage::LiftGuestRestrictions()
{
    for (QWidget *widget : m_controls.guestLocked) {
        widget->setEnabled(true);
    }
}
