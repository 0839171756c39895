#include "../common/AppSession.h"
#include "Detection.h"

#include <QCheckBox>
#include <QSpinBox>

#include <type_traits>

namespace {
// Every field of a record, in the device's order: QCOMPARE shows where two differ.
QVector<qint64> Flat(const DetectionParam &p)
{
    QVector<qint64> out;
    DetectionParam::Fields(p, [&out](int, int, const auto &field) { out << qint64(field); });
    return out;
}

// The record's field at `offset` of the device's block, or its channel `bit`.
void SetField(DetectionParam &p, int offset, int bit, qint64 value)
{
    DetectionParam::Fields(p, [=](int at, int, auto &field) {
        using T = std::remove_reference_t<decltype(field)>;
        if (at == offset) {
            field = bit < 0 ? T(value) : T((field & ~(1 << bit)) | (value << bit));
        }
    });
}

// "L,R,T,B" of a region's spin boxes (their values, or what `read` gives),
// after setting them to `set` when given.
QString Region(QWidget *page, const QString &region, const QString &set = {},
               int (QSpinBox::*read)() const = &QSpinBox::value)
{
    const QStringList values = set.split(',', Qt::SkipEmptyParts);
    QStringList shown;
    for (const QString edge : {"Left", "Right", "Top", "Bottom"}) {
        auto *spin = Child<QSpinBox>(page, qPrintable("spinBoxVideo" + region + edge));
        if (!values.isEmpty()) {
            spin->setValue(values[shown.size()].toInt());
        }
        shown << QString::number((spin->*read)());
    }
    return shown.join(',');
}

// The channel mask of a kind's 16 boxes ("Lost" or "Silent"), after setting it.
int Mask(QWidget *page, const QString &kind, int set = -1)
{
    int mask = 0;
    for (int k = 0; k < 16; ++k) {
        auto *box =
            Child<QCheckBox>(page, qPrintable(QString("checkBox%1Ch%2").arg(kind).arg(k + 1)));
        if (set >= 0) {
            box->setChecked(set & (1 << k));
        }
        mask |= box->isChecked() << k;
    }
    return mask;
}

// Each SendDetectionInfo of the pages.
struct Emissions : QObject {
    QVector<int> inputs;
    QVector<DetectionParam> params;

    explicit Emissions(const QList<BaseWidget *> &pages)
    {
        for (BaseWidget *page : pages) {
            if (auto *detection = qobject_cast<Detection *>(page)) {
                connect(detection, &Detection::SendDetectionInfo, this,
                        [this](int input, DetectionParam param) {
                            inputs << input;
                            params << param;
                        });
            }
        }
    }
    int Count() const { return inputs.size(); }
};
}  // namespace

// The detection pages against the simulator: every field both ways, the
// region limits and rules, "Set All", and the record's writes by Apply, which
// tell the status board only when the device took them.
class TestDetection : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init()
    {
        OpenFreshWindow();
        m_device->WithModel([](DeviceModel &m) {
            const DeviceModel fresh(m.productCode);
            std::copy(fresh.detection, fresh.detection + 4, m.detection);
            std::fill(m.standard, m.standard + 4, 9u);  // 1080i50
        });
    }
    void cleanup() { CloseWindow(); }

    void fields_data();
    void fields();
    void regionLimits_data();
    void regionLimits();
    void regionLimitsFromWorker();
    void regionOrder_data();
    void regionOrder();
    void setAll_data();
    void setAll();
    void writesTold();

private:
    DetectionParam Held(int input)
    {
        return m_device->WithModel([input](DeviceModel &m) { return m.detection[input]; });
    }
};

