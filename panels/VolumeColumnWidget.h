#pragma once

#include <QMutex>
#include <QPoint>
#include <QWidget>

// The audio meter of the AGC page: 16 input and 16 output bars, each lit from
// the bottom by its channel's level (dB below full scale) on a scale from 0 dB
// at the top to -60 dB at the bottom: green up to -12 dB, yellow to -2 dB,
// red above. It takes its levels from its parent's
// signalsVolumeChanged(unsigned short*).
class VolumeColumnWidget final : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kBars = 32;  // inputs 1 to 16, then outputs 1 to 16
    static constexpr int kSilent = 63;

    explicit VolumeColumnWidget(QWidget *parent = nullptr);

    unsigned short Level(int bar) const;
    // The scale position (0 bottom to 90 top) of an attenuation of 0 to 63 dB.
    int ScalePosition(int attenuation) const { return scaleTable[attenuation]; }
    // The left edge of a bar, for a meter `width` pixels wide.
    static int BarX(int bar, int width);

public slots:
    // Takes kBars levels.
    void OnVolumeChanged(unsigned short *values);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    mutable QMutex mutex;
    unsigned short levels[kBars];
    int scaleTable[64];
    QPoint tipPosition;    // where the cursor was when the last tool tip went up
    bool m_tipUp = false;  // whether that tool tip is the meter's
};
