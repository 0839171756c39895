#pragma once

#include <functional>
#include <thread>
#include <utility>

// A helper thread of a test function that is joined however the function
// ends. A failed check returns from the function at once, and a std::thread
// still joinable when it is destroyed ends the whole test program, so the
// later tests would never run. `stop`, when given, runs before the join and
// tells a thread that loops until told to end.
class JoiningThread final
{
public:
    template <class F>
    explicit JoiningThread(F &&body, std::function<void()> stop = {})
        : m_stop(std::move(stop)), m_thread(std::forward<F>(body))
    {}
    ~JoiningThread() { join(); }

    void join()
    {
        if (m_stop) {
            m_stop();
        }
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }

private:
    std::function<void()> m_stop;
    std::thread m_thread;
};