void TestDetection::fields_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("offset");  // of the field in the device's block
    QTest::addColumn<int>("bit");     // of a channel mask, else -1
    QTest::addColumn<int>("applied");
    QTest::addColumn<int>("device");
    auto row = [](const char *control, int offset, int bit, int applied, int device) {
        QTest::newRow(control) << control << offset << bit << applied << device;
    };
    row("groupBoxBlackVideoLost", 0, -1, 0, 1);
    row("spinBoxVideoLostTriggerTime", 1, -1, 600, 7);
    row("spinBoxVideoLostClearTime", 5, -1, 33, 0);
    row("groupBoxFormatWrong", 9, -1, 0, 1);
    row("spinBoxFormatWrongTriggerTime", 10, -1, 45, 3);
    row("spinBoxFormatWrongClearTime", 14, -1, 46, 4);
    row("groupBoxSyncFailed", 18, -1, 1, 0);
    row("spinBoxSyncFailedTriggerTime", 19, -1, 12, 13);
    row("spinBoxSyncFailedClearTime", 23, -1, 14, 15);
    row("groupBoxVideoBlack", 27, -1, 0, 1);
    row("spinBoxUpperThreshold", 28, -1, 876, 100);
    row("spinBoxLowerThreshold", 30, -1, 16, 17);
    row("spinBoxVideoBlackDegree", 32, -1, 1023, 512);
    row("spinBoxVideoBlackTriggerTime", 34, -1, 18, 19);
    row("spinBoxVideoBlackClearTime", 38, -1, 20, 21);
    row("groupBoxVideoBlackRegion", 42, -1, 1, 0);
    row("spinBoxVideoBlackLeft", 43, -1, 300, 400);
    row("spinBoxVideoBlackRight", 45, -1, 1500, 1600);
    row("spinBoxVideoBlackTop", 47, -1, 2, 3);
    row("spinBoxVideoBlackBottom", 49, -1, 720, 576);
    row("checkBoxBlackInvert", 51, -1, 1, 0);
    row("groupBoxBlackVideoFreeze", 52, -1, 0, 1);
    row("spinBoxVideoFreezeDiff", 53, -1, 20, 7);
    row("spinBoxVideoFreezeDegree", 55, -1, 255, 9);
    row("spinBoxVideoFreezeTriggerTime", 56, -1, 22, 23);
    row("spinBoxVideoFreezeClearTime", 60, -1, 24, 25);
    row("groupBoxVideoFreezeRegion", 64, -1, 1, 0);
    row("spinBoxVideoFreezeLeft", 65, -1, 10, 11);
    row("spinBoxVideoFreezeRight", 67, -1, 1919, 1000);
    row("spinBoxVideoFreezeTop", 69, -1, 5, 6);
    row("spinBoxVideoFreezeBottom", 71, -1, 1079, 480);
    row("checkBoxFrozenInvert", 73, -1, 1, 0);
    row("checkBoxLostCh1", 74, 0, 0, 1);
    row("checkBoxLostCh16", 74, 15, 1, 0);
    row("spinBoxAudioLostTriggerTime", 76, -1, 26, 27);
    row("spinBoxAudioLostClearTime", 80, -1, 28, 29);
    row("checkBoxSilentCh9", 84, 8, 1, 0);
    row("spinBoxAudioSilentThreshold", 86, -1, -60, -41);
    row("spinBoxAudioSilentTriggerTime", 90, -1, 30, 31);
    row("spinBoxAudioSilentClearTime", 94, -1, 32, 33);
}

// Input 3's page: the control's value reaches that field alone, and the
// device's value comes back into the control.
void TestDetection::fields()
{
    QFETCH(QString, control);
    QFETCH(int, offset);
    QFETCH(int, bit);
    QFETCH(int, applied);
    QFETCH(int, device);
    LogIn();
    auto *page = Show<Detection>(PageKey::Detection3);
    QWidget *w = Child(page, qPrintable(control));
    QVERIFY(w);
    const char *property = qobject_cast<QSpinBox *>(w) ? "value" : "checked";
    DetectionParam expected = Held(2);
    SetField(expected, offset, bit, applied);
    w->setProperty(property, applied);
    Child<QPushButton>(page, "pushButtonOk")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    QCOMPARE(Flat(Held(2)), Flat(expected));
    m_device->WithModel([=](DeviceModel &m) { SetField(m.detection[2], offset, bit, device); });
    QCOMPARE(page->RefreshFromDevice(), 0);
    QCOMPARE(w->property(property).toInt(), device);
}

