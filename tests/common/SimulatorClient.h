#pragma once

// What the widget-free tests share: a simulated device on a loopback address
// of their own, a client logged in to it as admin, and a folder for files.

#include "CfgNetClient.h"
#include "DeviceSimulator.h"
#include "FreeLoopback.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class SimulatorClient
{
protected:
    // `receiveTimeoutMs`: m_client's wait for an answer; 0, the device's 2 s.
    explicit SimulatorClient(int receiveTimeoutMs = 0) : m_client(receiveTimeoutMs) {}

    const QString kDevice = TestAddress();
    QTemporaryDir m_files;
    std::unique_ptr<DeviceSimulator> m_device;
    CfgNetClient m_client;

    // For initTestCase.
    void StartAndLogIn() { StartAndLogIn(m_device, m_client, kDevice); }

    // A device on `address` and `client` logged in to it as admin; the test
    // has failed when this returns without them.
    static void StartAndLogIn(std::unique_ptr<DeviceSimulator> &device, CfgNetClient &client,
                              const QString &address)
    {
        DeviceSimulator::Options options;
        options.address = address;
        options.notify[0] = {0, 0};
        device = std::make_unique<DeviceSimulator>(options);
        QVERIFY(device->Start());
        LogIn(client, address);
    }
    // `client` logged in as admin. It ends the device's last login, which
    // that login's client renews when next used.
    static void LogIn(CfgNetClient &client, const QString &address)
    {
        QCOMPARE(client.Open(address, kDevicePort), 0);
        client.SetUser(0, QStringLiteral("admin"));
        QCOMPARE(client.Login(), 0);
    }
};
