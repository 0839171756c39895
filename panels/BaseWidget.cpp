#include "BaseWidget.h"

namespace {
constexpr int kConfirmationMs = 4000;
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
