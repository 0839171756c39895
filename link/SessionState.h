#pragma once

#include <QString>

// The state of the current login, process-wide. The main window writes it on
// the user-interface thread; the pages and the notification receiver read it.
// The numbers are atomic and the texts sit behind a lock, so a read from the
// receive thread is always whole.
namespace SessionState {

// 1 while no session is open, 0 after a successful login.
int Offline();
void SetOffline(int offline);
inline bool IsOffline()
{
    return Offline() != 0;
}

// 0 "admin", 1 "guest" (read-only).
constexpr int kGuest = 1;
int UserIndex();
void SetUserIndex(int index);
inline bool IsGuest()
{
    return UserIndex() == kGuest;
}

QString DeviceAddress();
void SetDeviceAddress(const QString &address);

QString Password();
void SetPassword(const QString &password);

// 50000 dual 2x1, 50001 4x1, 50002 4x1 AGC; 0 before the first login.
int ProductType();
void SetProductType(int productType);

}  // namespace SessionState
