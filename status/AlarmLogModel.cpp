#include "AlarmLogModel.h"

#include <QCoreApplication>

#include <cstdio>
#include <iterator>

namespace {
// The page's form held these titles before the rows moved here; they keep
// its translations.
const char *const kTitles[] = {
    QT_TRANSLATE_NOOP("Alarm", "Number"),       QT_TRANSLATE_NOOP("Alarm", "Time"),
    QT_TRANSLATE_NOOP("Alarm", "Input"),        QT_TRANSLATE_NOOP("Alarm", "Alarm Type"),
    QT_TRANSLATE_NOOP("Alarm", "Alarm Status"), QT_TRANSLATE_NOOP("Alarm", "Notes")};
constexpr int kColumns = int(std::size(kTitles));
constexpr int kFirstTextColumn = 2;  // input, alarm type, status and notes
}  // namespace

int AlarmLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_entries.size();
}

int AlarmLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant AlarmLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid)) {
        return QVariant();
    }
    const QString text = Text(m_entries.at(index.row()), index.column());
    return index.column() >= kFirstTextColumn ? Shown(text) : text;
}

QVariant AlarmLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns) {
        return QCoreApplication::translate("Alarm", kTitles[section]);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags AlarmLogModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

void AlarmLogModel::Add(const AlarmInfo &info, const AlarmCsv::Preamble &device)
{
    const QDate date = info.time.date();
    const QTime time = info.time.time();
    const bool timed = info.time.isValid() && date.year() >= 0 && date.year() <= 0xFFFF;
    Entry entry{m_nextNumber++,        DeviceIndex(device),    quint16(timed ? date.year() : 0),
                quint8(date.month()),  quint8(date.day()),     quint8(time.hour()),
                quint8(time.minute()), quint8(time.second()),  timed,
                Shared(info.input),    Shared(info.alarmType), Shared(info.alarmStatus),
                Shared(info.notes)};
    const int row = m_entries.size();
    beginInsertRows(QModelIndex(), row, row);
    m_entries.append(entry);
    endInsertRows();
}

void AlarmLogModel::Clear()
{
    beginResetModel();
    m_entries = QVector<Entry>();  // the memory goes too, not only the rows
    m_devices.clear();
    m_texts.clear();
    m_nextNumber = 1;
    endResetModel();
}

void AlarmLogModel::Retranslate()
{
    m_shown.clear();
    emit headerDataChanged(Qt::Horizontal, 0, kColumns - 1);
    if (!m_entries.isEmpty()) {
        emit dataChanged(index(0, kFirstTextColumn), index(m_entries.size() - 1, kColumns - 1),
                         {Qt::DisplayRole});
    }
}

QVector<AlarmCsv::Preamble> AlarmLogModel::Devices() const
{
    QVector<bool> seen(m_devices.size(), false);
    QVector<AlarmCsv::Preamble> devices;
    for (const Entry &entry : m_entries) {
        if (!seen.at(entry.device)) {
            seen[entry.device] = true;
            devices << m_devices.at(entry.device);
        }
    }
    return devices;
}

QVector<AlarmCsv::Row> AlarmLogModel::RowsOf(const AlarmCsv::Preamble &device) const
{
    const int wanted = m_devices.indexOf(device);
    QVector<AlarmCsv::Row> rows;
    for (const Entry &entry : m_entries) {
        if (entry.device == wanted) {
            AlarmCsv::Row row;
            row.reserve(kColumns);
            for (int column = 0; column < kColumns; ++column) {
                row << Text(entry, column);
            }
            rows << row;
        }
    }
    return rows;
}

void AlarmLogModel::RemoveRowsOf(const QVector<AlarmCsv::Preamble> &devices)
{
    QVector<bool> gone(m_devices.size(), false);
    for (const AlarmCsv::Preamble &device : devices) {
        const int at = m_devices.indexOf(device);
        if (at >= 0) {
            gone[at] = true;
        }
    }
    // From the end, one removal per run of rows, so the view keeps up
    // without a reset.
    for (int last = m_entries.size() - 1; last >= 0; --last) {
        if (!gone.at(m_entries.at(last).device)) {
            continue;
        }
        int first = last;
        while (first > 0 && gone.at(m_entries.at(first - 1).device)) {
            --first;
        }
        beginRemoveRows(QModelIndex(), first, last);
        m_entries.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
}

QString AlarmLogModel::Text(const Entry &entry, int column) const
{
    switch (column) {
        case 0:
            return QString::number(entry.number);
        case 1: {
            if (!entry.timed) {
                return QString();
            }
            // As "yyyy-MM-dd hh:mm:ss" would give it, without a time zone
            // look-up for each of 100,000 rows in a file.
            char text[32];
            const int size =
                std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u",
                              unsigned(entry.year), unsigned(entry.month), unsigned(entry.day),
                              unsigned(entry.hour), unsigned(entry.minute), unsigned(entry.second));
            return QString::fromLatin1(text, size);
        }
        case 2:
            return entry.input;
        case 3:
            return entry.type;
        case 4:
            return entry.status;
        case 5:
            return entry.notes;
        default:
            return QString();
    }
}

// The rows hold the English texts of the receiver and the window; the table
// shows them in the interface's language where a translation exists.
QString AlarmLogModel::Shown(const QString &english) const
{
    const auto cached = m_shown.constFind(english);
    if (cached != m_shown.constEnd()) {
        return *cached;
    }
    QString shown = english;
    const QByteArray source = english.toUtf8();
    for (const char *context : {"NoticesServer", "cfg"}) {
        const QString text = QCoreApplication::translate(context, source.constData());
        if (text != english) {
            shown = text;
            break;
        }
    }
    m_shown.insert(english, shown);
    return shown;
}

QString AlarmLogModel::Shared(const QString &text)
{
    return text.isEmpty() ? QString() : *m_texts.insert(text);
}

int AlarmLogModel::DeviceIndex(const AlarmCsv::Preamble &device)
{
    if (!m_devices.isEmpty() && m_devices.last() == device) {
        return m_devices.size() - 1;
    }
    int at = m_devices.indexOf(device);
    if (at < 0) {
        at = m_devices.size();
        m_devices << device;
    }
    return at;
}
