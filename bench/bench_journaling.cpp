// What the change journal adds to the window's writes. Not a test: run it by
// hand,
//   QT_QPA_PLATFORM=offscreen build/bin/bench_journaling [rounds]
// and keep docs/PERFORMANCE.md in step with what it prints.
//  1. The parts' sizes in fields, on the 4x1 AGC model: the largest page is
//     the one whose Apply is timed.
//  2. An Apply of that page that changes one field, from the click to the
//     confirmation, with the window's journal (an SQLite file) and with the
//     page's Applied signal cut: the journal must add under 5 ms.
//  3. A whole import of the same device's file: the parts written one after
//     the other as the plain import does, against WriteParts (every part read
//     before, each field judged) and the operation recorded: under 50 ms
//     added. The worker's gaps between parts are the same either way and
//     left out.

#include "BaseWidget.h"
#include "BenchCommon.h"
#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "Journal.h"
#include "JournalDiff.h"
#include "JournalWriter.h"
#include "ParamsFile.h"
#include "PartWrite.h"
#include "XmlDocument.h"
#include "cfg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include <cstdio>
#include <vector>

namespace {
const QString kAddress = QStringLiteral("127.0.9.7");

QTreeWidgetItem *ItemOf(QTreeWidget *tree, PageKey key)
{
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        if (KeyOf(*it) == key) {
            return *it;
        }
    }
    return nullptr;
}

// The part with the most fields.
ParamPart Largest(CfgNetClient &client, int productType)
{
    ParamPart largest{};
    int most = -1;
    std::printf("Fields of each part:\n");
    for (const ParamPart &part : ParamParts(productType)) {
        XmlDocument doc;
        doc.StartDocument();
        QString failure;
        if (part.exportTo(client, doc, &failure) != 0) {
            std::fprintf(stderr, "reading %s: %s\n", part.page, qPrintable(failure));
            continue;
        }
        const int fields = FlattenDocument(doc).size();
        std::printf("  %-28s %4d\n", part.page, fields);
        if (fields > most) {
            most = fields;
            largest = part;
        }
    }
    return largest;
}

// Median milliseconds of `rounds` Applies of `page`, each changing one spin box.
double TimeApply(BaseWidget *page, int rounds)
{
    QSpinBox *box = nullptr;
    for (QSpinBox *b : page->findChildren<QSpinBox *>()) {
        if (b->isEnabled() && b->maximum() > b->minimum()) {
            box = b;
            break;
        }
    }
    QPushButton *apply = nullptr;
    for (QPushButton *b : page->findChildren<QPushButton *>()) {
        if (b->text() == QLatin1String("Apply")) {
            apply = b;
        }
    }
    if (!box || !apply) {
        std::fprintf(stderr, "the page has no spin box or no Apply\n");
        return -1;
    }
    std::vector<double> ms;
    for (int round = 0; round < rounds + 1; ++round) {
        box->setValue(box->value() == box->minimum() ? box->minimum() + 1 : box->minimum());
        QElapsedTimer clock;
        clock.start();
        apply->click();
        if (round > 0) {
            ms.push_back(clock.nsecsElapsed() / 1e6);
        }
    }
    return Median(ms);
}

void Apply(DeviceSimulator &device, int rounds, const QString &journalFile)
{
    WindowOptions options;
    options.journalLocation = journalFile;
    cfg window(options);
    window.show();
    if (!window.ConnectWithoutDialog(kAddress, 0, QStringLiteral("admin")).isEmpty()) {
        std::fprintf(stderr, "login failed\n");
        return;
    }
    const ParamPart part = Largest(window.Link().Client(), window.ProductType());
    window.ShowPageOf(ItemOf(window.Form().treeWidget, part.key));
    BaseWidget *page = window.CurrentPage();
    if (!page) {
        std::fprintf(stderr, "no page for %s\n", part.page);
        return;
    }
    const quint64 writes = device.RequestsOfType(kMsgSetDetectionParam);
    const double on = TimeApply(page, rounds);
    const int entries = window.Journal().Writer().Current()->History({}).size();
    QObject::disconnect(page, &BaseWidget::Applied, nullptr, nullptr);
    const double off = TimeApply(page, rounds);
    // Every Apply wrote, and each journaled Apply left one entry.
    if (device.RequestsOfType(kMsgSetDetectionParam) - writes != quint64(2 * (rounds + 1)) ||
        entries != rounds + 1) {
        std::fprintf(stderr, "the Applies did not all write (%d entries)\n", entries);
        return;
    }
    std::printf("Apply of %s changing one field, median of %d:\n", part.page, rounds);
    std::printf("  journal off %7.2f ms\n  journal on  %7.2f ms  (+%.2f ms, target < 5 ms)\n", off,
                on, on - off);
}

void Import(int rounds, const QString &journalFile)
{
    CfgNetClient client(2000);
    client.Open(kAddress, kDevicePort);
    client.SetUser(0, QStringLiteral("admin"));
    if (client.Login() != 0) {
        std::fprintf(stderr, "login failed\n");
        return;
    }
    const int productType = 50002;
    XmlDocument doc;
    QString failure;
    if (ExportFile(client, doc, productType, &failure) != 0) {
        std::fprintf(stderr, "export: %s\n", qPrintable(failure));
        return;
    }
    const QVector<ParamPart> parts = ParamParts(productType);
    JournalWriter writer(journalFile);
    std::vector<double> plain, journaled;
    for (int round = 0; round < rounds + 1; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (const ParamPart &part : parts) {
            if (part.importFrom(client, doc, &failure) != 0) {
                std::fprintf(stderr, "import: %s\n", qPrintable(failure));
                return;
            }
        }
        const double a = clock.nsecsElapsed() / 1e6;
        clock.restart();
        const PartsWrite written = WriteParts(client, parts, doc);
        JournalOperation op;
        op.context = LocalJournalContext(QStringLiteral("qvt-config"));
        op.operation = QStringLiteral("import bench.xml");
        op.changes = written.changes;
        // An import of the device's own file changes nothing: one changed
        // field stands for what a real file brings.
        op.changes << FieldChange{QStringLiteral("GPIO/GPITriggerMode"), QStringLiteral("0"),
                                  QStringLiteral("1")};
        if (written.status != 0 || !writer.Submit(op)) {
            std::fprintf(stderr, "journaled import failed\n");
            return;
        }
        const double b = clock.nsecsElapsed() / 1e6;
        if (round > 0) {
            plain.push_back(a);
            journaled.push_back(b);
        }
    }
    std::printf("Whole import of %d parts, median of %d:\n", int(parts.size()), rounds);
    std::printf("  plain     %7.2f ms\n  journaled %7.2f ms  (+%.2f ms, target < 50 ms)\n",
                Median(plain), Median(journaled), Median(journaled) - Median(plain));
}
}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? QByteArray(argv[1]).toInt() : 30;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    DeviceSimulator::Options options;
    options.address = kAddress;
    options.notify[0] = {0, 0};
    DeviceSimulator device(options);
    if (!device.Start()) {
        std::fprintf(stderr, "cannot start the simulator on %s\n", qPrintable(kAddress));
        return 1;
    }
    device.Command(QStringLiteral("model 50002"));
    Apply(device, rounds, dir.filePath(QStringLiteral("apply.db")));
    Import(rounds, dir.filePath(QStringLiteral("import.db")));
    return 0;
}
