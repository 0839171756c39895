#include "StationModel.h"

namespace {
// Names compared with their numbers as numbers: studio-2 before studio-10,
// whatever collation the system's locale offers.
int CompareNames(const QString &a, const QString &b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            const int startA = i;
            const int startB = j;
            while (i < a.size() && a[i].isDigit()) {
                ++i;
            }
            while (j < b.size() && b[j].isDigit()) {
                ++j;
            }
            // Leading zeros aside, the longer run is the larger number.
            const QStringRef runA = a.midRef(startA, i - startA);
            const QStringRef runB = b.midRef(startB, j - startB);
            const int lengths = runA.toULongLong() < runB.toULongLong()   ? -1
                                : runA.toULongLong() > runB.toULongLong() ? 1
                                                                          : 0;
            if (lengths != 0) {
                return lengths;
            }
            continue;
        }
        const int c = QString::compare(a.mid(i, 1), b.mid(j, 1), Qt::CaseInsensitive);
        if (c != 0) {
            return c;
        }
        ++i;
        ++j;
    }
    return (a.size() - i) - (b.size() - j);
}
}  // namespace

StationModel::StationModel(QObject *parent) : QAbstractListModel(parent) {}

int StationModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_devices.size();
}

QString StationModel::StatusLine(const StationDevice &device) const
{
    switch (device.Status()) {
        case StationStatus::Alarm:
            return device.alarms.size() == 1 ? ShownAlarm(device.alarms.first())
                                             : tr("%1 and %2 more")
                                                   .arg(ShownAlarm(device.alarms.first()))
                                                   .arg(device.alarms.size() - 1);
        case StationStatus::Lost:
            return tr("Lost: no answer to the service");
        case StationStatus::Unrouted:
            return tr("Notifications not routed to the service");
        case StationStatus::Fine:
            break;
    }
    return tr("No active alarm");
}

QString StationModel::ToolTip(const StationDevice &device) const
{
    QStringList lines{QStringLiteral("<b>%1</b>").arg(device.name.toHtmlEscaped()),
                      (device.model.isEmpty() ? tr("model not known yet") : device.model) +
                          QStringLiteral(", ") + device.address};
    if (!device.up) {
        lines << tr("Lost: no answer to the service");
    } else if (device.alarms.isEmpty()) {
        lines << tr("No active alarm");
    }
    for (const QString &alarm : device.alarms) {
        lines << QStringLiteral("\u2022 ") + ShownAlarm(alarm).toHtmlEscaped();
    }
    if (device.up && device.routeOk == 0) {
        lines << tr("Notifications not routed to the service");
    }
    if (m_stale) {
        lines << tr("<i>Not current: the service cannot be read.</i>");
    }
    return lines.join(QStringLiteral("<br>"));
}

QVariant StationModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_devices.size()) {
        return QVariant();
    }
    const StationDevice &device = m_devices[index.row()];
    switch (role) {
        case Qt::DisplayRole:
            return device.name;
        case Qt::ToolTipRole:
            return ToolTip(device);
        case StatusRole:
            return int(device.Status());
        case AddressRole:
            return device.address;
        case ModelRole:
            return device.model;
        case UserRole:
            return device.user;
        case FirstAlarmRole:
            return StatusLine(device);
        case StaleRole:
            return m_stale;
        default:
            return QVariant();
    }
}

void StationModel::Update(const QVector<StationDevice> &devices)
{
    bool sameRows = devices.size() == m_devices.size();
    for (int i = 0; sameRows && i < devices.size(); ++i) {
        sameRows = devices[i].name == m_devices[i].name;
    }
    if (!sameRows) {
        // The service's configuration changed: a new set of tiles.
        beginResetModel();
        m_devices = devices;
        endResetModel();
        return;
    }
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i] != m_devices[i]) {
            m_devices[i] = devices[i];
            emit dataChanged(index(i), index(i));
        }
    }
}

void StationModel::SetStale(bool stale)
{
    if (stale != m_stale) {
        m_stale = stale;
        if (!m_devices.isEmpty()) {
            emit dataChanged(index(0), index(m_devices.size() - 1), {StaleRole, Qt::ToolTipRole});
        }
    }
}

QVector<int> StationModel::Counts() const
{
    QVector<int> counts(int(StationStatus::Fine) + 1, 0);
    for (const StationDevice &device : m_devices) {
        ++counts[int(device.Status())];
    }
    return counts;
}

StationFilter::StationFilter(QObject *parent) : QSortFilterProxyModel(parent)
{
    setDynamicSortFilter(true);
    sort(0);
}

void StationFilter::SetProblemsOnly(bool only)
{
    m_problemsOnly = only;
    invalidateFilter();
}

void StationFilter::SetText(const QString &text)
{
    m_text = text.trimmed();
    invalidateFilter();
}

bool StationFilter::filterAcceptsRow(int row, const QModelIndex &parent) const
{
    const QModelIndex index = sourceModel()->index(row, 0, parent);
    if (m_problemsOnly &&
        index.data(StationModel::StatusRole).toInt() == int(StationStatus::Fine)) {
        return false;
    }
    return m_text.isEmpty() ||
           index.data(Qt::DisplayRole).toString().contains(m_text, Qt::CaseInsensitive);
}

bool StationFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    const int a = left.data(StationModel::StatusRole).toInt();
    const int b = right.data(StationModel::StatusRole).toInt();
    if (a != b) {
        return a < b;
    }
    return CompareNames(left.data(Qt::DisplayRole).toString(),
                        right.data(Qt::DisplayRole).toString()) < 0;
}
