#include "../common/SimulatorClient.h"
#include "ParamsFile.h"
#include "SignalIOParams.h"

#include <QtTest>

namespace {

// What the signal I/O pages own on the device, for comparing it whole.
QVector<qint64> Owned(DeviceModel &m)
{
    return {m.delayLine[0],    m.delayLine[1],      m.delayPixel[0],    m.delayPixel[1],
            m.clockingMode[0], m.clockingMode[1],   m.followGenlock[0], m.followGenlock[1],
            m.fadingEnable[0], m.fadingDuration[0], m.duplication,      m.aux};
}

// Seeds 5 and 8 give every value of a group a number of its own, and each
// value another number under the other seed.
void SetOwned(DeviceModel &m, int seed)
{
    for (int g = 0; g < 2; ++g) {
        m.delayLine[g] = quint16(seed + 10 * g);
        m.delayPixel[g] = quint16(seed * 7 + g);
        m.clockingMode[g] = quint8((seed + g) % 2);
        m.followGenlock[g] = quint8((seed + 3 * g) % 11 + 20);
    }
    m.fadingEnable[0] = quint8((seed + 1) % 2);
    m.fadingDuration[0] = quint32(100 + seed);
    m.duplication = quint8((seed + 2) % 4);
    m.aux = quint8((seed + 4) % 5);
}

// "name=value" of every text element below `e`, nested in brackets.
QString Values(const QDomElement &e)
{
    QStringList out;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        out << c.tagName() +
                   (c.firstChildElement().isNull() ? '=' + c.text() : '[' + Values(c) + ']');
    }
    return out.join(',');
}
}  // namespace

// The signal I/O pages' parameters without a widget: the parameter file
// through the simulator, and an import that skips a set of values with an
// empty text but refuses a value that is not a number. (The conversions show
// in tests/app/tst_signalio and in tst_pages applyKeepsUntouched.)
class TestSignalIOParams : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void roundTrip_data();
    void roundTrip();
    void refusals_data();
    void refusals();
};

void TestSignalIOParams::roundTrip_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("drop");  // an element taken out of the file
    // A whole file carried: tst_params fileCarriesEveryValue.
    QTest::newRow("dual, no SystemClockingMode") << 50000 << "SystemClockingMode";
    QTest::newRow("4x1, no SystemClockingMode") << 50001 << "SystemClockingMode";
    QTest::newRow("4x1, no AuxSource") << 50002 << "AuxSource";
}

// Export, change the device, import: the device holds the exported values
// again, except for the set whose element the file lacks.
void TestSignalIOParams::roundTrip()
{
    QFETCH(int, model);
    QFETCH(QString, drop);
    const bool dual = model == 50000;
    m_device->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([](DeviceModel &m) { SetOwned(m, 5); });
    const QVector<qint64> exported = m_device->WithModel([](DeviceModel &m) { return Owned(m); });

    XmlDocument doc;
    doc.StartDocument();
    QString failure;
    QCOMPARE(ExportParts(m_client, doc, model, &failure), 0);
    const QString genlocking =
        "Genlocking[GenlockPhaseDelayLine=%1,GenlockPhaseDelayPixel=%2,"
        "PhaseAlignFollowGenlock=%3,SystemClockingMode=%4]";
    QCOMPARE(Values(doc.Root().firstChildElement("SignalIO")),
             dual ? "GroupA[" + genlocking.arg(5).arg(35).arg(25).arg(1) + "],GroupB[" +
                        genlocking.arg(15).arg(36).arg(28).arg(0) + ']'
                  : "GroupA[" + genlocking.arg(5).arg(35).arg(25).arg(1) +
                        ",QuietSwitching[IsEnable=0,AudioFadingDuration=105],AudioDuplication=3,"
                        "OutputConfiguration[AuxSource=4]]");
    const QDomNodeList found = doc.Root().elementsByTagName(drop);
    QList<QDomNode> dropped;
    for (int i = 0; i < found.count(); ++i) {
        dropped << found.at(i);
    }
    for (QDomNode node : dropped) {
        node.parentNode().removeChild(node);
    }

    m_device->WithModel([](DeviceModel &m) { SetOwned(m, 8); });
    const QVector<qint64> changed = m_device->WithModel([](DeviceModel &m) { return Owned(m); });
    QString problem;
    QVERIFY2(CheckParts(doc, model, &problem), qPrintable(problem));
    for (int group = 0; group < (dual ? 2 : 1); ++group) {
        SignalIOParams values;
        QVERIFY(SignalIOModel::FromDocument(doc, {group, dual}, values, &problem));
        QCOMPARE(SignalIOModel::Write(m_client, {group, dual}, values, &failure), 0);
    }
    QVector<qint64> expected = exported;
    if (!dual) {
        // The 4x1 models have one group: element 1 goes out as 0.
        for (int i : {1, 3, 5, 7}) {
            expected[i] = 0;
        }
    } else {
        for (int i : {8, 9, 10, 11}) {
            expected[i] = changed[i];  // not the dual pages' to write
        }
    }
    for (int i :
         drop == "AuxSource" ? QVector<int>{8, 9, 10, 11} : QVector<int>{0, 1, 2, 3, 4, 5}) {
        expected[i] = changed[i];
    }
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return Owned(m); }), expected);
}

void TestSignalIOParams::refusals_data()
{
    QTest::addColumn<QByteArray>("genlocking");
    QTest::addColumn<QString>("problem");
    QTest::newRow("not a number")
        << QByteArray("<GenlockPhaseDelayLine>ten</GenlockPhaseDelayLine>")
        << "configure/SignalIO/GroupA/Genlocking/GenlockPhaseDelayLine: \"ten\" is not a "
           "decimal number";
    // Its set is skipped (no clocking mode), yet the value must still fit.
    QTest::newRow("too large, in a skipped set")
        << QByteArray("<GenlockPhaseDelayPixel>65536</GenlockPhaseDelayPixel>")
        << "configure/SignalIO/GroupA/Genlocking/GenlockPhaseDelayPixel: 65536 does not fit "
           "(0 to 65535)";
    QTest::newRow("negative follow")
        << QByteArray("<PhaseAlignFollowGenlock>-1</PhaseAlignFollowGenlock>")
        << "configure/SignalIO/GroupA/Genlocking/PhaseAlignFollowGenlock: -1 does not fit "
           "(0 to 255)";
}

void TestSignalIOParams::refusals()
{
    QFETCH(QByteArray, genlocking);
    QFETCH(QString, problem);
    XmlDocument doc;
    QVERIFY(
        doc.LoadContent("<configure><ModuleType>50001</ModuleType><SignalIO><GroupA>"
                        "<Genlocking>" +
                        genlocking + "</Genlocking></GroupA></SignalIO></configure>"));
    SignalIOParams values;
    QString why;
    QVERIFY(!SignalIOModel::FromDocument(doc, {0, false}, values, &why));
    QCOMPARE(why, problem);
}

QTEST_GUILESS_MAIN(TestSignalIOParams)
#include "tst_signalio_params.moc"
