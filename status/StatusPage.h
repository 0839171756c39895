#pragma once

#include "BaseWidget.h"

#include <QVector>

class QLabel;
class Session;

// The live lamp board: for each of the four inputs its five video alarms and
// the lost and silent alarm of each audio channel, and the device's system
// alarms. A lamp is red for an active alarm that takes part in the input's
// alarm combination, yellow for any other active alarm, green for an enabled
// detection without alarm and gray for a disabled one. The two models' pages
// differ only in their form and their system lamps.
class StatusPage : public BaseWidget
{
    Q_OBJECT

public:
    enum class Colour { Gray, Green, Red, Yellow };

    // The rule of an input lamp: `combined` is the alarm's bit in the
    // input's alarm-combination mask of that kind.
    static Colour InputColour(bool active, bool combined, bool enabled);
    // System lamps have no combination and are never red.
    static Colour SystemColour(bool active, bool enabled);
    static QString StyleSheet(Colour colour);

    int RefreshFromDevice() override;
    int LeavePage() override;

    // The number of lamps the board found in its form.
    int LampCount() const { return m_lamps.size(); }

public slots:
    // The stored alarm configuration; none of these repaints: a change shows
    // at the next notification or reload.
    void OnDetectionChanged(int index, DetectionParam param);
    void OnAlarmTriggerChanged(QVector<alarmTrigger> trigger);
    void OnSystemAlarmChanged(SystemAlarm mask);
    // false: every lamp gray (disconnected); true: read the device afresh.
    void OnUpdateStatus(bool need);
    // One entry per input in each vector.
    void OnNotifyStatusUpdate(QVector<AlarmType> vecType, QVector<unsigned short> vecLost,
                              QVector<unsigned short> vecSilent, SystemAlarm alarm);

protected:
    struct SystemLamp {
        int bit;
        QLabel *lamp;
    };

    StatusPage(Session *session, bool dual, QWidget *parent);
    // Called by the page's constructor once its form is built: the system
    // lamps of its model, then the input lamps found by their names; runs the
    // reload unless no session is open.
    void Bind(const QVector<SystemLamp> &systemLamps);

private:
    enum class Kind { System, Video, Lost, Silent };
    struct Lamp {
        QLabel *label;
        Kind kind;
        int input;  // 0-3; unused for system lamps
        int bit;    // system or video bit, or audio channel - 1
        bool mark = false;
        int shown = -1;  // the Colour painted last, -1 before the first paint
    };

    void Reload();
    void StoreTriggers(const QVector<alarmTrigger> &trigger);
    bool Enabled(const Lamp &lamp) const;
    bool Combined(const Lamp &lamp) const;
    static bool Active(const Lamp &lamp, const QVector<AlarmType> &video,
                       const QVector<unsigned short> &lost, const QVector<unsigned short> &silent,
                       SystemAlarm system);
    Colour ColourOf(const Lamp &lamp, bool active) const;
    void Paint(Lamp &lamp, Colour colour);

    Session *m_session;
    CfgNetClient *m_client;
    const bool m_dual;
    // In repaint order: the power supplies, the inputs (video, lost, silent),
    // then the other system lamps by bit.
    QVector<Lamp> m_lamps;
    DetectionParam m_detection[kInputCount];
    SystemAlarm m_systemEnable = 0;
    alarmTrigger m_trigger[kInputCount];
};
