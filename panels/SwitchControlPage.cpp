#include "SwitchControlPage.h"

#include "CfgNetClient.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace M = SwitchControlModel;

SwitchControlPage::SwitchControlPage(CfgNetClient *client, int group, bool dual, QWidget *parent)
    : BaseWidget(parent), m_client(client), m_group(group), m_dual(dual)
{}

void SwitchControlPage::Bind(const Controls &controls)
{
    m_controls = controls;
    connect(m_controls.apply, &QPushButton::clicked, this, &SwitchControlPage::OnApply);
    connect(m_controls.returnMode, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SwitchControlPage::OnSetReturnClear);
    OnSetReturnClear(m_controls.returnMode->currentIndex());
}

SwitchControlPage::Bits SwitchControlPage::PageBits() const
{
    // The dual model keeps group B's three points above group A's.
    return m_dual ? Bits{3 * m_group, 2} : Bits{0, 4};
}

QString SwitchControlPage::ActiveInputText(quint8 gpoStatus, Bits bits)
{
    QStringList names;
    for (int k = 0; k <= bits.inputs; ++k) {
        if (gpoStatus & (1u << (bits.firstBit + k))) {
            names << (k < bits.inputs ? tr("In %1").arg(k + 1) : tr("Relay On"));
        }
    }
    return names.join(QLatin1Char(','));
}

QString SwitchControlPage::SwitchingEventText(quint8 gpiStatus, Bits bits, qint64 manualSelect,
                                              bool returnCleared)
{
    const unsigned mask = ((1u << (bits.inputs + 1)) - 1) << bits.firstBit;
    if (gpiStatus & mask) {
        return tr("GPI");
    }
    if (manualSelect != M::kNoSelection) {
        return tr("Manual");
    }
    return returnCleared ? tr("Alarm Non-reset") : tr("Alarm Automatic");
}

QStringList SwitchControlPage::GpiTexts(quint8 gpiStatus, Bits bits)
{
    QStringList texts;
    for (int k = 0; k <= bits.inputs; ++k) {
        texts << (gpiStatus & (1u << (bits.firstBit + k)) ? tr("Yes") : tr("No"));
    }
    return texts;
}

int SwitchControlPage::RefreshFromDevice()
{
    OnTimer();
    emit SendPolling(true);
    return ShowDeviceValues(true);
}

int SwitchControlPage::ShowDeviceValues(bool report)
{
    SwitchControlParams values;
    QString failure;
    if (M::Read(*m_client, m_group, values, &failure) != 0) {
        if (report) {
            ReportRefreshFailure(failure);
        }
        return -1;
    }
    m_manualSelect = values.manualSwitch;
    const int inputs = m_controls.manualSwitch->count() - 1;
    m_controls.manualSwitch->setCurrentIndex(M::ManualSwitchIndex(values.manualSwitch, inputs));
    m_controls.returnMode->setCurrentIndex(M::ReturnModeIndex(values.returnMode));
    m_controls.manualControl->setCurrentIndex(M::ManualControlIndex(values.manualControl));
    m_controls.bypassProtect->setCurrentIndex(M::BypassProtectIndex(values.bypassProtect));
    // The signal fires only on a change; the clear combo must follow the mode anyway.
    OnSetReturnClear(m_controls.returnMode->currentIndex());
    m_baseline.Shown(FromControls());
    return 0;
}

SwitchControlParams SwitchControlPage::FromControls() const
{
    SwitchControlParams values;
    values.manualSwitch = M::SelectionOfIndex(m_controls.manualSwitch->currentIndex());
    values.returnMode = M::MethodOfIndex(m_controls.returnMode->currentIndex());
    values.manualControl = M::ManualControlOfIndex(m_controls.manualControl->currentIndex());
    values.bypassProtect = M::BypassProtectOfIndex(m_controls.bypassProtect->currentIndex());
    return values;
}

int SwitchControlPage::LeavePage()
{
    emit SendPolling(false);
    return 0;
}

