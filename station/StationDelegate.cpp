#include "StationDelegate.h"

#include "StationModel.h"

#include <QPainter>

namespace {
constexpr int kMargin = 3;  // between tiles
constexpr int kPadding = 6;
}  // namespace

StationDelegate::StationDelegate(QObject *parent) : QStyledItemDelegate(parent) {}

QColor StationDelegate::StatusColour(int status)
{
    switch (StationStatus(status)) {
        case StationStatus::Alarm:
            return QColor(0xd3, 0x2f, 0x2f);
        case StationStatus::Lost:
            return QColor(0x6e, 0x6e, 0x6e);  // white on it stays readable
        case StationStatus::Unrouted:
            return QColor(0xf2, 0xc0, 0x1e);
        case StationStatus::Fine:
            break;
    }
    return QColor(0x2e, 0x8b, 0x3e);
}

QSize StationDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    const int line = option.fontMetrics.height();
    return m_compact ? QSize(8 * line, 2 * line + 2 * kMargin)
                     : QSize(16 * line, 3 * line + 2 * kPadding + 2 * kMargin);
}

void StationDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const
{
    const int status = index.data(StationModel::StatusRole).toInt();
    const bool stale = index.data(StationModel::StaleRole).toBool();
    const QRect tile = option.rect.adjusted(kMargin, kMargin, -kMargin, -kMargin);
    QColor fill = StatusColour(status);
    if (stale) {
        fill = fill.lighter(160);
    }
    const QColor ink = StationStatus(status) == StationStatus::Unrouted || stale
                           ? QColor(Qt::black)
                           : QColor(Qt::white);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen frame(Qt::NoPen);
    if (option.state & QStyle::State_Selected) {
        frame = QPen(option.palette.highlight(), 3);
    } else if (stale) {
        frame = QPen(QColor(0x55, 0x55, 0x55), 1, Qt::DashLine);
    }
    painter->setPen(frame);
    painter->setBrush(fill);
    painter->drawRoundedRect(QRectF(tile).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);

    painter->setPen(ink);
    QFont bold = option.font;
    bold.setBold(true);
    const QRect text = tile.adjusted(kPadding, 0, -kPadding, 0);
    const QString name = index.data(Qt::DisplayRole).toString();
    if (m_compact) {
        painter->setFont(bold);
        painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                          QFontMetrics(bold).elidedText(name, Qt::ElideMiddle, text.width()));
        painter->restore();
        return;
    }
    const int line = option.fontMetrics.height();
    QRect row(text.left(), tile.top() + kPadding, text.width(), line);
    painter->setFont(bold);
    painter->drawText(row, Qt::AlignVCenter | Qt::AlignLeft,
                      QFontMetrics(bold).elidedText(name, Qt::ElideMiddle, row.width()));
    painter->setFont(option.font);
    const QString lines[] = {index.data(StationModel::FirstAlarmRole).toString(),
                             index.data(StationModel::ModelRole).toString() + QStringLiteral("  ") +
                                 index.data(StationModel::AddressRole).toString()};
    for (const QString &shown : lines) {
        row.translate(0, line);
        painter->drawText(
            row, Qt::AlignVCenter | Qt::AlignLeft,
            option.fontMetrics.elidedText(shown.trimmed(), Qt::ElideRight, row.width()));
    }
    painter->restore();
}
