#pragma once

#include "Baseline.h"
#include "LinkTypes.h"

#include <QWidget>

#include <memory>
#include <typeinfo>

class CfgNetClient;
class QSpinBox;

// What one Apply of a page did, for the window's change journal: the
// device's values read for it and those written, both of the page's Values
// type (the type of its parameter-file part). The pages know nothing of the
// journal's storage; the window turns this into journal entries.
struct ApplyRecord {
    const std::type_info *type = nullptr;
    std::shared_ptr<const void> before;
    std::shared_ptr<const void> after;
    int writeStatus = 0;  // 0, or -1 when the write failed
    int resultCode = 0;   // the device's answer to the failed write
    // Or, without values, a one-shot request the parameter file does not
    // hold (a phase alignment, a clear of the latched return): its field
    // path and what it did.
    QString actionField;
    QString actionDone;
};

// The page base class: what the main window asks of every page. The base
// versions do nothing and succeed, so a page takes part only where it has
// something to do. The parameter file is not the pages' business: its parts
// in params/ParamsFile export and import without widgets.
class BaseWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BaseWidget(QWidget *parent = nullptr) : QWidget(parent) {}

    // Reads the page's values from the device and starts its poll: 0, or -1
    // when a read failed.
    virtual int RefreshFromDevice() { return 0; }
    // The page is taken out of view: polling pages stop their poll.
    virtual int LeavePage() { return 0; }
    virtual void SetPageDisabled(bool) {}
    // Disables what a guest may not change, and enables it again for an
    // admin's session (pages outlive the sessions).
    virtual void ApplyGuestRestrictions() {}
    virtual void LiftGuestRestrictions() {}
    virtual void Retranslate() {}

signals:
    // The page is shown and its poll (from its row) should run, or no more.
    void SendPolling(bool on);
    // A line for the main window's status bar: a failed read or write, or a
    // confirmation (timeoutMs 0 keeps it until the next message).
    void SendStatusMessage(QString text, int timeoutMs);
    // An Apply wrote (or tried to write) to the device.
    void Applied(const ApplyRecord &record);

protected:
    // Apply's first step: into `out`, the operator's edits (`now`, against
    // what the page showed) over what the device holds now, read with
    // `read(values, &failure)`. False, with nothing to write, when the page
    // never showed the device's values (it reads and shows them now) or the
    // read fails; either is said in the status bar.
    template <class Values, class Read>
    bool EditsOverDevice(const Baseline<Values> &baseline, const Values &now, Read &&read,
                         Values *out)
    {
        if (!baseline.IsFilled()) {
            ReportNotRead();
            return false;
        }
        Values device{};
        QString failure;
        if (read(device, &failure) != 0) {
            ReportApplyFailure(failure);
            return false;
        }
        *out = baseline.ToWrite(now, device);
        m_applyType = &typeid(Values);
        m_applyBefore = std::make_shared<const Values>(device);
        return true;
    }
    // Apply's last step, after the write: reports the device's values that
    // EditsOverDevice read and `written` for the journal. `writeStatus` 0,
    // or -1 with the device's answer in CfgNetClient::LastResult().
    template <class Values>
    void JournalApply(const Values &written, int writeStatus)
    {
        if (m_applyType == nullptr || *m_applyType != typeid(Values)) {
            return;
        }
        ApplyRecord record;
        record.type = m_applyType;
        record.before = std::move(m_applyBefore);
        record.after = std::make_shared<const Values>(written);
        record.writeStatus = writeStatus;
        record.resultCode = writeStatus != 0 ? LastDeviceResult() : 0;
        m_applyType = nullptr;
        emit Applied(record);
    }
    // A one-shot request of an Apply, after it was sent.
    void JournalAction(const QString &field, const QString &done, int status);
    // Fills `box` with a device value. A value outside the box's range shows
    // as the nearest end, marked in colour with the device's value in the
    // tool tip, until the box is changed; the page's Baseline keeps the
    // device's value for Apply meanwhile.
    static void ShowDeviceValue(QSpinBox *box, qint64 value);
    // Status-bar lines of the pages' own reads and writes.
    void ReportRefreshFailure(const QString &failure);
    void ReportApplyFailure(const QString &failure);
    void ReportApplied();
    void ReportNotRead();

private:
    static int LastDeviceResult();

    // The device's values of the Apply under way, from EditsOverDevice.
    const std::type_info *m_applyType = nullptr;
    std::shared_ptr<const void> m_applyBefore;
};
