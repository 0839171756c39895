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
    // The three texts as accepted by OnOk: whole dotted quads, the gateway
    // "0.0.0.0" when left empty.
    QString Ip() const { return m_ui.lineEditIP->text(); }
    QString Mask() const { return m_ui.lineEditSubnetMask->text(); }
    QString Gateway() const;
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
