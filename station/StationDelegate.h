#pragma once

#include <QStyledItemDelegate>

// Paints a switch as a tile in its status colour, the status board's: red
// with an active alarm, gray when lost, green when fine, yellow when its
// notifications do not reach the service. A full tile has the name, the
// first alarm under it and the model and address; a compact one, for a
// wall, only the name. Tiles from an answer the service has not renewed are
// faded and framed in dashes.
class StationDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit StationDelegate(QObject *parent = nullptr);

    void SetCompact(bool compact) { m_compact = compact; }
    static QColor StatusColour(int status);

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    bool m_compact = false;
};
