#include "TextForms.h"

#include "ByteOrder.h"

#include <QStringList>

namespace {
bool IsAsciiLetter(quint8 c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

QString EightDigits(quint32 value)
{
    return QStringLiteral("%1").arg(value, 8, 10, QLatin1Char('0'));
}
}  // namespace

QString SerialNumberText(const quint8 *block)
{
    QString text;
    for (int i = 0; i < 2; ++i) {
        if (!IsAsciiLetter(block[i])) {
            return text;
        }
        text += QLatin1Char(static_cast<char>(block[i]));
    }
    const quint32 number = ReadU32(block + 2);
    if (number == 0 || number > 99999999) {
        return text;
    }
    text += EightDigits(number) + QLatin1Char('-');
    const quint16 batch = ReadU16(block + 6);
    if (batch == 0 || batch > 7999) {
        return text;
    }
    return text + EightDigits(batch);
}

QString PcbVersionText(quint32 pcb)
{
    return QStringLiteral("1.%1").arg(pcb);
}

QString FpgaVersionText(quint32 fpga)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += QStringLiteral("%1").arg((fpga >> shift) & 0xFFu, 2, 10, QLatin1Char('0'));
    }
    return text;
}

QString FirmwareVersionText(quint32 firmware)
{
    return QStringLiteral("%1.%2.%3")
        .arg(firmware >> 24)
        .arg((firmware >> 16) & 0xFFu)
        .arg(firmware & 0xFFFFu);
}

QString AddressText(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFFu)
        .arg((address >> 8) & 0xFFu)
        .arg(address & 0xFFu);
}

bool ParseAddress(const QString &text, quint32 *address)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) {
        return false;
    }
    quint32 value = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3) {
            return false;
        }
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
                return false;
            }
        }
        const uint number = part.toUInt();
        if (number > 255) {
            return false;
        }
        value = (value << 8) | number;
    }
    if (address) {
        *address = value;
    }
    return true;
}
