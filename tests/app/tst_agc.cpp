#include "../common/AppSession.h"
#include "AGC.h"
#include "VolumeColumnWidget.h"

#include <QSlider>
#include <QSpinBox>

namespace {
// What a control shows: a combo's index, a spin box's or slider's value.
const char *Property(QWidget *control)
{
    return qobject_cast<QComboBox *>(control) ? "currentIndex" : "value";
}

int ValueOf(QWidget *control)
{
    return control->property(Property(control)).toInt();
}

AGCParam Manual()
{
    AGCParam p;
    p.gainControlMode = 0;
    p.manualGain = -12;
    for (int k = 0; k < kAudioChannels; ++k) {
        p.channelMode[k] = static_cast<quint32>(k % 3);
    }
    p.loudnessSource = 1;
    p.targetLevel = 20;
    p.upperThreshold = 4;
    p.lowerThreshold = 1;
    p.gainRatio = 1;
    p.noiseThreshold = 45;
    p.outputLimitThreshold = 10;
    p.frequencyCompensation = 1;
    p.stereoMode = 0;
    return p;
}
}  // namespace

// The AGC page against the simulator, and its meter drawn into an image. Its
// part of the parameter file: tst_params, tst_agc_params.
class TestAgc : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void refreshAndApply();
    void meterBars_data();
    void meterBars();
    void liveLevels();
    void whoMayEdit_data();
    void whoMayEdit();
    void setAllAndSliders();

private:
    AGC *ShowAgc() { return Show<AGC>(PageKey::AGC); }
    AGCParam DeviceAgc() const
    {
        return m_device->WithModel([](DeviceModel &m) { return m.agc; });
    }
    void SetDeviceAgc(const AGCParam &p)
    {
        m_device->WithModel([p](DeviceModel &m) { m.agc = p; });
    }
    int AgcWrites() const { return int(m_device->RequestsOfType(kMsgSetAGCParam)); }
};

// The controls show the device's values; Apply leaves on the device what
// they show. A refused read or write is said in the status bar: a refused
// read leaves the controls as they were, a refused Apply shows the device's
// values again.
void TestAgc::refreshAndApply()
{
    SetDeviceAgc(Manual());
    LogIn();
    AGC *page = ShowAgc();
    QVERIFY(page);
    const QList<QPair<const char *, int>> shown = {
        {"comboBoxGainCtrlMode", 1},
        {"spinBoxManualGain", -12},
        {"verticalSliderManualGain", -12},
        {"comboBoxCh1", 0},
        {"comboBoxCh2", 2},  // forced off
        {"comboBoxCh3", 1},  // forced on
        {"comboBoxCh16", 0},
        {"spinBoxOutputLimit", -10},
        {"spinBoxTargetLevel", -20},
        {"verticalSliderTargetLevel", -20},
        {"comboBoxLoudSoure", 1},
        {"comboBoxFreCompensat", 0},
        {"comboBoxStereoMode", 1},
        {"spinBoxNoiseThreshold", -45},
        {"spinBoxGainRatio", 75},
        {"spinBoxUpperThreshold", 4},
        {"spinBoxLowerThreshold", 1},
    };
    for (const auto &control : shown) {
        QVERIFY2(Child(page, control.first), control.first);
        QCOMPARE(ValueOf(Child(page, control.first)), control.second);
    }

    const QList<QPair<const char *, int>> typed = {
        {"comboBoxGainCtrlMode", 0},    {"verticalSliderTargetLevel", -30},
        {"spinBoxNoiseThreshold", -60}, {"spinBoxGainRatio", 50},
        {"spinBoxOutputLimit", -3},     {"spinBoxUpperThreshold", 5},
        {"spinBoxLowerThreshold", 2},   {"comboBoxLoudSoure", 0},
        {"comboBoxFreCompensat", 1},    {"comboBoxStereoMode", 0},
    };
    for (const auto &control : typed) {
        QWidget *widget = Child(page, control.first);
        widget->setProperty(Property(widget), control.second);
    }
    emit Child<QComboBox>(page, "comboBoxSetAll")->activated(1);  // all "Force On"
    Child<QPushButton>(page, "pushButtonApply")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    AGCParam expected = Manual();
    expected.gainControlMode = 1;
    std::fill(std::begin(expected.channelMode), std::end(expected.channelMode), 2u);
    expected.targetLevel = 30;
    expected.noiseThreshold = 60;
    expected.gainRatio = 2;
    expected.outputLimitThreshold = 3;
    expected.upperThreshold = 5;
    expected.lowerThreshold = 2;
    expected.loudnessSource = 0;
    expected.frequencyCompensation = 0;
    expected.stereoMode = 1;
    QVERIFY(DeviceAgc() == expected);

    auto *target = Child<QSpinBox>(page, "spinBoxTargetLevel");
    m_device->Command("fault reject 54 1");
    target->setValue(-35);
    QCOMPARE(page->RefreshFromDevice(), -1);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetAGCParam: Failed"));
    QCOMPARE(target->value(), -35);
    m_device->Command("fault clear");
    m_device->Command("fault reject 53 1");
    const int before = AgcWrites();
    Child<QPushButton>(page, "pushButtonApply")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetAGCParam: Failed"));
    QCOMPARE(AgcWrites() - before, 1);
    QCOMPARE(target->value(), -30);
    QVERIFY(DeviceAgc() == expected);
}

