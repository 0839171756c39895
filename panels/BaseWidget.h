#pragma once

#include "Baseline.h"
#include "ImportTarget.h"
#include "LinkTypes.h"
#include "XmlDocument.h"

#include <QWidget>

class CfgNetClient;
class QSpinBox;

// The page base class: what the main window, the command worker and the
// parameter file ask of every page. The base versions do nothing and
// succeed, so a page takes part only where it has something to do.
class BaseWidget : public QWidget, public ImportTarget
{
    Q_OBJECT

public:
    explicit BaseWidget(QWidget *parent = nullptr) : QWidget(parent) {}

    // Reads the page's values from the device and starts its poll: 0, or -1
    // when a read failed.
    virtual int RefreshFromDevice() { return 0; }
    // The page is taken out of view: polling pages stop their poll.
    virtual int LeavePage() { return 0; }
    // On the command worker's thread, for every page before any writes: reads
    // and checks the page's part of the parameter document. On failure the
    // page puts the element path and the reason in the document's Problem().
    int PrepareImport() override { return 0; }
    // On the command worker's thread: writes what PrepareImport read.
    int ImportParameters() override { return 0; }
    // Device to parameter document.
    virtual int ExportParameters() { return 0; }
    virtual void SetPageDisabled(bool) {}
    // Disables what a guest may not change, and enables it again for an
    // admin's session (pages outlive the sessions).
    virtual void ApplyGuestRestrictions() {}
    virtual void LiftGuestRestrictions() {}
    virtual void Retranslate() {}

    // The parameter document of export and import (the main window's).
    void SetDocument(XmlDocument *document) { m_document = document; }

signals:
    void SendUpdateCmd(CmdType type);
    // A line for the main window's status bar: a failed read or write, or a
    // confirmation (timeoutMs 0 keeps it until the next message).
    void SendStatusMessage(QString text, int timeoutMs);

protected:
    XmlDocument *Document() const { return m_document; }
    // The import's two steps around the page's own read of the document
    // (`read(doc, &problem)`, true when it holds) and write to the device
    // (`write(&failure)`, 0 on success): a failure leaves its reason, the
    // element path or the device operation, in the document for the
    // import's message. 0 or -1.
    template <class Read>
    int PrepareWith(Read &&read)
    {
        QString problem;
        if (m_document && read(*m_document, &problem)) {
            return 0;
        }
        if (m_document) {
            m_document->SetProblem(problem);
        }
        return -1;
    }
    template <class Write>
    int ImportWith(Write &&write)
    {
        QString failure;
        if (m_document && write(&failure) == 0) {
            return 0;
        }
        if (m_document) {
            m_document->SetProblem(failure);
        }
        return -1;
    }
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
        return true;
    }
    // Fills `box` with a device value. A value outside the box's range shows
    // as the nearest end, marked in colour with the device's value in the
    // tool tip, until the box is changed; the page's Baseline keeps the
    // device's value for Apply meanwhile.
    static void ShowDeviceValue(QSpinBox *box, qint64 value);
    // An export's failed read: the operation and the device's answer go to
    // the document for the second line of the export's message. -1.
    int ExportFailed(const QString &failure)
    {
        if (m_document) {
            m_document->SetProblem(failure);
        }
        return -1;
    }
    // Status-bar lines of the pages' own reads and writes.
    void ReportRefreshFailure(const QString &failure);
    void ReportApplyFailure(const QString &failure);
    void ReportApplied();
    void ReportNotRead();

private:
    XmlDocument *m_document = nullptr;
};
