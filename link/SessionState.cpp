#include "SessionState.h"

#include <atomic>
#include <mutex>

namespace {
std::atomic<int> g_offline{1};
std::atomic<int> g_userIndex{0};
std::atomic<int> g_productType{0};
std::mutex g_textLock;  // guards the two texts below
QString g_deviceAddress;
QString g_password;
}  // namespace

namespace SessionState {

int Offline()
{
    return g_offline;
}

void SetOffline(int offline)
{
    g_offline = offline;
}

int UserIndex()
{
    return g_userIndex;
}

void SetUserIndex(int index)
{
    g_userIndex = index;
}

QString DeviceAddress()
{
    std::lock_guard<std::mutex> lock(g_textLock);
    return g_deviceAddress;
}

void SetDeviceAddress(const QString &address)
{
    std::lock_guard<std::mutex> lock(g_textLock);
    g_deviceAddress = address;
}

QString Password()
{
    std::lock_guard<std::mutex> lock(g_textLock);
    return g_password;
}

void SetPassword(const QString &password)
{
    std::lock_guard<std::mutex> lock(g_textLock);
    g_password = password;
}

int ProductType()
{
    return g_productType;
}

void SetProductType(int productType)
{
    g_productType = productType;
}

}  // namespace SessionState