void SwitchControlPage::OnNotifySwitchControlUpdate(unsigned char gpiStatus,
                                                    unsigned char gpoStatus)
{
    const Bits bits = PageBits();
    const QStringList gpi = GpiTexts(gpiStatus, bits);
    for (int k = 0; k < gpi.size() && k < m_controls.gpiLabels.size(); ++k) {
        m_controls.gpiLabels[k]->setText(gpi[k]);
    }
    m_controls.activeInput->setText(ActiveInputText(gpoStatus, bits));
    m_controls.switchingEvent->setText(
        SwitchingEventText(gpiStatus, bits, m_manualSelect, m_returnCleared));
}

void SwitchControlPage::OnTimer()
{
    quint8 gpiStatus = 0, gpoStatus = 0;
    if (m_client->GetGPIOState(gpiStatus, gpoStatus) == 0) {
        OnNotifySwitchControlUpdate(gpiStatus, gpoStatus);
    }
}

void SwitchControlPage::OnSetReturnClear(int index)
{
    if (index == 0) {
        m_controls.returnClear->setCurrentIndex(0);
    }
    m_controls.returnClear->setEnabled(index != 0 && !m_guest);
}

void SwitchControlPage::OnApply()
{
    SwitchControlParams values;
    const auto read = [this](SwitchControlParams &device, QString *failure) {
        return M::Read(*m_client, m_group, device, failure);
    };
    if (!EditsOverDevice(m_baseline, FromControls(), read, &values)) {
        return;
    }
    // The clear is a one-shot request: it never stays armed for a later Apply.
    const bool clear = m_controls.returnClear->currentIndex() == 1;
    m_controls.returnClear->setCurrentIndex(0);

    QString failure;
    const int written = M::Write(*m_client, m_group, !m_dual, values, &failure);
    JournalApply(values, written);
    if (written != 0) {
        ReportApplyFailure(failure);
        // The controls must not pretend the device took what was chosen.
        ShowDeviceValues(false);
        return;
    }
    m_manualSelect = values.manualSwitch;
    m_baseline.Shown(FromControls());
    // The return-clear step is reached: what it did decides the event text.
    m_returnCleared = false;
    if (clear) {
        const int cleared = m_client->ManualReturn(static_cast<quint8>(m_group));
        JournalAction(QStringLiteral("%1/%2/ReturnClear")
                          .arg(QLatin1String(M::kElement),
                               m_group == 1 ? QLatin1String("GroupB") : QLatin1String("GroupA")),
                      QStringLiteral("cleared"), cleared);
        if (cleared != 0) {
            ReportApplyFailure(DeviceFailure("ManualReturn", CfgNetClient::LastResult()));
            OnTimer();
            return;
        }
        m_returnCleared = true;
    }
    ReportApplied();
    OnTimer();
}

void SwitchControlPage::SetPageDisabled(bool disabled)
{
    for (QWidget *w :
         {static_cast<QWidget *>(m_controls.mechanism),
          static_cast<QWidget *>(m_controls.gpiStatus), static_cast<QWidget *>(m_controls.result),
          static_cast<QWidget *>(m_controls.relay), static_cast<QWidget *>(m_controls.apply)}) {
        w->setDisabled(disabled);
    }
}

void SwitchControlPage::ApplyGuestRestrictions()
{
    m_guest = true;
    // The controls inside the groups, so that a disconnect and a reconnect,
    // which disable and enable the groups, leave a guest's controls alone.
    for (QWidget *w : {static_cast<QWidget *>(m_controls.manualSwitch),
                       static_cast<QWidget *>(m_controls.returnMode),
                       static_cast<QWidget *>(m_controls.returnClear),
                       static_cast<QWidget *>(m_controls.manualControl),
                       static_cast<QWidget *>(m_controls.bypassProtect),
                       static_cast<QWidget *>(m_controls.apply)}) {
        w->setDisabled(true);
    }
}

void SwitchControlPage::LiftGuestRestrictions()
{
    m_guest = false;
    for (QWidget *w : {static_cast<QWidget *>(m_controls.manualSwitch),
                       static_cast<QWidget *>(m_controls.returnMode),
                       static_cast<QWidget *>(m_controls.manualControl),
                       static_cast<QWidget *>(m_controls.bypassProtect),
                       static_cast<QWidget *>(m_controls.apply)}) {
        w->setEnabled(true);
    }
    // The clear follows the return mode.
    OnSetReturnClear(m_controls.returnMode->currentIndex());
}
