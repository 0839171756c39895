#include "PageTable.h"

#include "AGC.h"
#include "CmdThread.h"
#include "Detection.h"
#include "DeviceTables.h"
#include "GPIO.h"
#include "General.h"
#include "GenlockWidget.h"
#include "PageList.h"
#include "SignalIO2X1.h"
#include "SignalIO4X1.h"
#include "Status2x1.h"
#include "Status4x1.h"
#include "SwitchControl2X1.h"
#include "SwitchControl4X1.h"
#include "SystemAlarms2x1.h"
#include "SystemAlarms4x1.h"
#include "Trigger.h"
#include "cfg.h"

#include <QCoreApplication>

#include <algorithm>

namespace {
template <class T>
BaseWidget *Make(const PageContext &context)
{
    return new T(&context.session->Client(), context.parent);
}

// The dual model's pages that exist once per switching group (0 A, 1 B).
template <class T, int PageIndex>
BaseWidget *MakeGroup(const PageContext &context)
{
    return new T(&context.session->Client(), PageIndex, context.parent);
}

// The pages that exist once per input (index 0 to 3) on every model.
template <class T, int InputIndex>
BaseWidget *MakeInput(const PageContext &context)
{
    return new T(&context.session->Client(), InputIndex, context.parent);
}

// One status board per model: the dual model's has its groups' lamps.
BaseWidget *MakeStatus(const PageContext &context)
{
    if (IsDual(context.productType)) {
        return new Status2x1(context.session, context.parent);
    }
    return new Status4x1(context.session, context.parent);
}

// The signal I/O pages wait as long as the window says after a phase
// alignment before they read the new delay.
BaseWidget *MakeSignalIO(const PageContext &context)
{
    return new SignalIO4X1(&context.session->Client(), context.alignSettleMs, context.parent);
}

template <int Group>
BaseWidget *MakeSignalIOGroup(const PageContext &context)
{
    return new SignalIO2X1(&context.session->Client(), Group, context.alignSettleMs,
                           context.parent);
}

// The alarm combination names its columns after the model's inputs.
BaseWidget *MakeTrigger(const PageContext &context)
{
    return new Trigger(&context.session->Client(), context.productType, context.parent);
}

// The dual model's system alarms have each group's switching events.
BaseWidget *MakeSystemAlarms(const PageContext &context)
{
    if (IsDual(context.productType)) {
        return new SystemAlarms2x1(&context.session->Client(), context.parent);
    }
    return new SystemAlarms4x1(&context.session->Client(), context.parent);
}

// The GPI and GPO levels read differently on the dual model.
BaseWidget *MakeGpio(const PageContext &context)
{
    return new GPIO(&context.session->Client(), context.productType, context.parent);
}

// A worker signal to the slot of the page that shows it.
template <class Signal, class Page, class... Args>
WorkerJoin Link(Signal signal, void (Page::*slot)(Args...))
{
    return [signal, slot](CmdThread *worker, BaseWidget *page) {
        Page *target = qobject_cast<Page *>(page);
        Q_ASSERT(target);  // the factory makes another class
        return QObject::connect(worker, signal, target, slot);
    };
}

// A page's signal to the slot of another page that it keeps up to date.
template <class From, class Signal, class To, class... Args>
PageJoin Tell(Signal signal, PageKey to, void (To::*slot)(Args...))
{
    return {to, [signal, slot](BaseWidget *source, BaseWidget *target) {
                From *sender = qobject_cast<From *>(source);
                To *receiver = qobject_cast<To *>(target);
                Q_ASSERT(sender && receiver);
                return QObject::connect(sender, signal, receiver, slot);
            }};
}

std::vector<PageDescriptor> Build()
{
    using K = PageKey;
    using B = Branch;
    std::vector<PageDescriptor> table;
    const auto add = [&table](PageKey key, int rank, TreePlace place,
                              BaseWidget *(*make)(const PageContext &)) -> PageDescriptor & {
        table.push_back({});
        PageDescriptor &page = table.back();
        page.key = key;
        page.treeRank = rank;
        page.place = place;
        page.make = make;
        return page;
    };

    add(K::General, 10, {B::Top, QT_TRANSLATE_NOOP("cfg", "General")}, Make<General>);
    add(K::Genlock, 20, {B::SignalIO, QT_TRANSLATE_NOOP("cfg", "Genlock")}, Make<GenlockWidget>)
        .worker = {Link(&CmdThread::NotifyGenLockUpdate, &GenlockWidget::OnNotifyGenLockUpdate)};

    const WorkerJoin signalIO =
        Link(&CmdThread::NotifySignalIOUpdate, &SignalIOPage::OnNotifySignalIOUpdate);
    const TreePlace signalIOA = {B::SignalIO, QT_TRANSLATE_NOOP("cfg", "Group A")};
    add(K::SignalIO, 30, signalIOA, MakeSignalIO).worker = {signalIO};
    add(K::SignalIOA, 30, signalIOA, MakeSignalIOGroup<0>).worker = {signalIO};
    add(K::SignalIOB, 31, {B::SignalIO, QT_TRANSLATE_NOOP("cfg", "Group B")}, MakeSignalIOGroup<1>)
        .worker = {signalIO};

    const WorkerJoin switchControl = Link(&CmdThread::NotifySwitchControlUpdate,
                                          &SwitchControlPage::OnNotifySwitchControlUpdate);
    const TreePlace switchControlA = {B::SwitchControl, QT_TRANSLATE_NOOP("cfg", "Group A")};
    add(K::SwitchControl, 50, switchControlA, Make<SwitchControl4X1>).worker = {switchControl};
    add(K::SwitchControlA, 50, switchControlA, MakeGroup<SwitchControl2X1, 0>).worker = {
        switchControl};
    add(K::SwitchControlB, 51, {B::SwitchControl, QT_TRANSLATE_NOOP("cfg", "Group B")},
        MakeGroup<SwitchControl2X1, 1>)
        .worker = {switchControl};

    add(K::AGC, 40, {B::Top, QT_TRANSLATE_NOOP("cfg", "AGC")}, Make<AGC>).worker = {
        Link(&CmdThread::NotifyAGCUpdate, &AGC::OnNotifyAGCUpdate)};

    // The pages that write the alarm configuration tell the board, which
    // colours its lamps by it, after every Apply the device took (after an
    // import the window has the board read the device afresh).
    add(K::Trigger, 60, {B::SwitchControl, QT_TRANSLATE_NOOP("cfg", "Alarm Combination")},
        MakeTrigger)
        .tells = {Tell<Trigger>(&Trigger::SendAlarmTriggerInfo, K::Status,
                                &StatusPage::OnAlarmTriggerChanged)};
    add(K::GPIO, 70, {B::Top, QT_TRANSLATE_NOOP("cfg", "GPIO")}, MakeGpio).worker = {
        Link(&CmdThread::NotifyGPIOUpdate, &GPIO::OnNotifyGPIOUpdate)};
    add(K::SystemAlarms, 80, {B::Settings, QT_TRANSLATE_NOOP("cfg", "System")}, MakeSystemAlarms)
        .tells = {Tell<SystemAlarmsPage>(&SystemAlarmsPage::SendSystemAlarmInfo, K::Status,
                                         &StatusPage::OnSystemAlarmChanged)};

    PageDescriptor &status =
        add(K::Status, 100, {B::Alarms, QT_TRANSLATE_NOOP("cfg", "Status")}, MakeStatus);
    status.worker = {
        Link(&CmdThread::NotifyStatusUpdate, &StatusPage::OnNotifyStatusUpdate),
        Link(&CmdThread::SendDetectionInfo, &StatusPage::OnDetectionChanged),
        Link(&CmdThread::SendAlarmTriggerInfo, &StatusPage::OnAlarmTriggerChanged),
        Link(&CmdThread::SendSystemAlarmInfo, &StatusPage::OnSystemAlarmChanged),
    };
    // The board reloads at each session start and when a lost connection
    // returns, and turns gray when the session ends or the connection is lost.
    status.window = {[](cfg *window, BaseWidget *page) {
        return QObject::connect(window, &cfg::UpdateStatus, qobject_cast<StatusPage *>(page),
                                &StatusPage::OnUpdateStatus);
    }};

    // The dual model files its inputs under its two groups, the 4x1 models
    // all four under Group A.
    const struct {
        PageKey key;
        BaseWidget *(*make)(const PageContext &);
        TreePlace place;
        TreePlace single;
    } inputs[] = {
        {K::Detection1,
         MakeInput<Detection, 0>,
         {B::SettingsGroupA, QT_TRANSLATE_NOOP("cfg", "Input 1")},
         {}},
        {K::Detection2,
         MakeInput<Detection, 1>,
         {B::SettingsGroupA, QT_TRANSLATE_NOOP("cfg", "Input 2")},
         {}},
        {K::Detection3,
         MakeInput<Detection, 2>,
         {B::SettingsGroupB, QT_TRANSLATE_NOOP("cfg", "Input 1")},
         {B::SettingsGroupA, QT_TRANSLATE_NOOP("cfg", "Input 3")}},
        {K::Detection4,
         MakeInput<Detection, 3>,
         {B::SettingsGroupB, QT_TRANSLATE_NOOP("cfg", "Input 2")},
         {B::SettingsGroupA, QT_TRANSLATE_NOOP("cfg", "Input 4")}},
    };
    int rank = 90;
    for (const auto &input : inputs) {
        PageDescriptor &page = add(input.key, rank++, input.place, input.make);
        page.singlePlace = input.single;
        page.worker = {Link(&CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue)};
        page.tells = {Tell<Detection>(&Detection::SendDetectionInfo, K::Status,
                                      &StatusPage::OnDetectionChanged)};
    }

    // The alarm log: the window makes it once and keeps it across models.
    add(K::Alarm, 110, {B::Alarms, QT_TRANSLATE_NOOP("cfg", "Logs")}, nullptr);

    // In the rows' order; a row without a descriptor is a page never shown.
    const auto first = [](PageKey key) {
        const std::vector<PageRow> &rows = PageRows();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [key](const PageRow &r) { return r.key == key; });
        Q_ASSERT(row != rows.end());
        return row - rows.begin();
    };
    std::stable_sort(table.begin(), table.end(),
                     [&first](const PageDescriptor &a, const PageDescriptor &b) {
                         return first(a.key) < first(b.key);
                     });
    Q_ASSERT(std::all_of(PageRows().begin(), PageRows().end(), [&table](const PageRow &r) {
        return std::any_of(table.begin(), table.end(),
                           [&r](const PageDescriptor &d) { return d.key == r.key; });
    }));
    return table;
}
}  // namespace

