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
        Link(PageKey::Status, &CmdThread::SendAlarmTriggerInfo,
             &StatusPage::OnAlarmTriggerChanged),
        Link(PageKey::Status, &CmdThread::SendSystemAlarmInfo, &StatusPage::OnSystemAlarmChanged),
        Link(PageKey::Detection1, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection2, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection3, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
        Link(PageKey::Detection4, &CmdThread::SendRegionMaxValue, &Detection::OnSetRegionMaxValue),
    };
    return links;
}
// The page-to-page links (the detection, alarm combination and system alarm
// pages telling Status of an applied change) and those from the window and
// the notification receiver to the alarm log and Status go beside these once
// those pages exist.
}  // namespace

void PageWiring::Connect(const Pages &pages, CmdThread *worker, QStatusBar *statusBar)
{
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
}

void PageWiring::Disconnect()
{
    for (const QMetaObject::Connection &connection : m_connections) {
        QObject::disconnect(connection);
    }
    m_connections.clear();
}
