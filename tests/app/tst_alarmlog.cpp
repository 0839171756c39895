#include <QtTest>

// Placeholder until its tests land.
class Placeholder : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(Placeholder)
#include "tst_alarmlog.moc"
