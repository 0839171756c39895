#pragma once

#include <QCoreApplication>
#include <QMessageBox>

// The window's two message boxes, both warning boxes with an OK button.
inline void Warn(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, QCoreApplication::translate("cfg", "Warning"), text);
}

inline void Inform(QWidget *parent, const QString &text)
{
    QMessageBox::warning(parent, QCoreApplication::translate("cfg", "Information"), text);
}
