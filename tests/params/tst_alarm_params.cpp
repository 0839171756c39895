#include "SystemAlarmParams.h"
#include "TriggerParams.h"

#include <QtTest>

namespace T = TriggerModel;
namespace S = SystemAlarmModel;

namespace {
// "path=value" for every text element under `element`, in document order.
QStringList Leaves(const QDomElement &element, const QString &path)
{
    QStringList leaves;
    for (QDomElement e = element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const QString at = path + '/' + e.tagName();
        leaves += e.firstChildElement().isNull() ? QStringList{at + '=' + e.text()} : Leaves(e, at);
    }
    return leaves;
}
}  // namespace

// The alarm combination and system alarm values without widgets: the table's
// rows, the file's elements of both models and what an import refuses. Missing
// elements, and a file carried from one device to another: tst_params.
class TestAlarmParams : public QObject
{
    Q_OBJECT

private slots:
    void triggerRows_data();
    void triggerRows();
    void triggerFile_data();
    void triggerFile();
    void systemAlarmFile_data();
    void systemAlarmFile();
};

void TestAlarmParams::triggerRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<quint64>("masks");  // video << 32 | lost << 16 | silent
    QTest::newRow("video frozen") << 4 << 0x10'0000'0000ull;
    QTest::newRow("audio lost ch1") << 5 << 0x0001'0000ull;
    QTest::newRow("audio lost ch16") << 20 << 0x8000'0000ull;
    QTest::newRow("audio silent ch1") << 21 << 0x0001ull;
    QTest::newRow("audio silent ch16") << 36 << 0x8000ull;
    QTest::newRow("combination row: no bit") << 37 << 0ull;
}

void TestAlarmParams::triggerRows()
{
    QFETCH(int, row);
    QFETCH(quint64, masks);
    alarmTrigger entry;
    T::SetTicked(entry, row, true);
    QCOMPARE(quint64(entry.VideoAlarmMask) << 32 | quint64(entry.AudioLostAlarmMask) << 16 |
                 entry.AudioSilentAlarmMask,
             masks);
    QCOMPARE(T::IsTicked(entry, row), masks != 0);
    // The device's unknown rules show as no item, which gives kNoItem back.
    QCOMPARE((QList<int>{T::CombinationIndex(0), T::CombinationIndex(2), T::CombinationIndex(7)}),
             (QList<int>{0, 2, -1}));
    QCOMPARE(T::CombinationOfIndex(1), 1u);
    QCOMPARE(T::CombinationOfIndex(-1), quint32(kNoItem));
}

void TestAlarmParams::triggerFile_data()
{
    QTest::addColumn<QString>("from");  // a text of input 3 replaced
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("problem");
    const auto row = [](const char *name, const char *from, const char *to, const char *problem) {
        const QString at = "configure/SwitchControl/AlarmCombination/Input3";
        QTest::newRow(name) << QString(from) << QString(to) << (*problem ? at + problem : "");
    };
    row("every value at its limit", "", "", "");
    row("video mask beyond 32 bits", ">4294967295<", ">4294967296<",
        "/VideoAlarmMask: 4294967296 does not fit (0 to 4294967295)");
    row("audio mask beyond 16 bits", ">65535<", ">65536<",
        "/AudioSilentAlarmMask: 65536 does not fit (0 to 65535)");
    // One byte on the wire: 256 would reach the device as 0, "Any".
    row("rule beyond its byte", ">255<", ">256<",
        "/TriggerCombination: 256 does not fit (0 to 255)");
    row("not a number", ">0<", ">none<", "/AudioLostAlarmMask: \"none\" is not a decimal number");
}

void TestAlarmParams::triggerFile()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(QString, problem);
    QString inputs;
    for (int k = 1; k <= 4; ++k) {
        const QString values = k == 3 ? "4294967295</VideoAlarmMask><AudioLostAlarmMask>0<"
                                        "/AudioLostAlarmMask><AudioSilentAlarmMask>65535<"
                                        "/AudioSilentAlarmMask><TriggerCombination>255"
                                      : "31</VideoAlarmMask><AudioLostAlarmMask>7<"
                                        "/AudioLostAlarmMask><AudioSilentAlarmMask>1<"
                                        "/AudioSilentAlarmMask><TriggerCombination>1";
        QString input = QStringLiteral("<Input%1><VideoAlarmMask>%2</TriggerCombination></Input%1>")
                            .arg(k)
                            .arg(values);
        inputs += k == 3 && !from.isEmpty() ? input.replace(from, to) : input;
    }
    XmlDocument doc;
    QVERIFY(doc.LoadContent(("<configure><SwitchControl><AlarmCombination>" + inputs +
                             "</AlarmCombination></SwitchControl></configure>")
                                .toUtf8()));
    AlarmTriggers entries;
    QString why;
    QCOMPARE(T::FromDocument(doc, entries, &why), problem.isEmpty());
    QCOMPARE(why, problem);
    if (problem.isEmpty()) {
        QCOMPARE(entries.size(), 4);
        QCOMPARE(entries[2].VideoAlarmMask, 0xFFFFFFFFu);
        QCOMPARE(entries[2].TriggerCombination, 255u);
        QCOMPARE(entries[3].AudioLostAlarmMask, quint16(7));
    }
}

