#pragma once

#include "BaseWidget.h"
#include "SignalIOParams.h"

#include <QTimer>
#include <QVector>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSpinBox;

// What the dual model's group pages and the 4x1 page share: the input state,
// the genlock phase delay, phase alignment and the clocking mode. The two
// page classes hand over their form's controls and add their own groups.
class SignalIOPage : public BaseWidget
{
    Q_OBJECT

public:
    int RefreshFromDevice() override;
    int LeavePage() override;
    void SetPageDisabled(bool disabled) override;
    void ApplyGuestRestrictions() override;
    void LiftGuestRestrictions() override;

    // The texts of one input's value labels.
    static QString StandardText(quint8 present, VideoStandard standard);
    static QString PhaseText(quint16 line, quint16 pixel);
    static QString SyncedText(PhaseState state);

    // The device takes a few seconds to align the phase after the genlock
    // comes back; a page reads its new delay this long after the alignment.
    static constexpr int kAlignSettleMs = 5000;

public slots:
    void OnNotifySignalIOUpdate(QVector<SignalIOInfo> info, QVector<bool> isLocked,
                                bool isPhaseAlign);
    void OnTimer();
    void OnApply();
    void OnPhaseAlign();

protected:
    struct InputLabels {
        QLabel *standard;
        QLabel *phase;
        QLabel *locked;
    };
    struct Controls {
        QVector<InputLabels> inputs;  // the input boxes, in order
        QSpinBox *line;
        QSpinBox *pixel;
        QComboBox *follow;
        QComboBox *trigger;
        QComboBox *mode;
        QLabel *clockLocked;
        QPushButton *apply;
        QList<QGroupBox *> groups;     // disabled with the page
        QList<QWidget *> guestLocked;  // what a guest may not change
    };

    SignalIOPage(CfgNetClient *client, SignalIOScope scope, int alignSettleMs, QWidget *parent);
    // For the derived constructor, after its setupUi.
    void SetControls(const Controls &controls);

    // The 4x1 page's audio and AUX controls: device values in, edits out.
    virtual void ShowExtras(const SignalIOParams &) {}
    virtual void TakeExtras(SignalIOParams &) const {}

private:
    // Reads every value into the controls; `report`: a failure goes to the
    // status bar.
    int ShowDeviceValues(bool report);
    void ShowPhase(const SignalIOParams &values);
    SignalIOParams FromControls() const;
    void ShowInputs(const QVector<SignalIOInfo> &info, bool locked);
    void ApplyFailed(const QString &failure);

    CfgNetClient *m_client;
    const SignalIOScope m_scope;
    Controls m_controls;
    QTimer m_alignTimer;
    Baseline<SignalIOParams> m_baseline{SignalIOModel::EditFields()};
};
