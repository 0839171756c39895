#include "DetectionParams.h"

#include <QtTest>

#include <type_traits>

namespace M = DetectionModel;

namespace {
// Every field of a record, in the device's order: QCOMPARE shows where two differ.
QVector<qint64> Flat(const DetectionParam &p)
{
    QVector<qint64> out;
    DetectionParam::Fields(p, [&out](int, int, const auto &field) { out << qint64(field); });
    return out;
}

// A record whose values all differ, from each other and between inputs, and
// whose flags (the client sends them as 0 or 1) alternate.
DetectionParam Record(int input)
{
    DetectionParam p;
    DetectionParam::Fields(p, [input](int offset, int width, auto &field) {
        const bool flag = width == 1 && offset != 55;  // 55: the frozen video's Degree
        field = static_cast<std::remove_reference_t<decltype(field)>>(flag ? (offset + input) % 2
                                                                           : offset + input + 1);
    });
    p.audioLostChannels = quint16(0x8011 ^ input);
    p.audioSilentChannels = quint16(0x0102 ^ input);
    p.audioSilentThreshold = -50 - input;
    return p;
}

// The element names below `e`, nested in brackets.
QString Layout(const QDomElement &e)
{
    QStringList names;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        names << (c.firstChildElement().isNull() ? c.tagName()
                                                 : c.tagName() + '[' + Layout(c) + ']');
    }
    return names.join(',');
}

// The texts of the value elements below `e` (channel flags aside: Flags()),
// in document order.
QVector<qint64> Values(const QDomElement &e)
{
    QVector<qint64> values;
    for (QDomElement c = e.firstChildElement(); !c.isNull(); c = c.nextSiblingElement()) {
        values += c.firstChildElement().isNull()
                      ? QVector<qint64>(!c.tagName().startsWith("Ch"), c.text().toLongLong())
                      : Values(c);
    }
    return values;
}

QString Flags(const QDomElement &part)
{
    QString flags;
    for (int k = 1; k <= 16; ++k) {
        flags += part.firstChildElement(QStringLiteral("Ch%1Enable").arg(k)).text();
    }
    return flags;
}
}  // namespace

// One input's detection record without a window: where each model files it
// and what an import refuses. The record carried from device to device:
// tst_params fileCarriesEveryValue.
class TestDetectionParams : public QObject
{
    Q_OBJECT

private slots:
    void elementPaths_data();
    void elementPaths();
    void refusals_data();
    void refusals();
};

void TestDetectionParams::elementPaths_data()
{
    QTest::addColumn<bool>("dual");
    QTest::addColumn<int>("input");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("lostFlags");  // Ch1Enable to Ch16Enable
    const auto row = [](const char *name, bool dual, int input, const char *path,
                        const char *lostFlags) {
        QTest::newRow(name) << dual << input << QString(path) << QString(lostFlags);
    };
    row("dual, index 0", true, 0, "GroupA/Input1", "1000100000000001");
    row("dual, index 1", true, 1, "GroupA/Input2", "0000100000000001");
    row("dual, index 2", true, 2, "GroupB/Input1", "1100100000000001");
    row("dual, index 3", true, 3, "GroupB/Input2", "0100100000000001");
    row("4x1, index 0", false, 0, "GroupA/Input1", "1000100000000001");
    row("4x1, index 3", false, 3, "GroupA/Input4", "0100100000000001");
}

