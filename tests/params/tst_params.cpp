#include "../common/Files.h"
#include "../common/SimulatorClient.h"
#include "GpioParams.h"
#include "ParamsFile.h"

#include <QTemporaryDir>
#include <QtTest>

// The pages' parameters without a widget: values read from the device, the
// parameter file written and read back, and what an import refuses.
class TestParams : public QObject, public SimulatorClient
{
    Q_OBJECT

private slots:
    void initTestCase() { StartAndLogIn(); }
    void parseValue_data();
    void parseValue();
    void gpioRoundTrip();
    void refusals_data();
    void refusals();
    void exportedFilesPass_data();
    void exportedFilesPass();
    void xmlSafety_data();
    void xmlSafety();
    void xmlDocumentLookups();
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

// Device to values to file and back; the file's GPIO element is the bytes
// the tool has always written.
void TestParams::gpioRoundTrip()
{
    QCOMPARE(m_client.SetGPIOTriggerMode(ActiveHigh, ActiveLow), 0);
    GpioParams values;
    QString failure;
    QCOMPARE(GpioModel::Read(m_client, values, &failure), 0);
    XmlDocument doc;
    const QString file = m_files.filePath("gpio.xml");
    doc.SetFileName(file);
    QVERIFY(doc.CreateNew());
    QDomElement root = doc.Root();
    doc.AddTextElement(root, "ModuleType", "50002");
    GpioModel::ToDocument(doc, values);
    QVERIFY(doc.Save());
    QCOMPARE(ReadFile(file), QByteArray("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                        "<configure>\n"
                                        "    <ModuleType>50002</ModuleType>\n"
                                        "    <GPIO>\n"
                                        "        <GPITriggerMode>1</GPITriggerMode>\n"
                                        "        <GPOTriggerMode>0</GPOTriggerMode>\n"
                                        "    </GPIO>\n"
                                        "</configure>\n"));
    QVERIFY(doc.Load());
    GpioParams back;
    QString problem;
    QVERIFY2(GpioModel::FromDocument(doc, back, &problem), qPrintable(problem));
    QCOMPARE(back.gpiMode, qint64(1));
    QCOMPARE(back.gpoMode, qint64(0));

    // A write the device refuses names the operation and the device's answer.
    m_device->Command("fault reject 33 1");
    QCOMPARE(GpioModel::Write(m_client, back, &failure), -1);
    QCOMPARE(failure, QStringLiteral("SetGPIOTriggerMode: Failed"));
    m_device->Command("fault clear");
}

void TestParams::refusals_data()
{
    QTest::addColumn<QByteArray>("gpio");  // the GPIO part of the file
    QTest::addColumn<QString>("problem");
    QTest::newRow("no GPIO element") << QByteArray() << "configure/GPIO: missing";
    QTest::newRow("a value missing")
        << QByteArray("<GPIO><GPITriggerMode>1</GPITriggerMode></GPIO>")
        << "configure/GPIO/GPOTriggerMode: missing";
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
    doc.SetFileName(WriteFile(m_files.filePath("refused.xml"),
                              "<configure><ModuleType>50002</ModuleType>" + gpio + "</configure>"));
    QVERIFY(doc.Load());
    // The GPIO part alone: the parts before it would refuse this file first.
    GpioParams values;
    QString why;
    QVERIFY(!GpioModel::FromDocument(doc, values, &why));
    QCOMPARE(why, problem);
}

void TestParams::exportedFilesPass_data()
{
    QTest::addColumn<int>("model");
    QTest::newRow("QVT Dual 2x1") << 50000;
    QTest::newRow("QVT 4x1") << 50001;
    QTest::newRow("QVT 4x1 AGC") << 50002;
}

// Whatever the device holds, a file the tool exported passes the import's
// check; the device's own odd values included.
void TestParams::exportedFilesPass()
{
    QFETCH(int, model);
    m_device->Command(QStringLiteral("model %1").arg(model));
    m_device->WithModel([](DeviceModel &m) {
        m.gpiMode = 0xFF;
        m.gpoMode = 7;
    });
    XmlDocument doc;
    doc.SetFileName(m_files.filePath("exported.xml"));
    QVERIFY(doc.CreateNew());
    QString failure;
    QCOMPARE(ExportParts(m_client, doc, model, &failure), 0);
    QVERIFY(doc.Save());
    QVERIFY(doc.Load());
    QString problem;
    QVERIFY2(CheckParts(doc, model, &problem), qPrintable(problem));
    m_device->Command("model 50002");
    m_device->WithModel([](DeviceModel &m) {
        m.gpiMode = 0;
        m.gpoMode = 1;
    });
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

QTEST_GUILESS_MAIN(TestParams)
#include "tst_params.moc"
