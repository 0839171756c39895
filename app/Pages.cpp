#include "Pages.h"

#include "GPIO.h"
#include "General.h"
#include "GenlockWidget.h"

#include <QCoreApplication>
#include <QTreeWidget>

namespace {
QString T(const char *text)
{
    return QCoreApplication::translate("cfg", text);
}

QTreeWidgetItem *Add(QTreeWidget *tree, const char *text)
{
    auto *item = new QTreeWidgetItem(tree, {T(text)});
    return item;
}

QTreeWidgetItem *Add(QTreeWidgetItem *parent, const char *text)
{
    return new QTreeWidgetItem(parent, {T(text)});
}
}  // namespace

void Pages::Create(CfgNetClient *client, int productType, QWidget *parent)
{
    Destroy();
    general = new General(client, parent);
    genlock = new GenlockWidget(client, parent);
    list << general << genlock;
    // Signal I/O and switch control pages (and AGC) follow here by model.
    gpio = new GPIO(client, parent);
    list << gpio;
    // System alarm, status, detection and alarm log pages follow here.
    Q_UNUSED(productType);
    for (BaseWidget *page : list) {
        page->hide();
    }
}

void Pages::Destroy()
{
    qDeleteAll(list);
    list.clear();
    *this = Pages();
}

void BuildTree(QTreeWidget *tree, int productType)
{
    tree->clear();
    const bool dual = productType == 50000;
    Add(tree, QT_TRANSLATE_NOOP("cfg", "General"));
    QTreeWidgetItem *signalIO = Add(tree, QT_TRANSLATE_NOOP("cfg", "Signal I/O"));
    Add(signalIO, QT_TRANSLATE_NOOP("cfg", "Genlock"));
    Add(signalIO, QT_TRANSLATE_NOOP("cfg", "Group A"));
    if (dual) {
        Add(signalIO, QT_TRANSLATE_NOOP("cfg", "Group B"));
    }
    if (productType != 50000 && productType != 50001) {
        Add(tree, QT_TRANSLATE_NOOP("cfg", "AGC"));
    }
    QTreeWidgetItem *switchControl = Add(tree, QT_TRANSLATE_NOOP("cfg", "Switch Control"));
    Add(switchControl, QT_TRANSLATE_NOOP("cfg", "Group A"));
    if (dual) {
        Add(switchControl, QT_TRANSLATE_NOOP("cfg", "Group B"));
    }
    Add(switchControl, QT_TRANSLATE_NOOP("cfg", "Alarm Combination"));
    Add(tree, QT_TRANSLATE_NOOP("cfg", "GPIO"));
    QTreeWidgetItem *alarms = Add(tree, QT_TRANSLATE_NOOP("cfg", "Alarms"));
    QTreeWidgetItem *settings = Add(alarms, QT_TRANSLATE_NOOP("cfg", "Settings"));
    Add(settings, QT_TRANSLATE_NOOP("cfg", "System"));
    QTreeWidgetItem *groupA = Add(settings, QT_TRANSLATE_NOOP("cfg", "Group A"));
    static const char *const kInputs[] = {
        QT_TRANSLATE_NOOP("cfg", "Input 1"), QT_TRANSLATE_NOOP("cfg", "Input 2"),
        QT_TRANSLATE_NOOP("cfg", "Input 3"), QT_TRANSLATE_NOOP("cfg", "Input 4")};
    for (int i = 0; i < (dual ? 2 : 4); ++i) {
        Add(groupA, kInputs[i]);
    }
    if (dual) {
        QTreeWidgetItem *groupB = Add(settings, QT_TRANSLATE_NOOP("cfg", "Group B"));
        Add(groupB, kInputs[0]);
        Add(groupB, kInputs[1]);
    }
    Add(alarms, QT_TRANSLATE_NOOP("cfg", "Status"));
    Add(alarms, QT_TRANSLATE_NOOP("cfg", "Logs"));
    tree->expandAll();
}

BaseWidget *PageFor(const Pages &pages, const QTreeWidgetItem *item, int productType)
{
    if (item == nullptr || item->childCount() > 0) {
        return nullptr;
    }
    Q_UNUSED(productType);
    const QString text = item->text(0);
    if (text == T("General")) {
        return pages.general;
    }
    if (text == T("Genlock")) {
        return pages.genlock;
    }
    if (text == T("GPIO")) {
        return pages.gpio;
    }
    // Group, alarm combination, AGC, system, status, input and log items
    // map here once their pages exist.
    return nullptr;
}
