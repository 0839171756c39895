#pragma once

#include "DeviceModel.h"

#include <QByteArray>

#include <map>
#include <random>
#include <vector>

// The device's side of the protocol: checks a request datagram, applies it to
// the model and builds the answer. The payload layouts are written here from
// the device's point of view, independently of the tool's message classes.
class DeviceResponder final
{
public:
    DeviceResponder(DeviceModel &model, std::mt19937 &random) : m_model(model), m_random(random) {}

    // Builds the answer to one datagram into `answer`. Returns false when the
    // device does not answer at all (a datagram whose checksum is wrong).
    // Notifications caused by the request are appended to `notes`.
    bool Answer(const quint8 *request, int size, QByteArray *answer,
                std::vector<SimNotification> *notes);

    // Makes the current login identifier invalid, as a device does after its
    // session time-out.
    void ExpireLogin() { m_loginId = 0; }
    quint32 LoginId() const { return m_loginId; }
    int SessionUser() const { return m_user; }

    // Answers every request of this type code with this result (0 removes it).
    void Reject(quint16 type, quint32 result);
    void ClearRejects() { m_rejects.clear(); }

private:
    Q_DISABLE_COPY(DeviceResponder)
    quint32 Dispatch(quint16 type, const quint8 *payload, int payloadSize, QByteArray *out,
                     std::vector<SimNotification> *notes);
    quint32 Authenticate(const quint8 *payload, int payloadSize, QByteArray *out);
    quint32 ApplySet(quint16 type, const quint8 *payload, int payloadSize,
                     std::vector<SimNotification> *notes);
    void WriteGet(quint16 type, const quint8 *payload, int payloadSize, QByteArray *out,
                  quint32 *result);

    DeviceModel &m_model;
    std::mt19937 &m_random;
    quint32 m_loginId = 0;
    int m_user = -1;
    std::map<quint16, quint32> m_rejects;
};

// The 12-byte-plus-payload answer frame: header, payload, checksum.
QByteArray DeviceFrame(quint16 type, quint32 result, quint16 sequence, const QByteArray &payload);
