#include "../common/SimulatorClient.h"
#include "GpioParams.h"
#include "ParamsFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <type_traits>

namespace {
// Valid values in every field a parameter file holds, each different under
// seed 0 and 1 and from input to input and group to group.
void Vary(DeviceModel &m, int seed)
{
    const quint32 all = seed ? 0xFFFFFFFF : 0;
    for (int i = 0; i < kInputCount; ++i) {
        DetectionParam::Fields(m.detection[i], [=](int offset, int width, auto &field) {
            const bool flag = width == 1 && offset != 55;  // 55: the frozen video's Degree
            field = static_cast<std::remove_reference_t<decltype(field)>>(
                flag ? (offset + seed + i) % 2 : offset + seed + 3 * i + 1);
        });
        m.detection[i].audioLostChannels = quint16(0x5A5A ^ i ^ all);
        m.detection[i].audioSilentChannels = quint16(0x0F0F ^ i ^ all);
        m.triggers[i] = {0x12345u * (i + 1) ^ all, quint16(0x1234 * (i + 1) ^ all),
                         quint16(0xF00F >> i ^ all), quint32(i + seed) % 3};
    }
    m.systemEnable = 0x0A5A5 ^ (all & 0x1FFFF);
    for (int g = 0; g < kGroupCount; ++g) {
        const int odd = (g + seed) % 2;
        m.delayLine[g] = quint16(100 + 10 * g + seed);
        m.delayPixel[g] = quint16(200 + 10 * g + seed);
        m.clockingMode[g] = m.followGenlock[g] = m.fadingEnable[g] = m.pgm[g] = quint8(odd);
        m.relayManual[g] = quint8(odd);
        m.bypassProtect[g] = quint8(1 - odd);
        m.returnMethod[g] = quint8(1 + odd);
        m.fadingDuration[g] = quint32(300 + g + seed);
    }
    m.duplication = m.aux = m.gpiMode = quint8(seed);
    m.gpoMode = quint8(1 - seed);
    AGCParam &a = m.agc;
    a.gainControlMode = a.frequencyCompensation = quint8(seed);
    a.stereoMode = quint8(1 - seed);
    a.manualGain = -10 - seed;
    for (int k = 0; k < kAudioChannels; ++k) {
        a.channelMode[k] = quint32(k + seed) % 3;
    }
    a.loudnessSource = quint32(seed);
    a.targetLevel = quint8(20 + seed);
    a.upperThreshold = quint8(3 + seed);
    a.lowerThreshold = quint8(1 + seed);
    a.gainRatio = quint8(1 + seed);
    a.noiseThreshold = quint8(45 + seed);
    a.outputLimitThreshold = quint8(6 + seed);
}

// The whole parameter file of the device behind `client`, as Export writes it.
QByteArray Exported(CfgNetClient &client, int model)
{
    XmlDocument doc;
    QString failure;
    return ExportFile(client, doc, model, &failure) == 0 ? doc.ToBytes() : failure.toUtf8();
}

// The slash-separated paths of every element below `e`, branches first.
QStringList Paths(const QDomElement &e, const QString &at = {})
{
    QStringList paths;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        const QString path = at.isEmpty() ? c.tagName() : at + '/' + c.tagName();
        paths << path << Paths(c, path);
    }
    return paths;
}
}  // namespace

// The pages' parameters without a widget: values read from the device, the
// parameter file written and read back, and what an import refuses.
class TestParams : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void parseValue_data();
    void parseValue();
    void gpioElement();
    void refusals_data();
    void refusals();
    void xmlSafety_data();
    void xmlSafety();
    void xmlDocumentLookups();
    void everyElementIsNeeded_data() { Models(); }
    void everyElementIsNeeded();
    void fileCarriesEveryValue_data() { Models(); }
    void fileCarriesEveryValue();

private:
    static void Models()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("QVT Dual 2x1") << 50000;
        QTest::newRow("QVT 4x1") << 50001;
        QTest::newRow("QVT 4x1 AGC") << 50002;
    }
};

