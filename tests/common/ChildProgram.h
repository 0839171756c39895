#pragma once

#include <QElapsedTimer>
#include <QProcess>

#include <sys/prctl.h>
#include <csignal>

// A program the test starts (qvt-monitord, qvt-devsim, Prometheus). It ends
// with the test, passed or failed, and the kernel kills it should the test
// die first (a ctest time-out), so no server is left holding its port.
class ChildProgram : public QProcess
{
public:
    ~ChildProgram() override
    {
        if (state() != NotRunning) {
            terminate();
            waitForFinished(5000);
        }
    }

    // Whether `text` has come on the read channel within `ms`; it stays unread.
    bool Says(const QByteArray &text, int ms = 10000)
    {
        QElapsedTimer clock;
        clock.start();
        while (!peek(1 << 20).contains(text)) {
            if (clock.elapsed() > ms || !waitForReadyRead(ms - int(clock.elapsed()))) {
                return false;
            }
        }
        return true;
    }

    // A simulator's console: true when the answer begins "ok".
    bool Command(const QByteArray &line)
    {
        readAll();
        write(line + '\n');
        return Says("\n", 5000) && readAll().startsWith("ok");
    }

protected:
    void setupChildProcess() override { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }
};
