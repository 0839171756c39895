#pragma once

#include "BaseWidget.h"
#include "SwitchControlParams.h"

#include <QList>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

// What the dual model's two group pages and the 4x1 models' page share: the
// forced input, the failover return and its clearing, the bypass relay, and
// the GPI and switching result live from the worker. The two forms differ
// only in the number of inputs and GPIs.
class SwitchControlPage : public BaseWidget
{
    Q_OBJECT

public:
    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;

    // Where a group's points sit in the GPI and GPO bytes: GPI or input k of
    // the group at bit `firstBit + k`, the relay just after them.
    struct Bits {
        int firstBit;
        int inputs;
    };
    // The names of the group's set GPO bits, "In k" or "Relay On", joined by ",".
    static QString ActiveInputText(quint8 gpoStatus, Bits bits);
    // "GPI" when one of the group's GPIs (relay included) is triggered; else
    // "Manual" while an input is forced; else how the failover returns.
    static QString SwitchingEventText(quint8 gpiStatus, Bits bits, qint64 manualSelect,
                                      bool returnCleared);
    // "Yes" or "No" for each of the group's GPIs, then the GPI relay.
    static QStringList GpiTexts(quint8 gpiStatus, Bits bits);

public slots:
    void OnNotifySwitchControlUpdate(unsigned char gpiStatus, unsigned char gpoStatus);
    void OnTimer();
    void OnApply();
    void OnSetReturnClear(int index);

protected:
    // The form's widgets the shared behaviour works on.
    struct Controls {
        QGroupBox *mechanism, *gpiStatus, *relay, *result;
        QComboBox *manualSwitch, *returnMode, *returnClear, *manualControl, *bypassProtect;
        QList<QLabel *> gpiLabels;  // GPI 1 .. n, then the GPI relay
        QLabel *activeInput, *switchingEvent;
        QPushButton *apply;
    };

    // `group`: the element of the device's arrays; `dual`: the dual model,
    // whose pages change only their own element.
    SwitchControlPage(CfgNetClient *client, int group, bool dual, QWidget *parent);
    // Called by the page's constructor once its form is built.
    void Bind(const Controls &controls);

private:
    // Reads the page's values into the controls; `report`: a failure goes to
    // the status bar.
    int ShowDeviceValues(bool report);
    SwitchControlParams FromControls() const;
    Bits PageBits() const;

    CfgNetClient *m_client;
    const int m_group;
    const bool m_dual;
    Controls m_controls{};
    qint64 m_manualSelect = SwitchControlModel::kNoSelection;
    Baseline<SwitchControlParams> m_baseline{SwitchControlModel::EditFields()};
    bool m_returnCleared = false;
    bool m_guest = false;  // a guest may not clear a failover either
};
