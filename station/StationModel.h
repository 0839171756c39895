#pragma once

#include "StationDevices.h"

#include <QAbstractListModel>
#include <QSortFilterProxyModel>

// The station's switches, a row each in the service's order. An answer
// with the same switches changes only the rows that differ, so a view
// repaints only the tiles that changed.
class StationModel final : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        StatusRole = Qt::UserRole + 1,  // StationStatus, as int
        AddressRole,
        ModelRole,
        UserRole,
        FirstAlarmRole,  // the status line under the name
        StaleRole,       // the service could not be read since this answer
    };

    explicit StationModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    void Update(const QVector<StationDevice> &devices);
    void SetStale(bool stale);
    bool IsStale() const { return m_stale; }
    const QVector<StationDevice> &Devices() const { return m_devices; }
    // How many switches have each status, indexed by StationStatus.
    QVector<int> Counts() const;

private:
    QString StatusLine(const StationDevice &device) const;
    QString ToolTip(const StationDevice &device) const;

    QVector<StationDevice> m_devices;
    bool m_stale = false;
};

// Names compared with their numbers as numbers, of any length: studio-2
// before studio-10, whatever collation the system's locale offers; names
// equal so (a5, A05) are then told apart, so that the order never depends
// on the service's. Negative, 0 or positive, as QString::compare.
int CompareStationNames(const QString &a, const QString &b);

// The tiles as shown: problems first (alarm, lost, not routed, fine), then
// by name with numbers in their order (studio-2 before studio-10); only the
// problems when asked, and only the names that hold the filter text.
class StationFilter final : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit StationFilter(QObject *parent = nullptr);

    void SetProblemsOnly(bool only);
    void SetText(const QString &text);

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    bool m_problemsOnly = false;
    QString m_text;
};
