#include "UnixSignals.h"

#include <QSocketNotifier>

#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {
int g_pair[2] = {-1, -1};  // the handler writes to [0], the notifier reads [1]

extern "C" void OnUnixSignal(int number)
{
    // write() is async-signal-safe; errno is the interrupted code's.
    const int saved = errno;
    const char byte = static_cast<char>(number);
    static_cast<void>(::write(g_pair[0], &byte, 1));
    errno = saved;
}
}  // namespace

UnixSignals::UnixSignals(std::initializer_list<int> numbers, QObject *parent)
    : QObject(parent), m_numbers(numbers)
{
    if (g_pair[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pair) != 0) {
        m_numbers.clear();
        return;
    }
    m_notifier = new QSocketNotifier(g_pair[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignals::OnReadable);
    struct sigaction action = {};
    action.sa_handler = OnUnixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : m_numbers) {
        if (::sigaction(number, &action, nullptr) != 0) {
            m_notifier->setEnabled(false);
        }
    }
}

UnixSignals::~UnixSignals()
{
    if (!m_notifier) {
        return;  // another instance holds the pair
    }
    for (int number : m_numbers) {
        std::signal(number, SIG_DFL);
    }
    delete m_notifier;
    ::close(g_pair[0]);
    ::close(g_pair[1]);
    g_pair[0] = g_pair[1] = -1;
}

bool UnixSignals::IsActive() const
{
    return m_notifier && m_notifier->isEnabled();
}

void UnixSignals::OnReadable()
{
    char byte = 0;
    if (::read(g_pair[1], &byte, 1) == 1) {
        emit Received(byte);
    }
}
