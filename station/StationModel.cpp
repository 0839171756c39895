#include "StationModel.h"

namespace {
bool IsDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
}  // namespace

int CompareStationNames(const QString &a, const QString &b)
{
    int i = 0;
    int j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            while (i < a.size() && a[i] == QLatin1Char('0')) {
                ++i;
            }
            while (j < b.size() && b[j] == QLatin1Char('0')) {
                ++j;
            }
            int endA = i;
            int endB = j;
            while (endA < a.size() && IsDigit(a[endA])) {
                ++endA;
            }
            while (endB < b.size() && IsDigit(b[endB])) {
                ++endB;
            }
            // Without leading zeros the longer run is the larger number;
            // runs as long compare digit by digit.
            if (endA - i != endB - j) {
                return (endA - i) - (endB - j);
            }
            const int digits = QStringRef(&a, i, endA - i).compare(QStringRef(&b, j, endB - j));
            if (digits != 0) {
                return digits;
            }
            i = endA;
            j = endB;
            continue;
        }
        const int c = int(a[i].toCaseFolded().unicode()) - int(b[j].toCaseFolded().unicode());
        if (c != 0) {
            return c;
        }
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) {
        return (a.size() - i) - (b.size() - j);
    }
    return QString::compare(a, b, Qt::CaseSensitive);
}

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
    QStringList lines{
        QStringLiteral("<b>%1</b>").arg(device.name.toHtmlEscaped()),
        (device.model.isEmpty() ? tr("model not known yet") : device.model.toHtmlEscaped()) +
            QStringLiteral(", ") + device.address.toHtmlEscaped()};
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
    // One signal for the span that changed: the proxy sorts and filters
    // once per answer, not once per changed switch.
    int first = -1;
    int last = -1;
    for (int i = 0; i < devices.size(); ++i) {
        if (devices[i] != m_devices[i]) {
            m_devices[i] = devices[i];
            first = first < 0 ? i : first;
            last = i;
        }
    }
    if (first >= 0) {
        emit dataChanged(index(first), index(last));
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
    // The sort and the filter read StatusRole and the name themselves; the
    // model's row updates name no roles, so every one re-sorts and re-filters.
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
    return CompareStationNames(left.data(Qt::DisplayRole).toString(),
                               right.data(Qt::DisplayRole).toString()) < 0;
}