void TestDetection::regionLimits_data()
{
    QTest::addColumn<QVector<VideoStandard>>("standards");
    QTest::addColumn<QString>("black");   // L,R,T,B after the limits
    QTest::addColumn<QString>("freeze");  // L,R,T,B after the limits
    QTest::addColumn<QString>("maxima");  // of L,R,T,B
    const auto row = [](const char *name, const QVector<VideoStandard> &standards,
                        const char *black, const char *freeze, const char *maxima) {
        QTest::newRow(name) << standards << QString(black) << QString(freeze) << QString(maxima);
    };
    // Input 3's entry counts; the others are 525i.
    auto at2 = [](VideoStandard code) { return QVector<VideoStandard>{16, 16, code, 16}; };
    row("1080i50", at2(9), "1500,1919,1,1080", "0,1900,700,1000", "1919,1919,1080,1080");
    row("720p50", at2(19), "1279,1279,1,720", "0,1279,700,720", "1279,1279,720,720");
    row("625i", at2(17), "719,719,1,576", "0,719,576,576", "719,719,576,576");
    row("525i", at2(16), "719,719,1,480", "0,719,480,480", "719,719,480,480");
    row("no signal", at2(kNoSignal), "1500,1919,1,1080", "0,1900,700,1000", "1919,1919,1080,1080");
    row("no entry for the input: kept", {19, 19}, "1500,1920,1,1080", "0,1900,700,1000",
        "1920,1920,1080,1080");
}

// Until limits come, both regions reach 1920 by 1080, the black region's
// left edge included; a value above a new maximum takes the maximum. The
// page shown again starts from the widest limits: its input's standard may
// have changed since.
void TestDetection::regionLimits()
{
    QFETCH(QVector<VideoStandard>, standards);
    QFETCH(QString, black);
    QFETCH(QString, freeze);
    QFETCH(QString, maxima);
    Detection page(m_client, 2);
    QCOMPARE(Region(&page, "Black", {}, &QSpinBox::maximum), "1920,1920,1080,1080");
    QCOMPARE(Region(&page, "Black", "1500,1920,1,1080"), "1500,1920,1,1080");
    QCOMPARE(Region(&page, "Freeze", "0,1900,700,1000"), "0,1900,700,1000");
    page.OnSetRegionMaxValue(standards);
    QCOMPARE(Region(&page, "Black"), black);
    QCOMPARE(Region(&page, "Freeze"), freeze);
    QCOMPARE(Region(&page, "Black", {}, &QSpinBox::maximum), maxima);
    QCOMPARE(Region(&page, "Freeze", {}, &QSpinBox::maximum), maxima);
    LogIn();
    QCOMPARE(page.RefreshFromDevice(), 0);
    QCOMPARE(Region(&page, "Freeze", {}, &QSpinBox::maximum), "1920,1920,1080,1080");
}

// The worker reads the inputs' standards while a detection page is shown,
// and each of the four pages takes its own input's limits.
void TestDetection::regionLimitsFromWorker()
{
    m_device->Command("signal 3 720p50");
    LogIn();
    auto *page = Show<Detection>(PageKey::Detection3);
    QTRY_COMPARE(Region(page, "Freeze", {}, &QSpinBox::maximum), "1279,1279,720,720");
    QCOMPARE(
        Region(m_window->CurrentPages().Find(PageKey::Detection1), "Black", {}, &QSpinBox::maximum),
        "1919,1919,1080,1080");
}

void TestDetection::regionOrder_data()
{
    QTest::addColumn<QString>("region");
    QTest::addColumn<QString>("before");  // L,R,T,B
    QTest::addColumn<int>("edge");        // 0 Left, 1 Right, 2 Top, 3 Bottom
    QTest::addColumn<int>("typed");
    QTest::addColumn<QString>("after");
    for (const QString region : {"Black", "Freeze"}) {
        const auto row = [&region](const char *name, const char *before, int edge, int typed,
                                   const char *after) {
            QTest::addRow("%s: %s", qPrintable(region), name)
                << region << QString(before) << edge << typed << QString(after);
        };
        row("Left past Right moves Right", "0,600,1,1080", 0, 800, "800,800,1,1080");
        row("Right under Left moves Left", "800,900,1,1080", 1, 500, "500,500,1,1080");
        row("Left within: alone", "0,600,1,1080", 0, 100, "100,600,1,1080");
        row("Top past Bottom moves Bottom", "0,600,1,100", 2, 200, "0,600,200,200");
        row("Bottom above Top moves Top", "0,600,200,300", 3, 150, "0,600,150,150");
    }
}

