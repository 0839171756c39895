#pragma once

#include "ImportTarget.h"
#include "LinkTypes.h"

#include <QWidget>

class CfgNetClient;

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
    // On the command worker's thread: parameter document to device.
    int ImportParameters() override { return 0; }
    // Device to parameter document.
    virtual int ExportParameters() { return 0; }
    virtual void SetPageDisabled(bool) {}
    // Disables what a guest may not change, and enables it again for an
    // admin's session (pages outlive the sessions).
    virtual void ApplyGuestRestrictions() {}
    virtual void LiftGuestRestrictions() {}
    virtual void Retranslate() {}

signals:
    void SendUpdateCmd(CmdType type);
    // A line for the main window's status bar: a failed read or write, or a
    // confirmation (timeoutMs 0 keeps it until the next message).
    void SendStatusMessage(QString text, int timeoutMs);
};
