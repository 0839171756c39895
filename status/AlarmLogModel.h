#pragma once

#include "AlarmCsv.h"
#include "LinkTypes.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QSet>
#include <QVector>

// The alarm log's rows, held once: in English as the files hold them, each
// with the device it came from, and shown to the view in the interface's
// language. A row is a few dozen bytes: the time is kept as its fields and
// the four texts share one copy of each distinct text, so a year of events
// fits in memory beside the window.
class AlarmLogModel final : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit AlarmLogModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Appends the event as the next numbered row, from `device`.
    void Add(const AlarmInfo &info, const AlarmCsv::Preamble &device);
    // Every row gone; numbering starts at 1 again.
    void Clear();
    // The shown texts follow a change of language.
    void Retranslate();

    // The devices that logged the rows, in the order of their first row.
    QVector<AlarmCsv::Preamble> Devices() const;
    // The rows of one of those devices, in English, in order.
    QVector<AlarmCsv::Row> RowsOf(const AlarmCsv::Preamble &device) const;
    // Removes the rows of these devices; the others keep their numbers.
    void RemoveRowsOf(const QVector<AlarmCsv::Preamble> &devices);

private:
    Q_DISABLE_COPY(AlarmLogModel)
    struct Entry {
        int number;
        int device;  // index into m_devices
        quint16 year;
        quint8 month, day, hour, minute, second;
        bool timed;  // false for an event without a valid time
        QString input, type, status, notes;
    };
    QString Text(const Entry &entry, int column) const;
    QString Shown(const QString &english) const;
    QString Shared(const QString &text);
    int DeviceIndex(const AlarmCsv::Preamble &device);

    QVector<Entry> m_entries;
    int m_nextNumber = 1;
    // Every device that logged since the last Clear; few, so a list.
    QVector<AlarmCsv::Preamble> m_devices;
    // One copy of each text: a flood repeats a handful of them.
    QSet<QString> m_texts;
    // The shown text of each English one, in the current language.
    mutable QHash<QString, QString> m_shown;
};