void TestParams::parseValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("type");
    QTest::addColumn<qint64>("value");  // -999 when refused
    QTest::addColumn<QString>("reason");
    const int u8 = int(WireType::U8), i8 = int(WireType::I8), u32 = int(WireType::U32);
    QTest::newRow("byte") << "255" << u8 << qint64(255) << "";
    QTest::newRow("byte, spaces around") << " 7\n" << u8 << qint64(7) << "";
    QTest::newRow("byte too large") << "256" << u8 << qint64(-999) << "256 does not fit (0 to 255)";
    QTest::newRow("negative byte") << "-1" << u8 << qint64(-999) << "-1 does not fit (0 to 255)";
    QTest::newRow("signed byte") << "-128" << i8 << qint64(-128) << "";
    QTest::newRow("signed byte too small") << "-129" << i8 << qint64(-999) << "does not fit";
    QTest::newRow("largest 32-bit") << "4294967295" << u32 << qint64(4294967295LL) << "";
    QTest::newRow("beyond 64 bits")
        << "99999999999999999999" << u32 << qint64(-999) << "does not fit";
    QTest::newRow("not a number") << "high" << u8 << qint64(-999) << "is not a decimal number";
    QTest::newRow("hexadecimal") << "0x10" << u8 << qint64(-999) << "is not a decimal number";
    QTest::newRow("a fraction") << "1.5" << u8 << qint64(-999) << "is not a decimal number";
    QTest::newRow("empty") << "" << u8 << qint64(-999) << "empty";
}

void TestParams::parseValue()
{
    QFETCH(QString, text);
    QFETCH(int, type);
    QFETCH(qint64, value);
    QFETCH(QString, reason);
    qint64 got = -999;
    QString why;
    QCOMPARE(ParseValue(text, static_cast<WireType>(type), &got, &why), reason.isEmpty());
    QCOMPARE(got, value);
    QVERIFY2(why.contains(reason), qPrintable(why));
}

// Device to values to file: the file's GPIO element is the bytes the tool
// has always written. (Back from the file to a device: fileCarriesEveryValue;
// a refused write's message: tests/app/tst_cli exitStatuses.)
void TestParams::gpioElement()
{
    QCOMPARE(m_client.SetGPIOTriggerMode(ActiveHigh, ActiveLow), 0);
    GpioParams values;
    QString failure;
    QCOMPARE(GpioModel::Read(m_client, values, &failure), 0);
    XmlDocument doc;
    doc.StartDocument();
    QDomElement root = doc.Root();
    doc.AddTextElement(root, "ModuleType", "50002");
    GpioModel::ToDocument(doc, values);
    QCOMPARE(doc.ToBytes(), QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                       "<configure>\n"
                                       "    <ModuleType>50002</ModuleType>\n"
                                       "    <GPIO>\n"
                                       "        <GPITriggerMode>1</GPITriggerMode>\n"
                                       "        <GPOTriggerMode>0</GPOTriggerMode>\n"
                                       "    </GPIO>\n"
                                       "</configure>\n"));
}

void TestParams::refusals_data()
{
    QTest::addColumn<QByteArray>("gpio");  // the GPIO part of the file
    QTest::addColumn<QString>("problem");
    // A missing element: everyElementIsNeeded.
    QTest::newRow("too large for its byte")
        << QByteArray(
               "<GPIO><GPITriggerMode>256</GPITriggerMode>"
               "<GPOTriggerMode>0</GPOTriggerMode></GPIO>")
        << "configure/GPIO/GPITriggerMode: 256 does not fit (0 to 255)";
    QTest::newRow("not a number")
        << QByteArray(
               "<GPIO><GPITriggerMode>1</GPITriggerMode>"
               "<GPOTriggerMode>low</GPOTriggerMode></GPIO>")
        << "configure/GPIO/GPOTriggerMode: \"low\" is not a decimal number";
    QTest::newRow("empty value")
        << QByteArray("<GPIO><GPITriggerMode/><GPOTriggerMode>0</GPOTriggerMode></GPIO>")
        << "configure/GPIO/GPITriggerMode: empty";
}

void TestParams::refusals()
{
    QFETCH(QByteArray, gpio);
    QFETCH(QString, problem);
    XmlDocument doc;
    QVERIFY(doc.LoadContent("<configure><ModuleType>50002</ModuleType>" + gpio + "</configure>"));
    // The GPIO part alone: the parts before it would refuse this file first.
    GpioParams values;
    QString why;
    QVERIFY(!GpioModel::FromDocument(doc, values, &why));
    QCOMPARE(why, problem);
}

void TestParams::xmlSafety_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("safe");
    const QByteArray plain = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configure/>";
    QTest::newRow("what the tool writes") << plain << true;
    QTest::newRow("comment before the root") << QByteArray("<!-- note --><configure/>") << true;
    QTest::newRow("doctype") << QByteArray("<!DOCTYPE configure><configure/>") << false;
    QTest::newRow("entity after the root") << QByteArray("<configure/><!ENTITY a \"b\">") << false;
    QTest::newRow("entity reference in the root")
        << QByteArray("<configure>&amp;&x;</configure>") << true;  // undeclared: a parse error
    QString utf16 = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"utf-16\"?><!DOCTYPE c [<!ENTITY a \"b\">]><c>&a;</c>");
    QByteArray wide(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2);
    QTest::newRow("doctype in UTF-16") << QByteArray("\xff\xfe", 2) + wide << false;
    QTest::newRow("over 4 MiB") << QByteArray(4 * 1024 * 1024 + 1, ' ') << false;
}