const TreeBranch &BranchOf(Branch branch)
{
    static const TreeBranch kTop = {Branch::Top, nullptr};
    static const TreeBranch kSignalIO = {Branch::Top, QT_TRANSLATE_NOOP("cfg", "Signal I/O")};
    static const TreeBranch kSwitchControl = {Branch::Top,
                                              QT_TRANSLATE_NOOP("cfg", "Switch Control")};
    static const TreeBranch kAlarms = {Branch::Top, QT_TRANSLATE_NOOP("cfg", "Alarms")};
    static const TreeBranch kSettings = {Branch::Alarms, QT_TRANSLATE_NOOP("cfg", "Settings")};
    static const TreeBranch kGroupA = {Branch::Settings, QT_TRANSLATE_NOOP("cfg", "Group A")};
    static const TreeBranch kGroupB = {Branch::Settings, QT_TRANSLATE_NOOP("cfg", "Group B")};
    switch (branch) {
        case Branch::SignalIO:
            return kSignalIO;
        case Branch::SwitchControl:
            return kSwitchControl;
        case Branch::Alarms:
            return kAlarms;
        case Branch::Settings:
            return kSettings;
        case Branch::SettingsGroupA:
            return kGroupA;
        case Branch::SettingsGroupB:
            return kGroupB;
        case Branch::Top:
            break;
    }
    return kTop;
}

TreePlace PageDescriptor::PlaceIn(int productType) const
{
    if (!FindPage(productType, key)) {
        return {Branch::Top, nullptr};
    }
    return !IsDual(productType) && singlePlace.text ? singlePlace : place;
}

const std::vector<PageDescriptor> &PageDescriptors()
{
    static const std::vector<PageDescriptor> table = Build();
    return table;
}
