#include "SwitchControlParams.h"

#include <QtTest>

namespace M = SwitchControlModel;

// The switch control pages' values without a device: the combos' terms and
// the part of the parameter file, both groups in one element.
class TestSwitchControlParams : public QObject
{
    Q_OBJECT

private slots:
    void comboIndexes_data();
    void comboIndexes();
    void document();
};

void TestSwitchControlParams::comboIndexes_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<qint64>("device");  // what the device holds
    QTest::addColumn<int>("index");      // what the combo shows
    QTest::addColumn<qint64>("back");    // what Apply sends for that index
    QTest::newRow("no selection: Disabled") << "manual" << qint64(255) << 0 << qint64(255);
    QTest::newRow("input 1") << "manual" << qint64(0) << 1 << qint64(0);
    QTest::newRow("input 4 of four") << "manual" << qint64(3) << 4 << qint64(3);
    QTest::newRow("an input the group lacks: no item") << "manual" << qint64(2) << -1 << kNoItem;
    QTest::newRow("automatic return") << "return" << qint64(1) << 0 << qint64(1);
    QTest::newRow("non-reset return") << "return" << qint64(2) << 1 << qint64(2);
    QTest::newRow("an unknown return: no item") << "return" << qint64(3) << -1 << kNoItem;
    QTest::newRow("relay normal") << "control" << qint64(0) << 0 << qint64(0);
    QTest::newRow("relay bypass, any non-zero") << "control" << qint64(7) << 1 << qint64(1);
    QTest::newRow("protect enabled, any non-zero") << "protect" << qint64(9) << 0 << qint64(1);
    QTest::newRow("protect disabled") << "protect" << qint64(0) << 1 << qint64(0);
}

void TestSwitchControlParams::comboIndexes()
{
    QFETCH(QString, combo);
    QFETCH(qint64, device);
    QFETCH(int, index);
    QFETCH(qint64, back);
    if (combo == "manual") {
        const int inputs = device == 3 ? 4 : 2;
        QCOMPARE(M::ManualSwitchIndex(device, inputs), index);
        QCOMPARE(M::SelectionOfIndex(index), back);
    } else if (combo == "return") {
        QCOMPARE(M::ReturnModeIndex(device), index);
        QCOMPARE(M::MethodOfIndex(index), back);
    } else if (combo == "control") {
        QCOMPARE(M::ManualControlIndex(device), index);
        QCOMPARE(M::ManualControlOfIndex(index), back);
    } else {
        QCOMPARE(M::BypassProtectIndex(device), index);
        QCOMPARE(M::BypassProtectOfIndex(index), back);
    }
}

// Both groups written as the file has them, read back equal. A file without
// one of their elements: tst_params everyElementIsNeeded.
void TestSwitchControlParams::document()
{
    XmlDocument doc;
    doc.StartDocument();
    // Every value differs from the others of its group and from the other
    // group's: two swapped elements show.
    const SwitchControlParams a{255, 2, 1, 0}, b{3, 1, 0, 2};
    M::ToDocument(doc, 0, a);
    M::ToDocument(doc, 1, b);
    QCOMPARE(doc.Root().elementsByTagName("SwitchControl").count(), 1);
    const QString groupB =
        "<GroupB><SwitchMechanism><ManualSwitch>3</ManualSwitch>"
        "<FailoverReturnMode>1</FailoverReturnMode></SwitchMechanism>"
        "<Relay><ManualControl>0</ManualControl>"
        "<BypassProtect>2</BypassProtect></Relay></GroupB>";
    QVERIFY(doc.Root().firstChildElement("SwitchControl").firstChildElement("GroupB").isElement());
    QString text;
    QTextStream stream(&text);
    doc.Root().firstChildElement("SwitchControl").lastChildElement().save(stream, 0);
    stream.flush();
    QCOMPARE(text.remove(QRegularExpression("\\s")), groupB);
    SwitchControlParams backA, backB;
    QString why;
    QVERIFY2(M::FromDocument(doc, 0, backA, &why) && M::FromDocument(doc, 1, backB, &why),
             qPrintable(why));
    QCOMPARE(std::make_tuple(backA.manualSwitch, backA.returnMode, backA.manualControl,
                             backA.bypassProtect),
             std::make_tuple(qint64(255), qint64(2), qint64(1), qint64(0)));
    QCOMPARE(std::make_tuple(backB.manualSwitch, backB.returnMode, backB.manualControl,
                             backB.bypassProtect),
             std::make_tuple(qint64(3), qint64(1), qint64(0), qint64(2)));
}

QTEST_GUILESS_MAIN(TestSwitchControlParams)
#include "tst_switchcontrol_params.moc"