void TestAgc::meterBars_data()
{
    // Lit and dim lengths in scale units: green, yellow, red lit; then dim.
    QTest::addColumn<int>("level");
    QTest::addColumn<QVector<int>>("units");
    QTest::newRow("6 dB: to position 70") << 6 << QVector<int>{60, 10, 0, 0, 10, 10};
    QTest::newRow("0 dB: full scale") << 0 << QVector<int>{60, 20, 10, 0, 0, 0};
    QTest::newRow("1 dB: position 85") << 1 << QVector<int>{60, 20, 5, 0, 0, 5};
    QTest::newRow("30 dB: position 30") << 30 << QVector<int>{30, 0, 0, 30, 20, 10};
    QTest::newRow("60 dB: empty") << 60 << QVector<int>{0, 0, 0, 60, 20, 10};
    QTest::newRow("61 dB: empty") << 61 << QVector<int>{0, 0, 0, 60, 20, 10};
    QTest::newRow("200 dB: empty") << 200 << QVector<int>{0, 0, 0, 60, 20, 10};
}

// Each bar, drawn 289 pixels high (3 pixels a unit), lights its zones from
// the bottom in place, one pixel above the edge.
void TestAgc::meterBars()
{
    QFETCH(int, level);
    QFETCH(QVector<int>, units);
    AGC page(m_client);
    QCOMPARE(page.Meter()->width(), 770);
    // A second meter on the page, out of its layout, so that its height stays.
    auto *meter = new VolumeColumnWidget(&page);
    meter->resize(770, 289);
    const auto levels = QVector<unsigned short>(16, static_cast<unsigned short>(level));
    page.OnNotifyAGCUpdate(levels, levels);
    page.OnNotifyAGCUpdate(QVector<unsigned short>(3, 0), levels);  // short: ignored
    QImage image(meter->size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    meter->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);  // no background
    const QList<QColor> colours = {QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0),
                                   QColor(0, 77, 0),  QColor(77, 77, 0),   QColor(77, 0, 0)};
    // Bars clear of the "Inputs" and "Outputs" captions, even and odd.
    for (int bar : {4, 7, 14, 21, 26, 31}) {
        const int x = VolumeColumnWidget::BarX(bar, 770);
        QCOMPARE(x, bar < 16 ? (bar % 2 ? 37 : 20) + 40 * (bar / 2)
                             : 438 + 40 * ((bar - 16) / 2) + (bar % 2) * 17);
        for (int c = 0; c < colours.size(); ++c) {
            int inBar = 0, beside = 0;
            for (int y = 0; y < image.height(); ++y) {
                inBar += image.pixelColor(x + 7, y) == colours[c];
                beside += image.pixelColor(x + 15, y) == colours[c];
            }
            QVERIFY2(inBar == units[c] * 3,
                     qPrintable(QStringLiteral("bar %1 colour %2: %3").arg(bar).arg(c).arg(inBar)));
            QCOMPARE(beside, 0);
        }
        QCOMPARE(image.pixelColor(x, 288), QColor(Qt::white));
        QVERIFY(image.pixelColor(x, 287) != QColor(Qt::white));
    }
}

// The worker's levels reach the meter while the page is shown (the poll set
// and ended with the page: tst_pages wiring).
void TestAgc::liveLevels()
{
    LogIn();
    AGC *page = ShowAgc();
    m_device->Command("levels in 3 12");
    m_device->Command("levels out 16 0");
    QTRY_COMPARE_WITH_TIMEOUT(page->Meter()->Level(2), 12, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(page->Meter()->Level(31), 0, 3000);
}

void TestAgc::whoMayEdit_data()
{
    QTest::addColumn<int>("gainMode");           // on the device
    QTest::addColumn<QVector<bool>>("enabled");  // general, AGC group, manual gain, Apply
    QTest::newRow("AGC") << 1 << QVector<bool>{true, true, false, true};
    QTest::newRow("manual") << 0 << QVector<bool>{true, false, true, true};
}

// The gain mode decides which settings count (a guest's page:
// tst_pages guestThenAdmin).
void TestAgc::whoMayEdit()
{
    QFETCH(int, gainMode);
    QFETCH(QVector<bool>, enabled);
    AGCParam p = Manual();
    p.gainControlMode = static_cast<quint8>(gainMode);
    SetDeviceAgc(p);
    LogIn();
    AGC *page = ShowAgc();
    const char *names[] = {"groupBoxGeneralConfig", "groupBoxAGC", "spinBoxManualGain",
                           "pushButtonApply"};
    for (int i = 0; i < 4; ++i) {
        QVERIFY2(Child(page, names[i])->isEnabled() == enabled[i], names[i]);
    }
    QVERIFY(Child(page, "groupBoxAudioMeter")->isEnabled());
}

// "Set All" sets the 16 channels and shows "--" again; each slider and its
// spin box follow one another.
void TestAgc::setAllAndSliders()
{
    AGC page(m_client);
    auto *setAll = Child<QComboBox>(&page, "comboBoxSetAll");
    QCOMPARE(setAll->currentText(), QStringLiteral("--"));
    emit setAll->activated(2);
    emit setAll->activated(3);
    for (int k = 1; k <= 16; ++k) {
        QCOMPARE(Child<QComboBox>(&page, qPrintable(QStringLiteral("comboBoxCh%1").arg(k)))
                     ->currentText(),
                 QStringLiteral("Force Off"));
    }
    QCOMPARE(setAll->currentIndex(), 3);
    Child<QSlider>(&page, "verticalSliderManualGain")->setValue(12);
    QCOMPARE(Child<QSpinBox>(&page, "spinBoxManualGain")->value(), 12);
    Child<QSpinBox>(&page, "spinBoxTargetLevel")->setValue(-35);
    QCOMPARE(Child<QSlider>(&page, "verticalSliderTargetLevel")->value(), -35);
    setAll->setCurrentIndex(1);
    page.Retranslate();
    QCOMPARE(setAll->currentIndex(), 3);
}

QVT_APP_TEST_MAIN(TestAgc)

#include "tst_agc.moc"
