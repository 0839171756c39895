#include "BaseWidget.h"

#include "CfgNetClient.h"

#include <QSpinBox>

namespace {
constexpr int kConfirmationMs = 4000;
// Set on a spin box while it shows the nearest end of its range in place of
// the device's value.
constexpr char kUnshown[] = "qvtDeviceValueUnshown";
constexpr char kUnshownEnd[] = "qvtDeviceValueEnd";
constexpr char kUnshownTip[] = "qvtDeviceValueTip";

void SetMarked(QSpinBox *box, bool marked, const QString &tip)
{
    if (box->property(kUnshown).toBool() == marked && box->toolTip() == tip) {
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
    const int end = int(qBound<qint64>(box->minimum(), value, box->maximum()));
    const bool shown = value == end;
    const QString tip = shown ? QString()
                              : tr("The device holds %1, which this box cannot show. Apply "
                                   "keeps the device's value unless you change this box.")
                                    .arg(value);
    // The end the box stands at while it cannot show the device's value.
    box->setProperty(kUnshownEnd, shown ? QVariant() : QVariant(end));
    box->setProperty(kUnshownTip, tip);
    box->setValue(end);
    SetMarked(box, !shown, tip);
    if (!box->property("qvtDeviceValueHooked").toBool()) {
        box->setProperty("qvtDeviceValueHooked", true);
        // Marked exactly while it stands at that end: then Apply keeps the
        // device's value; anywhere else it writes what it shows.
        connect(box, qOverload<int>(&QSpinBox::valueChanged), box, [box](int now) {
            const QVariant at = box->property(kUnshownEnd);
            const bool marked = at.isValid() && at.toInt() == now;
            SetMarked(box, marked, marked ? box->property(kUnshownTip).toString() : QString());
        });
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

void BaseWidget::ReportNotRead()
{
    if (RefreshFromDevice() == 0) {
        emit SendStatusMessage(tr("Not applied: the page had not read the device. It shows the "
                                  "device's values now; make your changes again."),
                               0);
    }
}

void BaseWidget::ReportApplied()
{
    emit SendStatusMessage(tr("Applied to the device."), kConfirmationMs);
}

void BaseWidget::JournalAction(const QString &field, const QString &done, int status)
{
    ApplyRecord record;
    record.writeStatus = status;
    record.resultCode = status != 0 ? LastDeviceResult() : 0;
    record.actionField = field;
    record.actionDone = done;
    emit Applied(record);
}

int BaseWidget::LastDeviceResult()
{
    return CfgNetClient::LastResult();
}
