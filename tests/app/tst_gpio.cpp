#include "../common/AppSession.h"
#include "GPIO.h"
#include "GenlockWidget.h"

// The GPIO page against the simulator: a refused read or write is said in the
// status bar and the page then shows what the device holds. Its part of the
// parameter file: tst_params; a refused write in an import: tst_cli
// exitStatuses.
class TestGpio : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void applyAndRefreshFailures();
    void gpioLevels_data();
    void gpioLevels();
};

void TestGpio::applyAndRefreshFailures()
{
    LogIn();
    m_device->Command("fault reject 34 1");  // GetGPIOTriggerMode
    auto *page = Show<GPIO>(PageKey::GPIO);
    QVERIFY(page);
    QCOMPARE(StatusLine(), QStringLiteral("Refresh failed: GetGPIOTriggerMode: Failed"));
    m_device->Command("fault clear");
    QCOMPARE(page->RefreshFromDevice(), 0);
    auto *gpi = Child<QComboBox>(page, "comboBoxGPIMode");
    auto *gpo = Child<QComboBox>(page, "comboBoxGPOMode");
    QCOMPARE(gpi->currentIndex(), 0);
    QCOMPARE(gpo->currentIndex(), 1);

    // Refused: said, and the page goes back to the device's values.
    m_device->Command("fault reject 33 1");
    gpi->setCurrentIndex(1);
    gpo->setCurrentIndex(0);
    Child<QPushButton>(page, "pushButton")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Apply failed: SetGPIOTriggerMode: Failed"));
    QCOMPARE(gpi->currentIndex(), 0);
    QCOMPARE(gpo->currentIndex(), 1);

    // Taken: confirmed, and on the device.
    m_device->Command("fault clear");
    gpi->setCurrentIndex(1);
    Child<QPushButton>(page, "pushButton")->click();
    QCOMPARE(StatusLine(), QStringLiteral("Applied to the device."));
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return int(m.gpiMode); }), 1);
}

void TestGpio::gpioLevels_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("dual");
    QTest::addColumn<QString>("text");
    QTest::newRow("dual, active high, 0x09") << 1 << 0x09 << true << "H L L   H L L ";
    QTest::newRow("dual, active low, 0x09") << 0 << 0x09 << true << "L H H   L H H ";
    QTest::newRow("4x1, active high, 0x10") << 1 << 0x10 << false << "L L L L H ";
    QTest::newRow("4x1, mode 7 counts as low") << 7 << 0x01 << false << "L H H H H ";
}

void TestGpio::gpioLevels()
{
    QFETCH(int, mode);
    QFETCH(int, status);
    QFETCH(bool, dual);
    QFETCH(QString, text);
    QCOMPARE(GPIO::LevelText(static_cast<GPIOTriggerMode>(mode), quint8(status), dual), text);
    QCOMPARE(GenlockWidget::GenlockText(16, false), QStringLiteral("Not Present"));
    QCOMPARE(GenlockWidget::GenlockText(16, true), QStringLiteral("NTSC"));
}

QVT_APP_TEST_MAIN(TestGpio)

#include "tst_gpio.moc"
