#pragma once

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
    return validator && validator->validate(text, position) == QValidator::Acceptable;
}
