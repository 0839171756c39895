#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Writes `content` to `path` and gives the path back.
inline QString WriteFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// A file's bytes; empty when it cannot be read.
inline QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
