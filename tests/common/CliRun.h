#pragma once

// qvt-cli run in process, as the tests of the window's tools call it: its
// status and what it wrote to standard output and error, `input` as its
// standard input.

#include "Cli.h"

#include <QBuffer>
#include <QByteArray>
#include <QStringList>

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

inline Run RunCli(const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QByteArray in = input;
    QBuffer inBuffer(&in), outBuffer, errBuffer;
    inBuffer.open(QIODevice::ReadOnly);
    outBuffer.open(QIODevice::WriteOnly);
    errBuffer.open(QIODevice::WriteOnly);
    Run run;
    run.status = Cli::Run(arguments, inBuffer, outBuffer, errBuffer);
    run.out = outBuffer.data();
    run.err = errBuffer.data();
    return run;
}