void TestParams::xmlSafety()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, safe);
    QCOMPARE(XmlDocument::IsSafeToParse(content), safe);
}

// What the pages rely on: MergeChild reuses an element of the same name,
// FindElement marks a missing one, and loading clears the mark.
void TestParams::xmlDocumentLookups()
{
    XmlDocument doc;
    const QString file = m_files.filePath("lookups.xml");
    doc.SetFileName(file);
    QVERIFY(doc.CreateNew());
    QDomElement root = doc.Root();
    QDomElement first = doc.CreateElement("Alarms");
    doc.MergeChild(first, root);
    doc.AddTextElement(first, "A", "1");
    QDomElement second = doc.CreateElement("Alarms");
    doc.MergeChild(second, root);
    doc.AddTextElement(second, "B", "2");
    QVERIFY(doc.Save());

    doc.SetMissing(true);
    QVERIFY(doc.Load());
    QVERIFY(!doc.IsMissing());
    const QDomNodeList top = doc.ChildNodes(doc.Root());
    QCOMPARE(top.count(), 1);  // one Alarms element holding both values
    const QDomElement alarms = doc.FindElement(top, "Alarms");
    QCOMPARE(doc.FindElement(doc.ChildNodes(alarms), "B").text(), QStringLiteral("2"));
    QVERIFY(!doc.IsMissing());
    QVERIFY(doc.FindElement(doc.ChildNodes(alarms), "C").isNull());
    QVERIFY(doc.IsMissing());
    doc.Close();
}

// A file the tool exported passes the import's check, whatever the device
// holds (its own odd values included); every element of it taken out alone
// fails the check with its own path. Only the signal I/O part may lack any
// of its own, whose sets are then left out (tst_signalio_params roundTrip).
void TestParams::everyElementIsNeeded()
{
    QFETCH(int, model);
    m_device->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([](DeviceModel &m) {
        m.gpiMode = 0xFF;
        m.gpoMode = 7;
    });
    XmlDocument doc;
    const QByteArray file = Exported(m_client, model);
    QVERIFY(doc.LoadContent(file));
    QString problem;
    QVERIFY2(CheckParts(doc, model, &problem), qPrintable(problem));
    for (const QString &path : Paths(doc.Root())) {
        QVERIFY(doc.LoadContent(file));
        QDomElement at = doc.Root();
        for (const QString &step : path.split('/')) {
            at = at.firstChildElement(step);
        }
        at.parentNode().removeChild(at);
        const bool optional = path == "ModuleType" || path.startsWith("SignalIO");
        QCOMPARE(CheckParts(doc, model, &problem), optional);
        QCOMPARE(problem, optional ? QString() : "configure/" + path + ": missing");
        problem.clear();
    }
    m_device->Command("model 50002");
}

// A file exported from one device and imported part by part into another,
// whose every value differs, exports from that one as the same bytes.
void TestParams::fileCarriesEveryValue()
{
    QFETCH(int, model);
    std::unique_ptr<DeviceSimulator> second;
    CfgNetClient client;
    StartAndLogIn(second, client, TestAddress());
    if (QTest::currentTestFailed()) {
        return;
    }
    for (int seed : {0, 1}) {
        DeviceSimulator &device = seed ? *second : *m_device;
        device.Command(QStringLiteral("model %1").arg(model));
        device.WithModel([seed](DeviceModel &m) { Vary(m, seed); });
    }
    const QByteArray file = Exported(m_client, model);
    QVERIFY(Exported(client, model) != file);
    XmlDocument doc;
    QVERIFY(doc.LoadContent(file));
    QString failure;
    QVERIFY2(CheckParts(doc, model, &failure), qPrintable(failure));
    for (const ParamPart &part : ParamParts(model)) {
        QVERIFY2(part.importFrom(client, doc, &failure) == 0, qPrintable(failure));
    }
    QCOMPARE(QString::fromUtf8(Exported(client, model)).split('\n'),
             QString::fromUtf8(file).split('\n'));
    m_device->Command("model 50002");
}

QTEST_GUILESS_MAIN(TestParams)
#include "tst_params.moc"
