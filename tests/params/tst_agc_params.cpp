#include "AgcParams.h"
#include "DeviceTypes.h"

#include <QtTest>

#include <functional>

namespace {
// One control and its field: the two directions, the codes the device
// defines and the values the control offers.
struct Conversion {
    const char *name;
    std::function<int(qint64)> shown;
    std::function<qint64(int)> stored;
    QVector<qint64> codes;
    QVector<int> controls;
};

QVector<int> Range(int from, int to, int step = 1)
{
    QVector<int> values;
    for (int v = from; v <= to; v += step) {
        values << v;
    }
    return values;
}

QVector<qint64> Codes(int from, int to)
{
    QVector<qint64> codes;
    for (int v = from; v <= to; ++v) {
        codes << v;
    }
    return codes;
}

const QVector<Conversion> &Conversions()
{
    using namespace AgcModel;
    static const QVector<Conversion> table = {
        {"gain control mode", GainModeIndex, GainModeOf, Codes(0, 1), Range(0, 1)},
        {"channel adjust mode", ChannelIndex, ChannelModeOf, Codes(0, 2), Range(0, 2)},
        {"dBFS magnitude", ShownDbfs, MagnitudeOf, Codes(0, 255), Range(-63, 0)},
        {"gain ratio", GainRatioPercent, GainRatioOf, Codes(0, 3), Range(25, 100, 25)},
        {"loudness source", LoudnessIndex, LoudnessOf, Codes(0, 1), Range(0, 1)},
        {"enabled flag", EnabledIndex, EnabledOf, Codes(0, 1), Range(0, 1)},
    };
    return table;
}
}  // namespace

// The AGC page's values without widgets: the controls' terms, the parameter
// file's elements, and what an import refuses.
class TestAgcParams : public QObject
{
    Q_OBJECT

private slots:
    void conversionsAreInverses_data();
    void conversionsAreInverses();
    void documentRoundTrip();
    void refusals_data();
    void refusals();
};

void TestAgcParams::conversionsAreInverses_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < Conversions().size(); ++i) {
        QTest::newRow(Conversions()[i].name) << i;
    }
}

// Every code the device defines comes back from its control unchanged, and
// every value a control offers comes back from the device's code.
void TestAgcParams::conversionsAreInverses()
{
    QFETCH(int, row);
    const Conversion &c = Conversions()[row];
    for (qint64 code : c.codes) {
        QCOMPARE(c.stored(c.shown(code)), code);
    }
    for (int control : c.controls) {
        QCOMPARE(c.shown(c.stored(control)), control);
    }
}

// Values to the file in the elements and order the tool has always written,
// and back; the flags go to the device as 1 or 0.
void TestAgcParams::documentRoundTrip()
{
    AgcParams values;
    values.gainControlMode = 1;
    values.manualGain = -40;
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        values.channelMode[k] = k % 3;
    }
    values.targetLevel = 12;
    values.loudnessSource = 1;
    values.frequencyCompensation = 1;
    values.noiseThreshold = 63;
    values.gainRatio = 2;
    values.upperThreshold = 6;
    values.lowerThreshold = 3;
    values.outputLimitThreshold = 40;
    XmlDocument doc;
    doc.StartDocument();
    AgcModel::ToDocument(doc, values);
    QString channels;
    for (int k = 0; k < AgcParams::kChannels; ++k) {
        channels +=
            QStringLiteral("                <Channel%1>%2</Channel%1>\n").arg(k + 1).arg(k % 3);
    }
    QCOMPARE(QString::fromUtf8(doc.ToBytes()),
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<configure>\n    <AGC>\n"
             "        <GeneralConfig>\n"
             "            <GainControlMode>1</GainControlMode>\n"
             "            <ManualGain>-40</ManualGain>\n"
             "            <GainAdjustMode>\n" +
                 channels +
                 "            </GainAdjustMode>\n"
                 "        </GeneralConfig>\n"
                 "        <AGC>\n"
                 "            <TargetLevel>12</TargetLevel>\n"
                 "            <LoudnessSource>1</LoudnessSource>\n"
                 "            <FreqencyCompensating>1</FreqencyCompensating>\n"
                 "            <StereoMode>0</StereoMode>\n"
                 "            <NoiseThreshold>63</NoiseThreshold>\n"
                 "            <GainRatio>2</GainRatio>\n"
                 "            <UpperThreshold>6</UpperThreshold>\n"
                 "            <LowerThreshold>3</LowerThreshold>\n"
                 "            <OutputLimitThreshold>40</OutputLimitThreshold>\n"
                 "        </AGC>\n    </AGC>\n</configure>\n");
    QVERIFY(doc.LoadContent(doc.ToBytes()));
    AgcParams back;
    QString problem;
    QVERIFY2(AgcModel::FromDocument(doc, back, &problem), qPrintable(problem));
    QCOMPARE(back, values);
    QCOMPARE(AgcModel::FromDevice(AgcModel::ToDevice(back)), values);
}

void TestAgcParams::refusals_data()
{
    QTest::addColumn<QByteArray>("from");  // a line of a good file
    QTest::addColumn<QByteArray>("to");    // and what it becomes
    QTest::addColumn<QString>("problem");
    // A missing element: tst_params everyElementIsNeeded.
    QTest::newRow("a channel beyond its byte")
        << QByteArray("<Channel16>1</Channel16>") << QByteArray("<Channel16>257</Channel16>")
        << "configure/AGC/GeneralConfig/GainAdjustMode/Channel16: 257 does not fit (0 to 255)";
    QTest::newRow("a target level beyond its byte, not cut to 8 bits")
        << QByteArray("<TargetLevel>27</TargetLevel>")
        << QByteArray("<TargetLevel>283</TargetLevel>")
        << "configure/AGC/AGC/TargetLevel: 283 does not fit (0 to 255)";
}

void TestAgcParams::refusals()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QFETCH(QString, problem);
    AgcParams values;
    values.targetLevel = 27;
    values.outputLimitThreshold = 6;
    values.channelMode.fill(1);
    XmlDocument doc;
    doc.StartDocument();
    AgcModel::ToDocument(doc, values);
    QByteArray content = doc.ToBytes();
    QVERIFY(content.contains(from));
    QVERIFY(doc.LoadContent(content.replace(from, to)));
    AgcParams read;
    read.manualGain = 99;
    QString why;
    QVERIFY(!AgcModel::FromDocument(doc, read, &why));
    QCOMPARE(why, problem);
    QCOMPARE(read.manualGain, qint64(99));  // a refused file leaves the values alone
}

QTEST_GUILESS_MAIN(TestAgcParams)
#include "tst_agc_params.moc"
