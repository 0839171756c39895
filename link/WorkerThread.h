#pragma once

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

// A thread that loops until stopped, with pauses that Stop cuts short.
// The running flag is atomic; m_pauseLock and m_wake serve only the pause.
// Join() waits for the thread and then reads a flag that the thread set last,
// so that what the thread did is ordered before whatever the owner does next
// in a way ThreadSanitizer can see (QThread::wait synchronises inside Qt).
class WorkerThread : public QThread
{
    Q_OBJECT

public:
    explicit WorkerThread(QObject *parent = nullptr) : QThread(parent) {}

    // Starts the loop with the inherited priority.
    void Start();
    // Clears the running flag; the loop ends after its current step, and a
    // pause in progress ends at once. The owner waits with Join().
    void Stop();
    // Waits for the loop to end; false if it did not within the time.
    bool Join(unsigned long milliseconds = ULONG_MAX);
    bool IsRunning() const { return m_running; }
    // Ends the current pause at once (or the next one, when the loop is
    // busy), so that a request made meanwhile is served without waiting.
    void Wake();

protected:
    // One pass of the loop; called while the running flag is set.
    virtual void Step() = 0;
    // Sleeps up to `ms`, or less when stopped meanwhile or (when `wakeable`)
    // woken.
    void Pause(int ms, bool wakeable = true);
    // Runs on the thread once the loop has ended.
    virtual void Finished() {}

private:
    void run() final;

    std::atomic<bool> m_running{false};  // set by Start: a loop never started is not running
    std::atomic<bool> m_finished{false};
    std::mutex m_pauseLock;  // guards m_woken
    std::condition_variable m_wake;
    bool m_woken = false;
};
