#pragma once

#include <QByteArray>
#include <QString>

// A simulator that holds an operator's own configuration: the parameters of
// an exported parameter file go in, and come out again in the same format,
// through the device's own protocol and the tool's own parameter code, so the
// twin answers exactly as the device that wrote the file did.
namespace Twin {

// The product type the file is for; 0 with `error` when it is not a
// parameter file of this tool.
int ModelOf(const QByteArray &content, QString *error);

// Writes the file's parameters into the simulator serving at `address`,
// checking the whole file first as the tool's import does. Empty, or why not.
QString Load(const QString &address, quint16 port, const QByteArray &adminPassword,
             const QByteArray &content);

// The simulator's parameters as the tool's Export writes them; empty with
// `error` on failure.
QByteArray Save(const QString &address, quint16 port, const QByteArray &adminPassword,
                QString *error);

}  // namespace Twin