// All four inputs in one document: each under its own group and input, in
// the file's element order, and read back as written.
void TestDetectionParams::elementPaths()
{
    QFETCH(bool, dual);
    QFETCH(int, input);
    QFETCH(QString, path);
    QFETCH(QString, lostFlags);
    XmlDocument doc;
    doc.StartDocument();
    for (int i = 0; i < 4; ++i) {
        M::ToDocument(doc, {i, dual}, Record(i));
    }
    const QDomElement settings =
        doc.Root().firstChildElement("Alarms").firstChildElement("Settings");
    QCOMPARE(Layout(settings).count(QRegularExpression("Group.\\[")), dual ? 2 : 1);
    const QStringList steps = path.split('/');
    const QDomElement at = settings.firstChildElement(steps[0]).firstChildElement(steps[1]);
    QVERIFY(!at.isNull());
    QStringList channels;
    for (int k = 1; k <= 16; ++k) {
        channels << QStringLiteral("Ch%1Enable").arg(k);
    }
    const QString region = "Region[IsEnable,Left,Right,Top,Bottom,IsInvert]";
    QCOMPARE(Layout(at),
             "VideoLost[IsEnable,TriggerTime,ClearTime],"
             "FormatError[IsEnable,TriggerTime,ClearTime],"
             "SyncFailed[IsEnable,TriggerTime,ClearTime],"
             "VideoBlack[IsEnable,UpperThreshold,LowerThreshold,Degree,TriggerTime,"
             "ClearTime," +
                 region + "],VideoFreeze[IsEnable,Diff,Degree,TriggerTime,ClearTime," + region +
                 "],AudioLost[" + channels.join(',') + ",TriggerTime,ClearTime],AudioSilent[" +
                 channels.join(',') + ",Threshold,TriggerTime,ClearTime]");
    // Each element holds the field the design names for it: every value
    // differs, so two swapped elements show.
    const DetectionParam r = Record(input);
    QCOMPARE(
        Values(at),
        (QVector<qint64>{r.lostEnable,          r.lostTriggerTime,      r.lostClearTime,
                         r.formatEnable,        r.formatTriggerTime,    r.formatClearTime,
                         r.syncEnable,          r.syncTriggerTime,      r.syncClearTime,
                         r.blackEnable,         r.blackValue1,          r.blackValue2,
                         r.blackValue3,         r.blackTriggerTime,     r.blackClearTime,
                         r.blackRegionEnable,   r.blackRegionLeft,      r.blackRegionRight,
                         r.blackRegionTop,      r.blackRegionBottom,    r.blackRegionInvert,
                         r.freezeEnable,        r.freezeValue1,         r.freezeValue2,
                         r.freezeTriggerTime,   r.freezeClearTime,      r.freezeRegionEnable,
                         r.freezeRegionLeft,    r.freezeRegionRight,    r.freezeRegionTop,
                         r.freezeRegionBottom,  r.freezeRegionInvert,   r.audioLostTriggerTime,
                         r.audioLostClearTime,  r.audioSilentThreshold, r.audioSilentTriggerTime,
                         r.audioSilentClearTime}));
    QCOMPARE(Flags(at.firstChildElement("AudioLost")), lostFlags);
    DetectionParam back;
    QString problem;
    QVERIFY2(M::FromDocument(doc, {input, dual}, back, &problem), qPrintable(problem));
    QCOMPARE(Flat(back), Flat(Record(input)));
}

void TestDetectionParams::refusals_data()
{
    QTest::addColumn<QString>("element");  // below the input element; empty: the input itself
    QTest::addColumn<QString>("text");     // its new text (taken out: tst_params)
    QTest::addColumn<QString>("problem");  // after the input's path; empty: accepted
    QTest::addColumn<int>("silentMask");   // when accepted
    const auto row = [](const char *name, const char *element, const char *text,
                        const char *problem, int silentMask = 0) {
        QTest::newRow(name) << QString(element) << QString(text) << QString(problem) << silentMask;
    };
    row("Ch5Enable 2 counts as set", "AudioSilent/Ch5Enable", "2", "", 0x0112);
    row("Left beyond 16 bits", "VideoBlack/Region/Left", "65536",
        "/VideoBlack/Region/Left: 65536 does not fit (0 to 65535)");
    row("frozen Degree is a byte", "VideoFreeze/Degree", "256",
        "/VideoFreeze/Degree: 256 does not fit (0 to 255)");
    row("Threshold below 32 bits", "AudioSilent/Threshold", "-2147483649",
        "/AudioSilent/Threshold: -2147483649 does not fit (-2147483648 to 2147483647)");
    row("TriggerTime not a number", "VideoLost/TriggerTime", "1s",
        "/VideoLost/TriggerTime: \"1s\" is not a decimal number");
    row("channel flag beyond a byte", "AudioLost/Ch16Enable", "256",
        "/AudioLost/Ch16Enable: 256 does not fit (0 to 255)");
}

void TestDetectionParams::refusals()
{
    QFETCH(QString, element);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QFETCH(int, silentMask);
    XmlDocument doc;
    doc.StartDocument();
    M::ToDocument(doc, {2, false}, Record(0));
    QDomElement at = doc.Root().firstChildElement("Alarms").firstChildElement("Settings");
    at = at.firstChildElement("GroupA").firstChildElement("Input3");
    for (const QString &step : element.split('/', Qt::SkipEmptyParts)) {
        at = at.firstChildElement(step);
    }
    QVERIFY(!at.isNull());
    at.firstChild().setNodeValue(text);
    DetectionParam back = Record(3);
    const DetectionParam untouched = back;
    QString why;
    QCOMPARE(M::FromDocument(doc, {2, false}, back, &why), problem.isEmpty());
    if (problem.isEmpty()) {
        QCOMPARE(back.audioSilentChannels, quint16(silentMask));
    } else {
        QCOMPARE(why, "configure/Alarms/Settings/GroupA/Input3" + problem);
        QCOMPARE(Flat(back), Flat(untouched));
    }
}

QTEST_GUILESS_MAIN(TestDetectionParams)
#include "tst_detection_params.moc"