void TestAlarmParams::systemAlarmFile_data()
{
    QTest::addColumn<bool>("dual");
    QTest::addColumn<QString>("edit");  // "element=text" in a file of every bit set
    QTest::addColumn<quint32>("mask");  // what the import then reads
    QTest::addColumn<QString>("problem");
    QTest::newRow("dual as exported") << true << "" << 0x1FFFFu << "";
    QTest::newRow("4x1 as exported") << false << "" << 0x198FFu << "";
    QTest::newRow("dual: PS1Fail 2 clears bit 15") << true << "PS1Fail=2" << 0x17FFFu << "";
    QTest::newRow("4x1: -1 clears GPI 3") << false << "GPI3Triggered=-1" << 0x190FFu << "";
    QTest::newRow("dual: not a number")
        << true << "GPI2Triggered=on" << 0u
        << "configure/Alarms/Settings/System/GroupA/GPI2Triggered: \"on\" is not a decimal "
           "number";
}

// Every bit of the model's table out as 0/1 under its path and back; 1 sets
// a bit, any other number clears it; a value that is no number refuses.
void TestAlarmParams::systemAlarmFile()
{
    QFETCH(bool, dual);
    QFETCH(QString, edit);
    QFETCH(quint32, mask);
    QFETCH(QString, problem);
    XmlDocument doc;
    doc.StartDocument();
    S::ToDocument(doc, dual, 0xFFFFFFFF & ~(1u << 2));
    const QStringList leaves = Leaves(doc.Root(), "configure");
    const QString system = "configure/Alarms/Settings/System/";
    const QString groupA = dual ? system + "GroupA/" : system;
    QCOMPARE(leaves.size(), dual ? 17 : 12);
    QCOMPARE(
        leaves.mid(0, 5),
        (QStringList{system + "PS1Fail=1", system + "PS2Fail=1", system + "GenlockLost=1",
                     groupA + "SystemClockingUnlocked=1", groupA + "GenlockingSourceSwitched=0"}));
    QCOMPARE(leaves.last(),
             dual ? system + "GroupB/OutputSwitched=1" : system + "OutputSwitched=1");
    // Each bit alone, in bit order: the one element that holds it ("-": none).
    QStringList bits;
    for (int bit = 0; bit < 17; ++bit) {
        XmlDocument single;
        single.StartDocument();
        S::ToDocument(single, dual, 1u << bit);
        const QStringList set = Leaves(single.Root(), "").filter(QRegularExpression("=1$"));
        bits << (set.isEmpty() ? "-"
                               : set.join('+').remove("/Alarms/Settings/System/").remove("=1"));
    }
    const auto group = [](const QString &in) {
        QStringList names;
        for (const char *name :
             {"SystemClockingUnlocked", "GenlockingSourceSwitched", "GPIRelayTriggered",
              "GPI1Triggered", "GPI2Triggered", "RelayBypassed", "OutputSwitched"}) {
            names << in + name;
        }
        return names.join(' ');
    };
    QCOMPARE(bits.join(' '),
             dual ? "GenlockLost " + group("GroupA/") + ' ' + group("GroupB/") + " PS1Fail PS2Fail"
                  : "GenlockLost " + group("") +
                        " - - - GPI3Triggered GPI4Triggered - - PS1Fail PS2Fail");

    QDomElement element =
        doc.Root().elementsByTagName("GenlockingSourceSwitched").at(0).toElement();
    element.firstChild().setNodeValue("1");
    if (!edit.isEmpty()) {
        element = doc.Root().elementsByTagName(edit.section('=', 0, 0)).at(0).toElement();
        element.firstChild().setNodeValue(edit.section('=', 1));
    }
    SystemAlarm back = 0xDEAD;
    QString why;
    QCOMPARE(S::FromDocument(doc, dual, back, &why), problem.isEmpty());
    QCOMPARE(why, problem);
    QCOMPARE(back, problem.isEmpty() ? mask : 0xDEADu);
    QCOMPARE(S::PageMask(dual, 0xFFFFFFFF), dual ? 0x1FFFFu : 0x198FFu);
}

QTEST_GUILESS_MAIN(TestAlarmParams)
#include "tst_alarm_params.moc"
