#include "BaseWidget.h"

#include <QSpinBox>

namespace {
constexpr int kConfirmationMs = 4000;
// Set on a spin box while it shows the nearest end of its range in place of
// the device's value.
constexpr char kUnshown[] = "qvtDeviceValueUnshown";

void SetMarked(QSpinBox *box, bool marked, const QString &tip)
{
    if (box->property(kUnshown).toBool() == marked && !marked) {
        return;
    }
    box->setProperty(kUnshown, marked);
    box->setStyleSheet(marked ? QStringLiteral("QSpinBox { background-color: #ffd966; }")
                              : QString());
    box->setToolTip(tip);
}
}  // namespace

void BaseWidget::ShowDeviceValue(QSpinBox *box, qint64 value)
{
    box->setValue(int(qBound<qint64>(box->minimum(), value, box->maximum())));
    const bool shown = value >= box->minimum() && value <= box->maximum();
    SetMarked(box, !shown,
              shown ? QString()
                    : tr("The device holds %1, which this box cannot show. Apply keeps the "
                         "device's value unless you change this box.")
                          .arg(value));
    if (!box->property("qvtDeviceValueHooked").toBool()) {
        box->setProperty("qvtDeviceValueHooked", true);
        // Once the operator (or a new range) changes the box, it shows what Apply writes.
        connect(box, qOverload<int>(&QSpinBox::valueChanged), box,
                [box] { SetMarked(box, false, QString()); });
    }
}

void BaseWidget::ReportRefreshFailure(const QString &failure)
{
    emit SendStatusMessage(tr("Refresh failed: %1").arg(failure), 0);
}

void BaseWidget::ReportApplyFailure(const QString &failure)
{
    emit SendStatusMessage(tr("Apply failed: %1").arg(failure), 0);
}

void BaseWidget::ReportApplied()
{
    emit SendStatusMessage(tr("Applied to the device."), kConfirmationMs);
}
