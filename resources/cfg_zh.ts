<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zorvane QVT Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ChangePassword</name>
    <message>
        <source>Change Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm Password: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please use the new password the next time you login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password should not be blank.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The two passwords are mismatched.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceTables</name>
    <message>
        <source>QVT Dual 2x1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>QVT 4x1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>QVT 4x1 AGC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zorvane-QVT-D2X1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zorvane-QVT-4X1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Zorvane-QVT-AGC</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GPIO</name>
    <message>
        <source>GPIO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPI Trigger Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Active Low</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Active High</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPO Trigger Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPI Level Status:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPO Level Status:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Apply</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>General</name>
    <message>
        <source>Device Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Module Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Description:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Product SN:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Running Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version Information </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PCB Version:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FPGA Version:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Information </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>UserApp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>GenlockWidget</name>
    <message>
        <source>Genlock</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genlock Standard:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not Present</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>LanguageConfig</name>
    <message>
        <source>Language Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Language:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>English</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>Login</name>
    <message>
        <source>Login</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>admin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>guest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NetworkProperty</name>
    <message>
        <source>Network Property</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The subnet mask is invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The IP address and gateway should not be in different network segment.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NoticesServer</name>
    <message>
        <source>%1-Input %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genlock</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asserted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cleared</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio Lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Audio Silent</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPI %1 Triggered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NotificationDest</name>
    <message>
        <source>NotificationDest</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PassWordLineEdit</name>
    <message>
        <source>The Caps Lock is enabled.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>cfg</name>
    <message>
        <source>Zorvane QVT Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Items</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Language</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconnect...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config Network...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change Password...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Dest IP...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Configure...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Warning</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>XML files (*.xml)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device is off-line.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device is upgrading.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password is incorrect.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Do you want to disconnect?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Asserted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cleared</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The versions between the device %1 and control software %2 are mismatched.Please use identical versions and re-login.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version mismatch between the Config Tool and the Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The export fails.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The export is done.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The parameter file and the device are mismatched.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import fails.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import is done.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current network parameters is default</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to set the network parameters.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The new IP address will be used after reboot.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password is not changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The password has been changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to get the Dest IP.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The two Ports should be different.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to set the Dest IP.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Fail to set the Port.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Signal I/O</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Genlock</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group A</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Group B</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>AGC</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch Control</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarm Combination</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GPIO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input 4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Status</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logs</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