// An edge typed past the other edge of its pair takes that edge along.
void TestDetection::regionOrder()
{
    QFETCH(QString, region);
    QFETCH(QString, before);
    QFETCH(int, edge);
    QFETCH(int, typed);
    QFETCH(QString, after);
    Detection page(m_client, 0);
    page.show();
    // The spin boxes take keys only in checked boxes.
    for (const char *box : {"groupBoxVideoBlack", "groupBoxVideoBlackRegion",
                            "groupBoxBlackVideoFreeze", "groupBoxVideoFreezeRegion"}) {
        Child<QGroupBox>(&page, box)->setChecked(true);
    }
    Region(&page, region, before);
    const QStringList edges = {"Left", "Right", "Top", "Bottom"};
    auto *spin = Child<QSpinBox>(&page, qPrintable("spinBoxVideo" + region + edges[edge]));
    spin->selectAll();
    QTest::keyClicks(spin, QString::number(typed));
    QTest::keyClick(spin, Qt::Key_Enter);
    QCOMPARE(Region(&page, region), after);
    QCOMPARE(Region(&page, region == "Black" ? "Freeze" : "Black"), "0,0,1,1");
}

void TestDetection::setAll_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("mask");  // the boxes after, from 0x0003
    QTest::newRow("lost: Enable") << "Lost" << 0 << 0xFFFF;
    QTest::newRow("lost: Disable") << "Lost" << 1 << 0;
    QTest::newRow("lost: --") << "Lost" << 2 << 0x0003;
    QTest::newRow("silent: Enable") << "Silent" << 0 << 0xFFFF;
    QTest::newRow("silent: Disable") << "Silent" << 1 << 0;
    QTest::newRow("silent: --") << "Silent" << 2 << 0x0003;
}

// A choice sets the kind's 16 boxes, not the other kind's, and the combo box
// shows "--" again.
void TestDetection::setAll()
{
    QFETCH(QString, kind);
    QFETCH(int, index);
    QFETCH(int, mask);
    Detection page(m_client, 0);
    const QString other = kind == "Lost" ? "Silent" : "Lost";
    Mask(&page, kind, 0x0003);
    Mask(&page, other, 0x0003);
    auto *combo = Child<QComboBox>(&page, qPrintable("comboBox" + kind + "SetAll"));
    QCOMPARE(combo->currentIndex(), 2);
    QCOMPARE(combo->itemText(index), QStringList({"Enable", "Disable", "--"})[index]);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    QCOMPARE(Mask(&page, kind), mask);
    QCOMPARE(Mask(&page, other), 0x0003);
    QCOMPARE(combo->currentIndex(), 2);
}

// SendDetectionInfo once per Apply the device took, on the user interface's
// thread; never after a refusal, which the status bar names. (An import
// writes without the pages: tst_alarmpages import.)
void TestDetection::writesTold()
{
    LogIn();
    Emissions told(m_window->CurrentPages().list);
    auto *page = Show<Detection>(PageKey::Detection4);
    auto *trigger = Child<QSpinBox>(page, "spinBoxVideoLostTriggerTime");
    trigger->setValue(42);
    Child<QPushButton>(page, "pushButtonOk")->click();
    QCOMPARE(told.Count(), 1);
    QCOMPARE(told.inputs[0], 3);
    QCOMPARE(Held(3).lostTriggerTime, 42u);
    QCOMPARE(Flat(told.params[0]), Flat(Held(3)));

    // Refused: said in the status bar, nothing told, the user's value kept.
    m_device->Command("fault reject 35 1");
    trigger->setValue(43);
    Child<QPushButton>(page, "pushButtonOk")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetDetectionParam: Failed"));
    m_device->Command("fault reject 36 1");
    QCOMPARE(page->RefreshFromDevice(), -1);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetDetectionParam: Failed"));
    QCOMPARE(trigger->value(), 43);
    QCOMPARE(told.Count(), 1);
}

QVT_APP_TEST_MAIN(TestDetection)

#include "tst_detection.moc"
