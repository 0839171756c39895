#pragma once

#include "BaseWidget.h"
#include "DeviceTypes.h"
#include "SystemAlarmParams.h"

#include <QVector>

class QCheckBox;
class QGroupBox;
class QPushButton;

// What the dual model's and the 4x1 models' system alarm pages share: one
// check box per enable bit, Apply, and the part of the parameter file. The
// two pages differ only in their check boxes and the bits behind them.
class SystemAlarmsPage : public BaseWidget
{
    Q_OBJECT

public:
    int RefreshFromDevice() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;

    // The mask the check boxes make: bits without a box are 0.
    SystemAlarm Mask() const;

signals:
    // After every Apply the device took: the enables it holds.
    void SendSystemAlarmInfo(SystemAlarm mask);

public slots:
    void OnApply();

protected:
    // One check box and the bit of the mask it stands for.
    struct Box {
        int bit;
        QCheckBox *box;
    };

    SystemAlarmsPage(CfgNetClient *client, QWidget *parent);
    // Called by the page's constructor once its form is built.
    void Bind(QGroupBox *outer, QPushButton *apply, const QVector<Box> &boxes);

private:
    void ShowMask(SystemAlarm mask);
    void UpdateEnabled();

    CfgNetClient *m_client;
    QGroupBox *m_outer = nullptr;
    QPushButton *m_apply = nullptr;
    QVector<Box> m_boxes;
    bool m_disabled = false;
    bool m_guest = false;
    Baseline<SystemAlarm> m_baseline{SystemAlarmModel::EditFields()};
};
