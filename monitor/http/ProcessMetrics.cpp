#include "ProcessMetrics.h"

#include "Exposition.h"

#include <QDir>
#include <QFile>
#include <QList>

#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray ReadProcFile(const char *path)
{
    // /proc files report a size of 0: read until the end.
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Add(QByteArray &out, const char *name, const char *type, const char *help, double value)
{
    out += Exposition::Head(name, type, help) + name + ' ' + Exposition::FormatValue(value) + '\n';
}

}  // namespace

QByteArray ProcessMetricsText()
{
    QByteArray out;
    const double ticks = double(sysconf(_SC_CLK_TCK));
    // /proc/self/stat: the command name in parentheses may hold spaces, so
    // the fields are counted from its closing one; field 3 (state) follows it.
    const QByteArray stat = ReadProcFile("/proc/self/stat");
    const int close = stat.lastIndexOf(')');
    const QList<QByteArray> fields =
        close > 0 ? stat.mid(close + 2).split(' ') : QList<QByteArray>();
    // Fields numbered as proc(5) numbers them, from 3.
    const auto field = [&fields](int number) { return fields.value(number - 3).toDouble(); };
    if (fields.size() > 21 && ticks > 0) {
        Add(out, "process_cpu_seconds_total", "counter",
            "Total user and system CPU time spent in seconds.", (field(14) + field(15)) / ticks);
        Add(out, "process_virtual_memory_bytes", "gauge", "Virtual memory size in bytes.",
            field(23));
        Add(out, "process_resident_memory_bytes", "gauge", "Resident memory size in bytes.",
            field(24) * double(sysconf(_SC_PAGESIZE)));
        // The start in ticks after boot, and the boot time from /proc/stat.
        for (const QByteArray &line : ReadProcFile("/proc/stat").split('\n')) {
            if (line.startsWith("btime ")) {
                Add(out, "process_start_time_seconds", "gauge",
                    "Start time of the process since unix epoch in seconds.",
                    line.mid(6).trimmed().toDouble() + field(22) / ticks);
            }
        }
    }
    const QDir fds(QStringLiteral("/proc/self/fd"));
    if (fds.exists()) {
        Add(out, "process_open_fds", "gauge", "Number of open file descriptors.",
            double(fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size()));
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        Add(out, "process_max_fds", "gauge", "Maximum number of open file descriptors.",
            limit.rlim_cur == RLIM_INFINITY ? double(INT64_MAX) : double(limit.rlim_cur));
    }
    return out;
}
