#include "WorkerThread.h"

void WorkerThread::Start()
{
    m_running = true;
    m_finished = false;
    start(QThread::InheritPriority);
}

void WorkerThread::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_pauseLock);
        m_running = false;
    }
    m_wake.notify_all();
}

bool WorkerThread::Join(unsigned long milliseconds)
{
    if (!wait(milliseconds)) {
        return false;
    }
    (void)m_finished.load(std::memory_order_acquire);
    return true;
}

void WorkerThread::Wake()
{
    {
        std::lock_guard<std::mutex> lock(m_pauseLock);
        m_woken = true;
    }
    m_wake.notify_all();
}

void WorkerThread::Pause(int ms, bool wakeable)
{
    std::unique_lock<std::mutex> lock(m_pauseLock);
    m_wake.wait_for(lock, std::chrono::milliseconds(ms),
                    [this, wakeable] { return !m_running || (wakeable && m_woken); });
    if (wakeable) {
        m_woken = false;
    }
}

void WorkerThread::run()
{
    while (m_running) {
        Step();
    }
    Finished();
    m_finished.store(true, std::memory_order_release);
}
