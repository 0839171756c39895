#include "SystemAlarmsPage.h"

#include "CfgNetClient.h"
#include "SystemAlarmParams.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>

namespace M = SystemAlarmModel;

SystemAlarmsPage::SystemAlarmsPage(CfgNetClient *client, QWidget *parent)
    : BaseWidget(parent), m_client(client)
{}

void SystemAlarmsPage::Bind(QGroupBox *outer, QPushButton *apply, const QVector<Box> &boxes)
{
    m_outer = outer;
    m_apply = apply;
    m_boxes = boxes;
    connect(m_apply, &QPushButton::clicked, this, &SystemAlarmsPage::OnApply);
}

SystemAlarm SystemAlarmsPage::Mask() const
{
    SystemAlarm mask = 0;
    for (const Box &entry : m_boxes) {
        if (entry.box->isChecked()) {
            mask |= 1u << entry.bit;
        }
    }
    return mask;
}

void SystemAlarmsPage::ShowMask(SystemAlarm mask)
{
    for (const Box &entry : m_boxes) {
        entry.box->setChecked(mask & (1u << entry.bit));
    }
}

int SystemAlarmsPage::RefreshFromDevice()
{
    SystemAlarm mask = 0;
    QString failure;
    if (M::Read(*m_client, mask, &failure) != 0) {
        ReportRefreshFailure(failure);
        return -1;
    }
    ShowMask(mask);
    m_baseline.Shown(Mask());
    return 0;
}

void SystemAlarmsPage::OnApply()
{
    SystemAlarm mask = 0;
    const auto read = [this](SystemAlarm &device, QString *failure) {
        return M::Read(*m_client, device, failure);
    };
    if (!EditsOverDevice(m_baseline, Mask(), read, &mask)) {
        return;
    }
    QString failure;
    const int written = M::Write(*m_client, mask, &failure);
    JournalApply(mask, written);
    if (written != 0) {
        // The boxes keep the user's choice, to be applied again.
        ReportApplyFailure(failure);
        return;
    }
    m_baseline.Shown(Mask());
    ReportApplied();
    emit SendSystemAlarmInfo(mask);
}

void SystemAlarmsPage::UpdateEnabled()
{
    m_outer->setDisabled(m_disabled || m_guest);
    m_apply->setDisabled(m_disabled || m_guest);
}

void SystemAlarmsPage::SetPageDisabled(bool disabled)
{
    m_disabled = disabled;
    UpdateEnabled();
}

void SystemAlarmsPage::ApplyGuestRestrictions()
{
    m_guest = true;
    UpdateEnabled();
}

void SystemAlarmsPage::LiftGuestRestrictions()
{
    m_guest = false;
    UpdateEnabled();
}
