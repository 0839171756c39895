#include "LinkTypes.h"

void RegisterLinkTypes()
{
    qRegisterMetaType<PhaseState>("PhaseState");
    qRegisterMetaType<GPIOTriggerMode>("GPIOTriggerMode");
    qRegisterMetaType<SignalIOInfo>("SignalIOInfo");
    qRegisterMetaType<QVector<SignalIOInfo>>("QVector<SignalIOInfo>");
    qRegisterMetaType<AlarmInfo>("AlarmInfo");
    qRegisterMetaType<VideoStandard>("VideoStandard");
    qRegisterMetaType<AlarmType>("AlarmType");
    qRegisterMetaType<SystemAlarm>("SystemAlarm");
    qRegisterMetaType<QVector<VideoStandard>>("QVector<VideoStandard>");
    qRegisterMetaType<QVector<AlarmType>>("QVector<AlarmType>");
    qRegisterMetaType<QVector<unsigned short>>("QVector<unsigned short>");
    qRegisterMetaType<QVector<bool>>("QVector<bool>");
    qRegisterMetaType<QVector<QString>>("QVector<QString>");
    qRegisterMetaType<DetectionParam>("DetectionParam");
    qRegisterMetaType<alarmTrigger>("alarmTrigger");
    qRegisterMetaType<QVector<alarmTrigger>>("QVector<alarmTrigger>");
}
