#include "Wiring.h"

#include "AGC.h"
#include "CmdThread.h"
#include "Detection.h"
#include "GPIO.h"
#include "GenlockWidget.h"
#include "Pages.h"
#include "SignalIOPage.h"
#include "StatusPage.h"
#include "SwitchControlPage.h"
#include "SystemAlarmsPage.h"
#include "Trigger.h"
#include "cfg.h"

#include <QStatusBar>

#include <functional>
#include <vector>

namespace {
// One worker signal and the slot of the page that shows it.
struct WorkerLink {
    PageKey key;
    std::function<QMetaObject::Connection(CmdThread *, BaseWidget *)> join;
};

template <class Signal, class Page, class... Args>
WorkerLink Link(PageKey key, Signal signal, void (Page::*slot)(Args...))
{
    return {key, [signal, slot](CmdThread *worker, BaseWidget *page) {
                Page *target = qobject_cast<Page *>(page);
                Q_ASSERT(target);  // the factory of `key` makes another class
                return QObject::connect(worker, signal, target, slot);
            }};
}

// Keyed by page, for every model: a model without the page has no such link.
const std::vector<WorkerLink> &WorkerLinks()
{
    static const std::vector<WorkerLink> links = {
        Link(PageKey::Genlock, &CmdThread::NotifyGenLockUpdate,
             &GenlockWidget::OnNotifyGenLockUpdate),
        Link(PageKey::GPIO, &CmdThread::NotifyGPIOUpdate, &GPIO::OnNotifyGPIOUpdate),
        Link(PageKey::AGC, &CmdThread::NotifyAGCUpdate, &AGC::OnNotifyAGCUpdate),
        Link(PageKey::SignalIO, &CmdThread::NotifySignalIOUpdate,
             &SignalIOPage::OnNotifySignalIOUpdate),
        Link(PageKey::SignalIOA, &CmdThread::NotifySignalIOUpdate,
             &SignalIOPage::OnNotifySignalIOUpdate),
        Link(PageKey::SignalIOB, &CmdThread::NotifySignalIOUpdate,
             &SignalIOPage::OnNotifySignalIOUpdate),
        Link(PageKey::SwitchControl, &CmdThread::NotifySwitchControlUpdate,
             &SwitchControlPage::OnNotifySwitchControlUpdate),
        Link(PageKey::SwitchControlA, &CmdThread::NotifySwitchControlUpdate,
             &SwitchControlPage::OnNotifySwitchControlUpdate),
        Link(PageKey::SwitchControlB, &CmdThread::NotifySwitchControlUpdate,
             &SwitchControlPage::OnNotifySwitchControlUpdate),
        Link(PageKey::Status, &CmdThread::NotifyStatusUpdate, &StatusPage::OnNotifyStatusUpdate),
        Link(PageKey::Status, &CmdThread::SendDetectionInfo, &StatusPage::OnDetectionChanged),
        Link(PageKey::Status, &CmdThread::SendAlarmTriggerInfo, &StatusPage::OnAlarmTriggerChanged),
        Link(PageKey::Status, &CmdThread::SendSystemAlarmInfo, &StatusPage::OnSystemAlarmChanged),
        Link(PageKey::Detection1, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection2, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection3, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection4, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
    };
    return links;
}
// One page's signal and the slot of another page that it keeps up to date.
struct PageLink {
    PageKey from;
    PageKey to;
    std::function<QMetaObject::Connection(BaseWidget *, BaseWidget *)> join;
};

template <class From, class Signal, class To, class... Args>
PageLink Tell(PageKey from, Signal signal, PageKey to, void (To::*slot)(Args...))
{
    return {from, to, [signal, slot](BaseWidget *source, BaseWidget *target) {
                From *sender = qobject_cast<From *>(source);
                To *receiver = qobject_cast<To *>(target);
                Q_ASSERT(sender && receiver);
                // Queued when an import emits from the command worker's thread.
                return QObject::connect(sender, signal, receiver, slot);
            }};
}

// The pages that write the alarm configuration tell the status board, which
// colours its lamps by it, after every write the device took.
const std::vector<PageLink> &PageLinks()
{
    using K = PageKey;
    static const std::vector<PageLink> links = {
        Tell<Detection>(K::Detection1, &Detection::SendDetectionInfo, K::Status,
                        &StatusPage::OnDetectionChanged),
        Tell<Detection>(K::Detection2, &Detection::SendDetectionInfo, K::Status,
                        &StatusPage::OnDetectionChanged),
        Tell<Detection>(K::Detection3, &Detection::SendDetectionInfo, K::Status,
                        &StatusPage::OnDetectionChanged),
        Tell<Detection>(K::Detection4, &Detection::SendDetectionInfo, K::Status,
                        &StatusPage::OnDetectionChanged),
        Tell<Trigger>(K::Trigger, &Trigger::SendAlarmTriggerInfo, K::Status,
                      &StatusPage::OnAlarmTriggerChanged),
        Tell<SystemAlarmsPage>(K::SystemAlarms, &SystemAlarmsPage::SendSystemAlarmInfo, K::Status,
                               &StatusPage::OnSystemAlarmChanged),
    };
    return links;
}
}  // namespace

void PageWiring::Connect(const Pages &pages, CmdThread *worker, cfg *window)
{
    QStatusBar *statusBar = window->statusBar();
    for (BaseWidget *page : pages.list) {
        m_connections << QObject::connect(page, &BaseWidget::SendUpdateCmd, worker,
                                          &CmdThread::OnSetCmd);
        m_connections << QObject::connect(page, &BaseWidget::SendStatusMessage, statusBar,
                                          &QStatusBar::showMessage);
    }
    for (const WorkerLink &link : WorkerLinks()) {
        if (BaseWidget *page = pages.Find(link.key)) {
            m_connections << link.join(worker, page);
        }
    }
    for (const PageLink &link : PageLinks()) {
        BaseWidget *from = pages.Find(link.from);
        BaseWidget *to = pages.Find(link.to);
        if (from && to) {
            m_connections << link.join(from, to);
        }
    }
    // The board reloads at each session start and when a lost connection
    // returns, and turns gray when the session ends or the connection is lost.
    if (auto *board = pages.Get<StatusPage>(PageKey::Status)) {
        m_connections << QObject::connect(window, &cfg::UpdateStatus, board,
                                          &StatusPage::OnUpdateStatus);
    }
}

void PageWiring::Disconnect()
{
    for (const QMetaObject::Connection &connection : m_connections) {
        QObject::disconnect(connection);
    }
    m_connections.clear();
}
