#pragma once

#include "ui_NetworkProperty.h"

#include <QDialog>
#include <QHostAddress>

// Edits the device's address, subnet mask and gateway.
class NetworkProperty final : public QDialog
{
    Q_OBJECT

public:
    explicit NetworkProperty(QWidget *parent = nullptr);

    void SetValues(const QHostAddress &ip, const QHostAddress &mask, const QHostAddress &gateway);
    QHostAddress Ip() const { return QHostAddress(m_ui.lineEditIP->text()); }
    QHostAddress Mask() const { return QHostAddress(m_ui.lineEditSubnetMask->text()); }
    QHostAddress Gateway() const { return QHostAddress(m_ui.lineEditGateway->text()); }
    void SetInfo(const QString &text) { m_ui.labelInfo->setText(text); }
    void DisableInputs();

    // Why the three values cannot be used, or an empty text when they can.
    // An empty or unreadable gateway counts as none.
    static QString Problem(quint32 ip, quint32 mask, quint32 gateway);

public slots:
    void OnOk();
    void OnCancel() { reject(); }

private:
    Ui::NetworkProperty m_ui;
};
