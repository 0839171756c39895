#include "../common/SimulatorClient.h"
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
// rows, the file's elements of both models and what an import refuses, and
// a file carried from one device to another.
class TestAlarmParams : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void triggerRows_data();
    void triggerRows();
    void triggerFile_data();
    void triggerFile();
    void systemAlarmFile_data();
    void systemAlarmFile();
    void roundTrip_data();
    void roundTrip();
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
    row("no rule", "<TriggerCombination>255</TriggerCombination>", "",
        "/TriggerCombination: missing");
    row("no Input3", "Input3>", "Input5>", ": missing");
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
    QFile file(m_files.filePath("combination.xml"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(("<configure><SwitchControl><AlarmCombination>" + inputs +
                "</AlarmCombination></SwitchControl></configure>")
                   .toUtf8());
    file.close();
    XmlDocument doc;
    doc.SetFileName(file.fileName());
    QVERIFY(doc.Load());
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
    doc.SetFileName(m_files.filePath("system.xml"));
    QVERIFY(doc.CreateNew());
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

void TestAlarmParams::roundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVT Dual 2x1") << 50000;
    QTest::newRow("QVT 4x1 AGC") << 50002;  // the QVT 4x1's pages too
}

// One device's entries and enables through a file into another device; the
// 4x1 models' file has no group B bits, so the second device gets none.
void TestAlarmParams::roundTrip()
{
    QFETCH(int, model);
    const bool dual = model == 50000;
    std::unique_ptr<DeviceSimulator> second;
    CfgNetClient client;
    StartAndLogIn(second, client, TestAddress());
    if (QTest::currentTestFailed()) {
        return;
    }
    AlarmTriggers held(4);
    for (int j = 0; j < 4; ++j) {
        held[j] = {quint32(j * 7 + 1), quint16(0x1234 * (j + 1)), quint16(0xF00F >> j),
                   quint32(j % 3)};
    }
    m_device->Command(QStringLiteral("model %1").arg(model));
    second->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([&](DeviceModel &m) {
        std::copy(held.begin(), held.end(), m.triggers);
        m.systemEnable = 0x1A5A5;  // bits 8, 10 and 13 among them
    });

    XmlDocument doc;
    doc.SetFileName(m_files.filePath("carried.xml"));
    QVERIFY(doc.CreateNew());
    AlarmTriggers entries;
    SystemAlarm mask = 0;
    QString failure, problem;
    QCOMPARE(T::Read(m_client, entries, &failure), 0);
    QCOMPARE(S::Read(m_client, mask, &failure), 0);
    T::ToDocument(doc, entries);
    S::ToDocument(doc, dual, mask);
    QVERIFY(doc.Save() && doc.Load());
    QVERIFY2(T::FromDocument(doc, entries, &problem), qPrintable(problem));
    QVERIFY2(S::FromDocument(doc, dual, mask, &problem), qPrintable(problem));
    QCOMPARE(T::Write(client, entries, &failure), 0);
    QCOMPARE(S::Write(client, mask, &failure), 0);
    QCOMPARE(
        second->WithModel([](DeviceModel &m) { return AlarmTriggers(m.triggers, m.triggers + 4); }),
        held);
    QCOMPARE(second->WithModel([](DeviceModel &m) { return m.systemEnable; }),
             dual ? 0x1A5A5u : 0x1A5A5u & ~0x6700u);

    // A refused write names the operation and the device's answer.
    second->Command("fault reject 37 1");
    QCOMPARE(S::Write(client, mask, &failure), -1);
    QCOMPARE(failure, QStringLiteral("SetSystemAlarmParam: Failed"));
    m_device->Command("model 50002");
}

QTEST_GUILESS_MAIN(TestAlarmParams)
#include "tst_alarm_params.moc"
