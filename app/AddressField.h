#pragma once

#include "UdpSocket.h"

#include <QLineEdit>
#include <QValidator>

// True when the field holds a whole address as its validator reads it. A
// validator lets half-typed text such as "127.0.50" stand in the field; such
// text must never be widened into some other address and sent to the device.
inline bool IsCompleteAddress(const QLineEdit *edit)
{
    QString text = edit->text();
    int position = 0;
    const QValidator *validator = edit->validator();
    // The link reads addresses strictly (no leading zeros, as "01"): what it
    // cannot read must be refused here, not reported as an off-line device.
    quint32 address = 0;
    return validator && validator->validate(text, position) == QValidator::Acceptable &&
           Ipv4FromText(text, &address);
}
