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
    const QString kDevice = TestAddress();
    QTemporaryDir m_files;
    std::unique_ptr<DeviceSimulator> m_device;
    CfgNetClient m_client;

    // For initTestCase.
    void StartAndLogIn()
    {
        DeviceSimulator::Options options;
        options.address = kDevice;
        options.notify[0] = {0, 0};
        m_device = std::make_unique<DeviceSimulator>(options);
        QVERIFY(m_device->Start());
        QCOMPARE(m_client.Open(kDevice, kDevicePort), 0);
        m_client.SetUser(0, QStringLiteral("admin"));
        QCOMPARE(m_client.Login(), 0);
    }
};
