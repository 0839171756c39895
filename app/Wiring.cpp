#include "Wiring.h"

#include "BaseWidget.h"
#include "CmdThread.h"
#include "PageList.h"
#include "PageTable.h"
#include "cfg.h"

#include <QStatusBar>

void PageWiring::Connect(const Pages &pages, CmdThread *worker, cfg *window)
{
    QStatusBar *statusBar = window->statusBar();
    for (BaseWidget *page : pages.list) {
        m_connections << QObject::connect(page, &BaseWidget::SendStatusMessage, statusBar,
                                          &QStatusBar::showMessage);
    }
    // A link is made only when its pages exist in the model.
    for (const PageDescriptor &descriptor : PageDescriptors()) {
        BaseWidget *page = pages.Find(descriptor.key);
        if (!page) {
            continue;
        }
        const PagePoll poll = FindPage(pages.ProductType(), descriptor.key)->poll;
        m_connections << QObject::connect(
            page, &BaseWidget::SendPolling, worker,
            [worker, poll](bool on) { worker->SetPoll(on ? poll : PagePoll()); });
        for (const WorkerJoin &join : descriptor.worker) {
            m_connections << join(worker, page);
        }
        for (const PageJoin &link : descriptor.tells) {
            if (BaseWidget *to = pages.Find(link.to)) {
                m_connections << link.join(page, to);
            }
        }
        for (const WindowJoin &join : descriptor.window) {
            m_connections << join(window, page);
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
