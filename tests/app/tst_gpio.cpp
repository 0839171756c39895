#include "../common/AppSession.h"
#include "GPIO.h"
#include "GenlockWidget.h"

#include <QStatusBar>

// The GPIO page against the simulator: a refused read or write is said in the
// status bar and the page then shows what the device holds; an import checks
// the whole file before it writes anything.
class TestGpio : public QObject, public AppSession
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(StartSimulator()); }
    void init() { OpenFreshWindow(); }
    void cleanup() { CloseWindow(); }

    void applyAndRefreshFailures();
    void importChecksTheWholeFile_data();
    void importChecksTheWholeFile();
    void gpioLevels_data();
    void gpioLevels();

private:
    GPIO *ShowGpio()
    {
        Press(FindItem(m_window->Form().treeWidget, PageKey::GPIO));
        return qobject_cast<GPIO *>(m_window->CurrentPage());
    }
    QString StatusLine() const { return m_window->statusBar()->currentMessage(); }
    int ModeWrites() const { return int(m_device->RequestsOfType(kMsgSetGPIOTriggerMode)); }

    QTemporaryDir m_files;
};

void TestGpio::applyAndRefreshFailures()
{
    LogIn();
    m_device->Command("fault reject 34 1");  // GetGPIOTriggerMode
    GPIO *page = ShowGpio();
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

void TestGpio::importChecksTheWholeFile_data()
{
    QTest::addColumn<QByteArray>("gpio");
    QTest::addColumn<QString>("console");
    QTest::addColumn<QString>("secondLine");
    QTest::addColumn<int>("writes");
    // The other refusals of the GPIO part: tst_params refusals.
    QTest::newRow("a value missing")
        << QByteArray("<GPIO><GPITriggerMode>1</GPITriggerMode></GPIO>") << QString()
        << "configure/GPIO/GPOTriggerMode: missing" << 0;
    QTest::newRow("the device refuses the write")
        << QByteArray(
               "<GPIO><GPITriggerMode>1</GPITriggerMode><GPOTriggerMode>0</GPOTriggerMode>"
               "</GPIO>")
        << "fault reject 33 1"
        << "SetGPIOTriggerMode: Failed" << 1;
}

void TestGpio::importChecksTheWholeFile()
{
    QFETCH(QByteArray, gpio);
    QFETCH(QString, console);
    QFETCH(QString, secondLine);
    QFETCH(int, writes);
    LogIn();
    // The other pages' parts as the device has them: only GPIO's is in question.
    const QString exported = m_files.filePath("exported.xml");
    QCOMPARE(Export(exported), QStringList{"The export is done."});
    QByteArray content = ReadFile(exported);
    const int from = content.indexOf("<GPIO>");
    const int to = content.indexOf("</GPIO>") + int(qstrlen("</GPIO>"));
    QVERIFY(from > 0 && to > from);
    const QString file =
        WriteFile(m_files.filePath("import.xml"), content.replace(from, to - from, gpio));
    if (!console.isEmpty()) {
        m_device->Command(console);
    }
    const int before = ModeWrites();
    m_device->WithModel([](DeviceModel &m) { m.gpiMode = 0; });
    QCOMPARE(Import(file), QStringList{"The import fails.\n" + secondLine});
    QCOMPARE(ModeWrites() - before, writes);
    QCOMPARE(m_device->WithModel([](DeviceModel &m) { return int(m.gpiMode); }), 0);
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
