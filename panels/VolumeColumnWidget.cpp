#include "VolumeColumnWidget.h"

#include <QCursor>
#include <QMutexLocker>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace {
constexpr int kBarWidth = 15;

// Attenuation (dB) to scale position at the scale's marks; the entries
// between two marks are interpolated.
struct Mark {
    int db;
    int position;
};
constexpr Mark kMarks[] = {{0, 90},  {1, 85},  {2, 80},  {6, 70},  {12, 60}, {18, 50},
                           {24, 40}, {30, 30}, {40, 20}, {50, 10}, {60, 0}};

// The scale's labels, top down; the first four are raised and three of the
// lower ones lowered a little so that they sit beside their marks.
struct ScaleLabel {
    const char *text;
    int shift;
};
constexpr ScaleLabel kLabels[] = {{"0", -3},  {"-2", -3}, {"-6", -3}, {"-12", -3}, {"-18", 0},
                                  {"-24", 0}, {"-30", 2}, {"-40", 2}, {"-50", 2},  {"-60", 0}};

const QColor kDimGreen(0, 77, 0);
const QColor kDimYellow(77, 77, 0);
const QColor kDimRed(77, 0, 0);
const QColor kGreen(0, 255, 0);
const QColor kYellow(255, 255, 0);
const QColor kRed(255, 0, 0);
}  // namespace

VolumeColumnWidget::VolumeColumnWidget(QWidget *parent) : QWidget(parent)
{
    setFixedWidth(770);
    std::fill(std::begin(levels), std::end(levels), static_cast<unsigned short>(kSilent));
    // 60 dB and below sit at the bottom of the scale.
    std::fill(std::begin(scaleTable), std::end(scaleTable), 0);
    for (size_t i = 0; i + 1 < std::size(kMarks); ++i) {
        const Mark a = kMarks[i], b = kMarks[i + 1];
        scaleTable[a.db] = a.position;
        for (int k = a.db + 1; k < b.db; ++k) {
            scaleTable[k] = b.position + (a.position - b.position) * (b.db - k) / (b.db - a.db);
        }
    }
    const char *signal = SIGNAL(signalsVolumeChanged(unsigned short *));
    if (parent &&
        parent->metaObject()->indexOfSignal(QMetaObject::normalizedSignature(signal + 1)) >= 0) {
        connect(parent, signal, this, SLOT(OnVolumeChanged(unsigned short *)));
    }
}

unsigned short VolumeColumnWidget::Level(int bar) const
{
    QMutexLocker lock(&mutex);
    return levels[bar];
}

int VolumeColumnWidget::BarX(int bar, int width)
{
    // Neighbouring channels in pairs, 40 pixels from pair to pair; the
    // outputs keep their place from the right-hand edge.
    if (bar < 16) {
        return (bar % 2 == 0 ? 20 : 37) + 40 * (bar / 2);
    }
    const int pair = (bar - 16) / 2;
    return width - (bar % 2 == 0 ? 332 : 315) + 40 * pair;
}

void VolumeColumnWidget::OnVolumeChanged(unsigned short *values)
{
    {
        QMutexLocker lock(&mutex);
        std::copy(values, values + kBars, levels);
    }
    update();
}

void VolumeColumnWidget::paintEvent(QPaintEvent *)
{
    QMutexLocker lock(&mutex);
    QPainter painter(this);
    const int h = height();
    const int w = width();
    const int base = h * 9 / 10 + 10;
    const double unit = base / 90.0;
    const int full = static_cast<int>(90 * unit);
    const int line60 = static_cast<int>(60 * unit);
    const int line80 = static_cast<int>(80 * unit);
    const int zone60 = static_cast<int>(60 * unit);
    const int zone20 = static_cast<int>(20 * unit);
    const int zone10 = static_cast<int>(10 * unit);
    const int bottom = h - 1;

    const bool tips = isActiveWindow();
    const QPoint cursor = tips ? mapFromGlobal(QCursor::pos()) : QPoint();
    int pointed = -1;
    for (int i = 0; i < kBars; ++i) {
        const unsigned short level = levels[i];
        const int v = level <= 60 ? scaleTable[level] : 0;
        const int green = static_cast<int>(std::min(v, 60) * unit);
        int yellow = 0;
        if (v > 80) {
            yellow = zone20;
        } else if (v > 60) {
            yellow = static_cast<int>((v - 60) * unit);
        }
        const int red = v > 80 ? static_cast<int>((v - 80) * unit) : 0;
        const int x = BarX(i, w);

        painter.fillRect(QRect(x, bottom - zone60, kBarWidth, zone60), kDimGreen);
        painter.fillRect(QRect(x, bottom - line60 - zone20, kBarWidth, zone20), kDimYellow);
        painter.fillRect(QRect(x, bottom - line80 - zone10, kBarWidth, zone10), kDimRed);
        painter.fillRect(QRect(x, bottom - green, kBarWidth, green), kGreen);
        painter.fillRect(QRect(x, bottom - line60 - yellow, kBarWidth, yellow), kYellow);
        painter.fillRect(QRect(x, bottom - line80 - red, kBarWidth, red), kRed);

        if (tips && pointed < 0 && QRect(x, bottom - full, kBarWidth, full).contains(cursor)) {
            pointed = i;
        }
    }
    if (pointed >= 0) {
        const unsigned short level = levels[pointed];
        const QString text =
            level == 0 ? QStringLiteral("%1").arg(level) : QStringLiteral("-%1").arg(level);
        QToolTip::showText(mapToGlobal(cursor), text, this);
        tipPosition = cursor;
        m_tipUp = true;
    } else if (tips && m_tipUp && cursor != tipPosition) {
        // Only the meter's own tip: another control's tip stays up while the
        // levels move.
        QToolTip::hideText();
        m_tipUp = false;
    }

    painter.setPen(Qt::black);
    int y = h + 8 - base;
    for (const ScaleLabel &label : kLabels) {
        const QString text = QString::fromLatin1(label.text);
        painter.drawText(0, y + label.shift, text);
        painter.drawText(w - 18, y + label.shift, text);
        y = static_cast<int>(y + 10 * unit);
    }
    painter.drawText(20, 20, tr("Inputs"));
    painter.drawText(445, 20, tr("Outputs"));
}
