<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>AGC</name>
    <message>
        <source>General Config</source>
        <translation>常规配置</translation>
    </message>
    <message>
        <source>Adjust Mode</source>
        <translation>调节模式</translation>
    </message>
    <message>
        <source>Ch1:</source>
        <translation>通道1：</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Force On</source>
        <translation>强制开启</translation>
    </message>
    <message>
        <source>Force Off</source>
        <translation>强制关闭</translation>
    </message>
    <message>
        <source>Ch2:</source>
        <translation>通道2：</translation>
    </message>
    <message>
        <source>Ch3:</source>
        <translation>通道3：</translation>
    </message>
    <message>
        <source>Ch4:</source>
        <translation>通道4：</translation>
    </message>
    <message>
        <source>Ch5:</source>
        <translation>通道5：</translation>
    </message>
    <message>
        <source>Ch6:</source>
        <translation>通道6：</translation>
    </message>
    <message>
        <source>Ch7:</source>
        <translation>通道7：</translation>
    </message>
    <message>
        <source>Ch8:</source>
        <translation>通道8：</translation>
    </message>
    <message>
        <source>Ch9:</source>
        <translation>通道9：</translation>
    </message>
    <message>
        <source>Ch10:</source>
        <translation>通道10：</translation>
    </message>
    <message>
        <source>Ch11:</source>
        <translation>通道11：</translation>
    </message>
    <message>
        <source>Ch12:</source>
        <translation>通道12：</translation>
    </message>
    <message>
        <source>Ch13:</source>
        <translation>通道13：</translation>
    </message>
    <message>
        <source>Ch14:</source>
        <translation>通道14：</translation>
    </message>
    <message>
        <source>Ch15:</source>
        <translation>通道15：</translation>
    </message>
    <message>
        <source>Ch16:</source>
        <translation>通道16：</translation>
    </message>
    <message>
        <source>Set All:</source>
        <translation>全部设置：</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Gain Control Mode:</source>
        <translation>增益控制模式：</translation>
    </message>
    <message>
        <source>AGC</source>
        <translation>AGC</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Manual Gain(dB):</source>
        <translation>手动增益(dB)：</translation>
    </message>
    <message>
        <source>Output Limit Threshold(dBFS):</source>
        <translation>输出限幅门限(dBFS)：</translation>
    </message>
    <message>
        <source>Target Level(dBFS):</source>
        <translation>目标电平(dBFS)：</translation>
    </message>
    <message>
        <source>Loudness Source:</source>
        <translation>响度来源：</translation>
    </message>
    <message>
        <source>True Peak</source>
        <translation>真峰值</translation>
    </message>
    <message>
        <source>Power</source>
        <translation>功率</translation>
    </message>
    <message>
        <source>Frequency Compensating:</source>
        <translation>频率补偿：</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Stereo Mode:</source>
        <translation>立体声模式：</translation>
    </message>
    <message>
        <source>Noise Threshold(dBFS):</source>
        <translation>噪声门限(dBFS)：</translation>
    </message>
    <message>
        <source>Gain Ratio(%):</source>
        <translation>增益比(%)：</translation>
    </message>
    <message>
        <source>Upper Threshold(dBFS):</source>
        <translation>上门限(dBFS)：</translation>
    </message>
    <message>
        <source>Lower Threshold(dBFS):</source>
        <translation>下门限(dBFS)：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Audio Meter</source>
        <translation>音频表</translation>
    </message>
</context>
<context>
    <name>AboutDialog</name>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Zorvane QVT Config</source>
        <translation>Zorvane QVT 配置工具</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
</context>
<context>
    <name>Alarm</name>
    <message>
        <source>Number</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Alarm Type</source>
        <translation>告警类型</translation>
    </message>
    <message>
        <source>Alarm Status</source>
        <translation>告警状态</translation>
    </message>
    <message>
        <source>Notes</source>
        <translation>备注</translation>
    </message>
    <message>
        <source>Auto Save</source>
        <translation>自动保存</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>时间：</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清空</translation>
    </message>
    <message>
        <source>Save As...</source>
        <translation>另存为...</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>保存文件</translation>
    </message>
    <message>
        <source>Log directory: %1</source>
        <translation>日志目录：%1</translation>
    </message>
    <message>
        <source>The alarm log could not be written to %1 (%2); its rows are kept.</source>
        <translation>告警日志无法写入 %1（%2）；日志记录已保留。</translation>
    </message>
    <message>
        <source>The alarm log could not be written to %1 (%2).</source>
        <translation>告警日志无法写入 %1（%2）。</translation>
    </message>
</context>
<context>
    <name>BaseWidget</name>
    <message>
        <source>Refresh failed: %1</source>
        <translation>刷新失败：%1</translation>
    </message>
    <message>
        <source>Apply failed: %1</source>
        <translation>应用失败：%1</translation>
    </message>
    <message>
        <source>Applied to the device.</source>
        <translation>已应用到设备。</translation>
    </message>
    <message>
        <source>Not applied: the page had not read the device. It shows the device&apos;s values now; make your changes again.</source>
        <translation>未应用：此页面尚未读取设备。现已显示设备的值，请重新进行修改。</translation>
    </message>
    <message>
        <source>The device holds %1, which this box cannot show. Apply keeps the device&apos;s value unless you change this box.</source>
        <translation>设备中的值为 %1，此框无法显示。除非修改此框，否则应用时保留设备的值。</translation>
    </message>
</context>
<context>
    <name>ChangePassword</name>
    <message>
        <source>Change Password</source>
        <translation>修改密码</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>New Password:</source>
        <translation>新密码：</translation>
    </message>
    <message>
        <source>Confirm Password: </source>
        <translation>确认密码：</translation>
    </message>
    <message>
        <source>Please use the new password the next time you login</source>
        <translation>下次登录时请使用新密码</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The password should not be blank.</source>
        <translation>密码不能为空。</translation>
    </message>
    <message>
        <source>The two passwords are mismatched.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
</context>
<context>
    <name>Detection</name>
    <message>
        <source>Signal Lost</source>
        <translation>信号丢失</translation>
    </message>
    <message>
        <source>Trigger Time(s):</source>
        <translation>触发时间(s)：</translation>
    </message>
    <message>
        <source>Clear Time(s):</source>
        <translation>清除时间(s)：</translation>
    </message>
    <message>
        <source>Signal Format Error</source>
        <translation>信号格式错误</translation>
    </message>
    <message>
        <source>Signal Sync Failed</source>
        <translation>信号同步失败</translation>
    </message>
    <message>
        <source>Video Black</source>
        <translation>视频黑场</translation>
    </message>
    <message>
        <source>Upper Threshold:</source>
        <translation>上门限：</translation>
    </message>
    <message>
        <source>Lower Threshold:</source>
        <translation>下门限：</translation>
    </message>
    <message>
        <source>Sensitivity:</source>
        <translation>灵敏度：</translation>
    </message>
    <message>
        <source>Region</source>
        <translation>区域</translation>
    </message>
    <message>
        <source>Left:</source>
        <translation>左：</translation>
    </message>
    <message>
        <source>Right:</source>
        <translation>右：</translation>
    </message>
    <message>
        <source>Top:</source>
        <translation>上：</translation>
    </message>
    <message>
        <source>Bottom:</source>
        <translation>下：</translation>
    </message>
    <message>
        <source>Invert</source>
        <translation>反选</translation>
    </message>
    <message>
        <source>Video Frozen</source>
        <translation>视频静帧</translation>
    </message>
    <message>
        <source>Level:</source>
        <translation>级别：</translation>
    </message>
    <message>
        <source>Audio Lost</source>
        <translation>音频丢失</translation>
    </message>
    <message>
        <source>Ch1</source>
        <translation>通道1</translation>
    </message>
    <message>
        <source>Ch2</source>
        <translation>通道2</translation>
    </message>
    <message>
        <source>Ch3</source>
        <translation>通道3</translation>
    </message>
    <message>
        <source>Ch4</source>
        <translation>通道4</translation>
    </message>
    <message>
        <source>Ch5</source>
        <translation>通道5</translation>
    </message>
    <message>
        <source>Ch6</source>
        <translation>通道6</translation>
    </message>
    <message>
        <source>Ch7</source>
        <translation>通道7</translation>
    </message>
    <message>
        <source>Ch8</source>
        <translation>通道8</translation>
    </message>
    <message>
        <source>Ch9</source>
        <translation>通道9</translation>
    </message>
    <message>
        <source>Ch10</source>
        <translation>通道10</translation>
    </message>
    <message>
        <source>Ch11</source>
        <translation>通道11</translation>
    </message>
    <message>
        <source>Ch12</source>
        <translation>通道12</translation>
    </message>
    <message>
        <source>Ch13</source>
        <translation>通道13</translation>
    </message>
    <message>
        <source>Ch14</source>
        <translation>通道14</translation>
    </message>
    <message>
        <source>Ch15</source>
        <translation>通道15</translation>
    </message>
    <message>
        <source>Ch16</source>
        <translation>通道16</translation>
    </message>
    <message>
        <source>Set All:</source>
        <translation>全部设置：</translation>
    </message>
    <message>
        <source>Enable</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Audio Silent</source>
        <translation>音频静音</translation>
    </message>
    <message>
        <source>Threshold(dBFS):</source>
        <translation>门限(dBFS)：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>DeviceTables</name>
    <message>
        <source>QVT Dual 2x1</source>
        <translation>QVT 双路 2x1</translation>
    </message>
    <message>
        <source>QVT 4x1</source>
        <translation>QVT 4x1</translation>
    </message>
    <message>
        <source>QVT 4x1 AGC</source>
        <translation>QVT 4x1 AGC</translation>
    </message>
    <message>
        <source>Zorvane-QVT-D2X1</source>
        <translation>Zorvane-QVT-D2X1</translation>
    </message>
    <message>
        <source>Zorvane-QVT-4X1</source>
        <translation>Zorvane-QVT-4X1</translation>
    </message>
    <message>
        <source>Zorvane-QVT-AGC</source>
        <translation>Zorvane-QVT-AGC</translation>
    </message>
</context>
<context>
    <name>GPIO</name>
    <message>
        <source>GPIO</source>
        <translation>GPIO</translation>
    </message>
    <message>
        <source>GPI Trigger Mode:</source>
        <translation>GPI 触发方式：</translation>
    </message>
    <message>
        <source>Active Low</source>
        <translation>低电平有效</translation>
    </message>
    <message>
        <source>Active High</source>
        <translation>高电平有效</translation>
    </message>
    <message>
        <source>GPO Trigger Mode:</source>
        <translation>GPO 触发方式：</translation>
    </message>
    <message>
        <source>GPI Level Status:</source>
        <translation>GPI 电平状态：</translation>
    </message>
    <message>
        <source>GPO Level Status:</source>
        <translation>GPO 电平状态：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>General</name>
    <message>
        <source>Device Information</source>
        <translation>设备信息</translation>
    </message>
    <message>
        <source>Module Type:</source>
        <translation>模块类型：</translation>
    </message>
    <message>
        <source>Description:</source>
        <translation>描述：</translation>
    </message>
    <message>
        <source>Product SN:</source>
        <translation>产品序列号：</translation>
    </message>
    <message>
        <source>Running Mode:</source>
        <translation>运行模式：</translation>
    </message>
    <message>
        <source>Version Information </source>
        <translation>版本信息</translation>
    </message>
    <message>
        <source>PCB Version:</source>
        <translation>PCB 版本：</translation>
    </message>
    <message>
        <source>FPGA Version:</source>
        <translation>FPGA 版本：</translation>
    </message>
    <message>
        <source>Firmware Version:</source>
        <translation>固件版本：</translation>
    </message>
    <message>
        <source>IP Information </source>
        <translation>IP 信息</translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation>IP 地址：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>UserApp</source>
        <translation>用户程序</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>升级</translation>
    </message>
</context>
<context>
    <name>GenlockWidget</name>
    <message>
        <source>Genlock</source>
        <translation>同步锁相</translation>
    </message>
    <message>
        <source>Genlock Standard:</source>
        <translation>同步锁相制式：</translation>
    </message>
    <message>
        <source>Not Present</source>
        <translation>无信号</translation>
    </message>
</context>
<context>
    <name>JournalHistory</name>
    <message>
        <source>outside the tool</source>
        <translation>工具之外</translation>
    </message>
    <message>
        <source>Changed between %1 and %2; found by %3 on %4</source>
        <translation>修改于 %1 至 %2 之间；由 %4 上的 %3 发现</translation>
    </message>
    <message>
        <source>Changed before %1; found by %2 on %3</source>
        <translation>修改于 %1 之前；由 %3 上的 %2 发现</translation>
    </message>
    <message>
        <source>History</source>
        <translation>历史记录</translation>
    </message>
    <message>
        <source>serial number or address</source>
        <translation>序列号或地址</translation>
    </message>
    <message>
        <source>start of the field&apos;s path, e.g. SignalIO/GroupA</source>
        <translation>参数路径的开头，例如 SignalIO/GroupA</translation>
    </message>
    <message>
        <source>Device:</source>
        <translation>设备：</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Time:</source>
        <translation>时间：</translation>
    </message>
    <message>
        <source>Field:</source>
        <translation>参数：</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>User</source>
        <translation>用户</translation>
    </message>
    <message>
        <source>Operation</source>
        <translation>操作</translation>
    </message>
    <message>
        <source>Field</source>
        <translation>参数</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>修改前</translation>
    </message>
    <message>
        <source>After</source>
        <translation>修改后</translation>
    </message>
    <message>
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message>
        <source>Export CSV...</source>
        <translation>导出 CSV...</translation>
    </message>
    <message>
        <source>The change journal cannot be read: %1</source>
        <translation>无法读取修改记录：%1</translation>
    </message>
    <message>
        <source>taken</source>
        <translation>已生效</translation>
    </message>
    <message>
        <source>refused (%1)</source>
        <translation>被拒绝（%1）</translation>
    </message>
    <message>
        <source>not reached</source>
        <translation>未执行</translation>
    </message>
    <message>
        <source>The newest %1 changes are shown.</source>
        <translation>仅显示最新的 %1 条修改。</translation>
    </message>
    <message numerus="yes">
        <source>%n change(s).</source>
        <translation>
            <numerusform>共 %n 条修改。</numerusform>
        </translation>
    </message>
    <message>
        <source>Export CSV</source>
        <translation>导出 CSV</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>CSV 文件 (*.csv)</translation>
    </message>
    <message>
        <source>The history cannot be written to %1: %2</source>
        <translation>无法将历史记录写入 %1：%2</translation>
    </message>
    <message numerus="yes">
        <source>%n change(s) exported to %1.</source>
        <translation>
            <numerusform>已将 %n 条修改导出到 %1。</numerusform>
        </translation>
    </message>
    <message>
        <source>to confirm by %1</source>
        <translation>须在 %1 前确认</translation>
    </message>
    <message>
        <source>confirmed by %1</source>
        <translation>已由 %1 确认</translation>
    </message>
    <message>
        <source>not confirmed: reverted</source>
        <translation>未确认：已撤销</translation>
    </message>
    <message>
        <source>not confirmed, not reverted: %1</source>
        <translation>未确认，未撤销：%1</translation>
    </message>
    <message numerus="yes">
        <source>%n operation(s) await confirmation; the first deadline is %1.</source>
        <translation>
            <numerusform>%n 个操作等待确认；最早的期限是 %1。</numerusform>
        </translation>
    </message>
    <message>
        <source>not confirmed: being reverted</source>
        <translation>未确认：正在撤销</translation>
    </message>
</context>
<context>
    <name>LanguageConfig</name>
    <message>
        <source>Language Config</source>
        <translation>语言设置</translation>
    </message>
    <message>
        <source>Select Language:</source>
        <translation>选择语言：</translation>
    </message>
    <message>
        <source>English</source>
        <translation>英文</translation>
    </message>
    <message>
        <source>Chinese</source>
        <translation>中文</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>Login</name>
    <message>
        <source>Login</source>
        <translation>登录</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>admin</source>
        <translation>管理员</translation>
    </message>
    <message>
        <source>guest</source>
        <translation>访客</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation>IP 地址无效。</translation>
    </message>
</context>
<context>
    <name>NetworkProperty</name>
    <message>
        <source>Network Property</source>
        <translation>网络属性</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP：</translation>
    </message>
    <message>
        <source>Subnet Mask:</source>
        <translation>子网掩码：</translation>
    </message>
    <message>
        <source>Gateway:</source>
        <translation>网关：</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation>IP 地址无效。</translation>
    </message>
    <message>
        <source>The subnet mask is invalid.</source>
        <translation>子网掩码无效。</translation>
    </message>
    <message>
        <source>The IP address and gateway should not be in different network segment.</source>
        <translation>IP 地址和网关不应位于不同网段。</translation>
    </message>
</context>
<context>
    <name>NoticesServer</name>
    <message>
        <source>%1-Input %2</source>
        <translation>%1-输入 %2</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>输入 %1</translation>
    </message>
    <message>
        <source>Group %1</source>
        <translation>%1 组</translation>
    </message>
    <message>
        <source>Invalid</source>
        <translation>无效</translation>
    </message>
    <message>
        <source>Genlock</source>
        <translation>同步锁相</translation>
    </message>
    <message>
        <source>Asserted</source>
        <translation>产生</translation>
    </message>
    <message>
        <source>Cleared</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Signal Lost</source>
        <translation>信号丢失</translation>
    </message>
    <message>
        <source>Signal Format Error</source>
        <translation>信号格式错误</translation>
    </message>
    <message>
        <source>Signal Sync Failed</source>
        <translation>信号同步失败</translation>
    </message>
    <message>
        <source>Video Black</source>
        <translation>视频黑场</translation>
    </message>
    <message>
        <source>Video Frozen</source>
        <translation>视频静帧</translation>
    </message>
    <message>
        <source>Audio Lost</source>
        <translation>音频丢失</translation>
    </message>
    <message>
        <source>Audio Silent</source>
        <translation>音频静音</translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation>同步锁相丢失</translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation>系统时钟失锁</translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation>锁相源切换</translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation>GPI 继电器触发</translation>
    </message>
    <message>
        <source>GPI %1 Triggered</source>
        <translation>GPI %1 触发</translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation>继电器旁路</translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation>输出切换</translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation>电源 1 故障</translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation>电源 2 故障</translation>
    </message>
</context>
<context>
    <name>NotificationDest</name>
    <message>
        <source>NotificationDest</source>
        <translation>通知目标</translation>
    </message>
    <message>
        <source>IP:</source>
        <translation>IP：</translation>
    </message>
    <message>
        <source>Port:</source>
        <translation>端口：</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation>IP 地址无效。</translation>
    </message>
</context>
<context>
    <name>ParamField</name>
    <message>
        <source>missing</source>
        <translation>缺失</translation>
    </message>
    <message>
        <source>%1 does not fit</source>
        <translation>%1 超出范围</translation>
    </message>
    <message>
        <source>empty</source>
        <translation>为空</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not a decimal number</source>
        <translation>“%1”不是十进制数</translation>
    </message>
    <message>
        <source>%1 does not fit (%2 to %3)</source>
        <translation>%1 超出范围（%2 至 %3）</translation>
    </message>
    <message>
        <source>no answer</source>
        <translation>无应答</translation>
    </message>
    <message>
        <source>result %1</source>
        <translation>结果 %1</translation>
    </message>
    <message>
        <source>four entries needed</source>
        <translation>需要四个条目</translation>
    </message>
</context>
<context>
    <name>PassWordLineEdit</name>
    <message>
        <source>The Caps Lock is enabled.</source>
        <translation>大写锁定已打开。</translation>
    </message>
</context>
<context>
    <name>SignalIO2X1</name>
    <message>
        <source>Inputs Status</source>
        <translation>输入状态</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>Standard:</source>
        <translation>制式：</translation>
    </message>
    <message>
        <source>Phase(L,P):</source>
        <translation>相位(行,像素)：</translation>
    </message>
    <message>
        <source>Synced:</source>
        <translation>已同步：</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Genlocking</source>
        <translation>同步锁相</translation>
    </message>
    <message>
        <source>Genlock Phase Delay</source>
        <translation>锁相相位延迟</translation>
    </message>
    <message>
        <source>Line:</source>
        <translation>行：</translation>
    </message>
    <message>
        <source>Pixel:</source>
        <translation>像素：</translation>
    </message>
    <message>
        <source>Phase Align</source>
        <translation>相位对齐</translation>
    </message>
    <message>
        <source>Follow Genlock:</source>
        <translation>跟随同步：</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Trigger:</source>
        <translation>触发：</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>System Clocking Mode:</source>
        <translation>系统时钟模式：</translation>
    </message>
    <message>
        <source>Auto Genlock</source>
        <translation>自动同步</translation>
    </message>
    <message>
        <source>Auto Input</source>
        <translation>自动输入</translation>
    </message>
    <message>
        <source>System Clocking Locked:</source>
        <translation>系统时钟锁定：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>SignalIO4X1</name>
    <message>
        <source>Inputs Status</source>
        <translation>输入状态</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>Standard:</source>
        <translation>制式：</translation>
    </message>
    <message>
        <source>Phase(L,P):</source>
        <translation>相位(行,像素)：</translation>
    </message>
    <message>
        <source>Synced:</source>
        <translation>已同步：</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>输入 3</translation>
    </message>
    <message>
        <source>Input 4</source>
        <translation>输入 4</translation>
    </message>
    <message>
        <source>Genlocking</source>
        <translation>同步锁相</translation>
    </message>
    <message>
        <source>Genlock Phase Delay</source>
        <translation>锁相相位延迟</translation>
    </message>
    <message>
        <source>Line:</source>
        <translation>行：</translation>
    </message>
    <message>
        <source>Pixel:</source>
        <translation>像素：</translation>
    </message>
    <message>
        <source>Phase Align</source>
        <translation>相位对齐</translation>
    </message>
    <message>
        <source>Follow Genlock:</source>
        <translation>跟随同步：</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Trigger:</source>
        <translation>触发：</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>System Clocking Mode:</source>
        <translation>系统时钟模式：</translation>
    </message>
    <message>
        <source>Auto Genlock</source>
        <translation>自动同步</translation>
    </message>
    <message>
        <source>Auto Input</source>
        <translation>自动输入</translation>
    </message>
    <message>
        <source>System Clocking Locked:</source>
        <translation>系统时钟锁定：</translation>
    </message>
    <message>
        <source>Quiet Switching</source>
        <translation>静音切换</translation>
    </message>
    <message>
        <source>Audio Fading Effect</source>
        <translation>音频淡入淡出</translation>
    </message>
    <message>
        <source>Audio Fading Duration(ms):</source>
        <translation>音频淡变时长(ms)：</translation>
    </message>
    <message>
        <source>Audio Duplication</source>
        <translation>音频复制</translation>
    </message>
    <message>
        <source>Audio Duplication:</source>
        <translation>音频复制：</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Left-Left</source>
        <translation>左-左</translation>
    </message>
    <message>
        <source>Right-Right</source>
        <translation>右-右</translation>
    </message>
    <message>
        <source>Output Configuration</source>
        <translation>输出配置</translation>
    </message>
    <message>
        <source>Aux Source:</source>
        <translation>辅助输出源：</translation>
    </message>
    <message>
        <source>In 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>In 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>In 3</source>
        <translation>输入 3</translation>
    </message>
    <message>
        <source>In 4</source>
        <translation>输入 4</translation>
    </message>
    <message>
        <source>PGM</source>
        <translation>主输出</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>SignalIOPage</name>
    <message>
        <source>Not Present</source>
        <translation>不存在</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
</context>
<context>
    <name>StationFeed</name>
    <message>
        <source>Enter the service&apos;s address as http://host:port or https://host:port.</source>
        <translation>请按 http://主机:端口 或 https://主机:端口 的格式输入服务地址。</translation>
    </message>
    <message>
        <source>%1 holds no PEM certificate.</source>
        <translation>%1 中没有 PEM 证书。</translation>
    </message>
    <message>
        <source>its answer is larger than %1 MiB</source>
        <translation>其应答大于 %1 MiB</translation>
    </message>
    <message>
        <source>it refused the user and password</source>
        <translation>它拒绝了该用户名和密码</translation>
    </message>
    <message>
        <source>it asks for a user and password</source>
        <translation>它要求提供用户名和密码</translation>
    </message>
    <message>
        <source>it answered HTTP %1</source>
        <translation>它的应答为 HTTP %1</translation>
    </message>
    <message>
        <source>its answer is not a device list: %1</source>
        <translation>其应答不是设备列表：%1</translation>
    </message>
    <message>
        <source>not a list of devices</source>
        <translation>不是设备列表</translation>
    </message>
    <message>
        <source>a device without a name (entry %1)</source>
        <translation>有设备没有名称（第 %1 项）</translation>
    </message>
    <message>
        <source>(an alarm without a name)</source>
        <translation>（无名称的告警）</translation>
    </message>
    <message>
        <source>Put the user and password in their fields, not in the address.</source>
        <translation>请将用户名和密码填入各自的输入框，不要写在地址中。</translation>
    </message>
    <message>
        <source>no whole answer within %1 s</source>
        <translation>%1 秒内未收到完整应答</translation>
    </message>
    <message>
        <source>its certificate is refused: %1</source>
        <translation>其证书被拒绝：%1</translation>
    </message>
    <message>
        <source>not JSON (%1 at byte %2)</source>
        <translation>不是 JSON（%1，位于第 %2 字节）</translation>
    </message>
</context>
<context>
    <name>StationModel</name>
    <message>
        <source>Lost: no answer to the service</source>
        <translation>丢失：不应答监控服务</translation>
    </message>
    <message>
        <source>Notifications not routed to the service</source>
        <translation>通知未发往监控服务</translation>
    </message>
    <message>
        <source>No active alarm</source>
        <translation>无活动告警</translation>
    </message>
    <message>
        <source>model not known yet</source>
        <translation>型号尚未知</translation>
    </message>
    <message>
        <source>&lt;i&gt;Not current: the service cannot be read.&lt;/i&gt;</source>
        <translation>&lt;i&gt;非当前状态：无法读取监控服务。&lt;/i&gt;</translation>
    </message>
    <message>
        <source>%1 and %2 more</source>
        <translation>%1 等另外 %2 项</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>Station</source>
        <translation>台站</translation>
    </message>
    <message>
        <source>Service:</source>
        <translation>服务：</translation>
    </message>
    <message>
        <source>User:</source>
        <translation>用户：</translation>
    </message>
    <message>
        <source>Password:</source>
        <translation>密码：</translation>
    </message>
    <message>
        <source>Remember</source>
        <translation>记住</translation>
    </message>
    <message>
        <source>Keep the password in this computer&apos;s settings, unencrypted.</source>
        <translation>将密码以未加密形式保存在本机设置中。</translation>
    </message>
    <message>
        <source>CA file:</source>
        <translation>CA 文件：</translation>
    </message>
    <message>
        <source>the system&apos;s</source>
        <translation>系统自带</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>读取</translation>
    </message>
    <message>
        <source>Filter by name</source>
        <translation>按名称筛选</translation>
    </message>
    <message>
        <source>Problems only</source>
        <translation>仅显示问题</translation>
    </message>
    <message>
        <source>Compact</source>
        <translation>紧凑</translation>
    </message>
    <message>
        <source>Ch%1</source>
        <translation>通道%1</translation>
    </message>
    <message>
        <source>Certificate authority of the service</source>
        <translation>服务的证书颁发机构</translation>
    </message>
    <message>
        <source>PEM certificates (*.crt *.pem);;All files (*)</source>
        <translation>PEM 证书 (*.crt *.pem);;所有文件 (*)</translation>
    </message>
    <message>
        <source>%1 switches: %2 in alarm, %3 lost, %4 not routed, %5 fine</source>
        <translation>共 %1 台切换器：%2 台告警，%3 台丢失，%4 台通知未送达，%5 台正常</translation>
    </message>
    <message>
        <source>Enter the address of the station&apos;s qvt-monitord and press Read.</source>
        <translation>请输入台站 qvt-monitord 的地址，然后按“读取”。</translation>
    </message>
    <message>
        <source>Read from %1 every second; last at %2.</source>
        <translation>每秒从 %1 读取；最近一次于 %2。</translation>
    </message>
    <message>
        <source>Reading %1...</source>
        <translation>正在读取 %1...</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2. The tiles are its answer of %3; trying again every second.</source>
        <translation>无法读取 %1：%2。图块为其 %3 的应答；每秒重试。</translation>
    </message>
    <message>
        <source>%1 cannot be read: %2. Trying again every second.</source>
        <translation>无法读取 %1：%2。每秒重试。</translation>
    </message>
    <message>
        <source>The password crosses the network unencrypted over http: use https.</source>
        <translation>通过 http 时密码以未加密形式在网络上传输：请使用 https。</translation>
    </message>
    <message>
        <source>Reading %1 again; the tiles are its answer of %2.</source>
        <translation>正在重新读取 %1；图块为其 %2 的应答。</translation>
    </message>
</context>
<context>
    <name>Status2x1</name>
    <message>
        <source>System</source>
        <translation>系统</translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation>同步锁相丢失</translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation>电源 1 故障</translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation>电源 2 故障</translation>
    </message>
    <message>
        <source>Group A</source>
        <translation>A 组</translation>
    </message>
    <message>
        <source>GPI 1 Triggered</source>
        <translation>GPI 1 触发</translation>
    </message>
    <message>
        <source>GPI 2 Triggered</source>
        <translation>GPI 2 触发</translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation>输出切换</translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation>系统时钟失锁</translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation>锁相源切换</translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation>继电器旁路</translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation>GPI 继电器触发</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>视频</translation>
    </message>
    <message>
        <source>Signal Lost</source>
        <translation>信号丢失</translation>
    </message>
    <message>
        <source>Signal Format Error</source>
        <translation>信号格式错误</translation>
    </message>
    <message>
        <source>Video Frozen</source>
        <translation>视频静帧</translation>
    </message>
    <message>
        <source>Video Black</source>
        <translation>视频黑场</translation>
    </message>
    <message>
        <source>Signal Sync Failed</source>
        <translation>信号同步失败</translation>
    </message>
    <message>
        <source>Audio Lost</source>
        <translation>音频丢失</translation>
    </message>
    <message>
        <source>(Ch1-Ch4)</source>
        <translation>(通道1-4)</translation>
    </message>
    <message>
        <source>(Ch5-Ch8)</source>
        <translation>(通道5-8)</translation>
    </message>
    <message>
        <source>(Ch9-Ch12)</source>
        <translation>(通道9-12)</translation>
    </message>
    <message>
        <source>(Ch13-Ch16)</source>
        <translation>(通道13-16)</translation>
    </message>
    <message>
        <source>Audio Silent</source>
        <translation>音频静音</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Group B</source>
        <translation>B 组</translation>
    </message>
</context>
<context>
    <name>Status4x1</name>
    <message>
        <source>System</source>
        <translation>系统</translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation>输出切换</translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation>同步锁相丢失</translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation>电源 1 故障</translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation>电源 2 故障</translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation>系统时钟失锁</translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation>锁相源切换</translation>
    </message>
    <message>
        <source>GPI 1 Triggered</source>
        <translation>GPI 1 触发</translation>
    </message>
    <message>
        <source>GPI 2 Triggered</source>
        <translation>GPI 2 触发</translation>
    </message>
    <message>
        <source>GPI 3 Triggered</source>
        <translation>GPI 3 触发</translation>
    </message>
    <message>
        <source>GPI 4 Triggered</source>
        <translation>GPI 4 触发</translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation>GPI 继电器触发</translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation>继电器旁路</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>视频</translation>
    </message>
    <message>
        <source>Signal Lost</source>
        <translation>信号丢失</translation>
    </message>
    <message>
        <source>Signal Format Error</source>
        <translation>信号格式错误</translation>
    </message>
    <message>
        <source>Video Frozen</source>
        <translation>视频静帧</translation>
    </message>
    <message>
        <source>Video Black</source>
        <translation>视频黑场</translation>
    </message>
    <message>
        <source>Signal Sync Failed</source>
        <translation>信号同步失败</translation>
    </message>
    <message>
        <source>Audio Lost</source>
        <translation>音频丢失</translation>
    </message>
    <message>
        <source>(Ch1-Ch4)</source>
        <translation>(通道1-4)</translation>
    </message>
    <message>
        <source>(Ch5-Ch8)</source>
        <translation>(通道5-8)</translation>
    </message>
    <message>
        <source>(Ch9-Ch12)</source>
        <translation>(通道9-12)</translation>
    </message>
    <message>
        <source>(Ch13-Ch16)</source>
        <translation>(通道13-16)</translation>
    </message>
    <message>
        <source>Audio Silent</source>
        <translation>音频静音</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>输入 3</translation>
    </message>
    <message>
        <source>Input 4</source>
        <translation>输入 4</translation>
    </message>
</context>
<context>
    <name>SwitchControl2X1</name>
    <message>
        <source>Switch Mechanism</source>
        <translation>切换机制</translation>
    </message>
    <message>
        <source>Manual Switch:</source>
        <translation>手动切换：</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>In 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>In 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Failover Return Mode:</source>
        <translation>故障恢复模式：</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Non-reset</source>
        <translation>不复位</translation>
    </message>
    <message>
        <source>Failover Return Clear:</source>
        <translation>故障恢复清除：</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>GPI Status</source>
        <translation>GPI 状态</translation>
    </message>
    <message>
        <source>GPI 1 Triggered:</source>
        <translation>GPI 1 触发：</translation>
    </message>
    <message>
        <source>GPI 2 Triggered:</source>
        <translation>GPI 2 触发：</translation>
    </message>
    <message>
        <source>GPI Relay Triggered:</source>
        <translation>GPI 继电器触发：</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>继电器</translation>
    </message>
    <message>
        <source>Manual Control:</source>
        <translation>手动控制：</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Bypass</source>
        <translation>旁路</translation>
    </message>
    <message>
        <source>Bypass Protect:</source>
        <translation>旁路保护：</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Switching Result</source>
        <translation>切换结果</translation>
    </message>
    <message>
        <source>Active Input:</source>
        <translation>当前输入：</translation>
    </message>
    <message>
        <source>Switching Event:</source>
        <translation>切换事件：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>SwitchControl4X1</name>
    <message>
        <source>Switch Mechanism</source>
        <translation>切换机制</translation>
    </message>
    <message>
        <source>Manual Switch:</source>
        <translation>手动切换：</translation>
    </message>
    <message>
        <source>Disabled</source>
        <translation>禁用</translation>
    </message>
    <message>
        <source>In 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>In 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>In 3</source>
        <translation>输入 3</translation>
    </message>
    <message>
        <source>In 4</source>
        <translation>输入 4</translation>
    </message>
    <message>
        <source>Failover Return Mode:</source>
        <translation>故障恢复模式：</translation>
    </message>
    <message>
        <source>Automatic</source>
        <translation>自动</translation>
    </message>
    <message>
        <source>Non-reset</source>
        <translation>不复位</translation>
    </message>
    <message>
        <source>Failover Return Clear:</source>
        <translation>故障恢复清除：</translation>
    </message>
    <message>
        <source>--</source>
        <translation>--</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>GPI Status</source>
        <translation>GPI 状态</translation>
    </message>
    <message>
        <source>GPI 1 Triggered:</source>
        <translation>GPI 1 触发：</translation>
    </message>
    <message>
        <source>GPI 2 Triggered:</source>
        <translation>GPI 2 触发：</translation>
    </message>
    <message>
        <source>GPI 3 Triggered:</source>
        <translation>GPI 3 触发：</translation>
    </message>
    <message>
        <source>GPI 4 Triggered:</source>
        <translation>GPI 4 触发：</translation>
    </message>
    <message>
        <source>GPI Relay Triggered:</source>
        <translation>GPI 继电器触发：</translation>
    </message>
    <message>
        <source>Relay</source>
        <translation>继电器</translation>
    </message>
    <message>
        <source>Manual Control:</source>
        <translation>手动控制：</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>Bypass</source>
        <translation>旁路</translation>
    </message>
    <message>
        <source>Bypass Protect:</source>
        <translation>旁路保护：</translation>
    </message>
    <message>
        <source>Enabled</source>
        <translation>启用</translation>
    </message>
    <message>
        <source>Switching Result</source>
        <translation>切换结果</translation>
    </message>
    <message>
        <source>Active Input:</source>
        <translation>当前输入：</translation>
    </message>
    <message>
        <source>Switching Event:</source>
        <translation>切换事件：</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>SwitchControlPage</name>
    <message>
        <source>In %1</source>
        <translation>输入 %1</translation>
    </message>
    <message>
        <source>Relay On</source>
        <translation>继电器开启</translation>
    </message>
    <message>
        <source>GPI</source>
        <translation>GPI</translation>
    </message>
    <message>
        <source>Manual</source>
        <translation>手动</translation>
    </message>
    <message>
        <source>Alarm Non-reset</source>
        <translation>告警不复位</translation>
    </message>
    <message>
        <source>Alarm Automatic</source>
        <translation>告警自动</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
</context>
<context>
    <name>SystemAlarm2x1</name>
    <message>
        <source>System Alarms Enable </source>
        <translation>启用系统告警 </translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation>电源 1 故障</translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation>电源 2 故障</translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation>同步锁相丢失</translation>
    </message>
    <message>
        <source>Group A</source>
        <translation>A 组</translation>
    </message>
    <message>
        <source>GPI 1 Triggered</source>
        <translation>GPI 1 触发</translation>
    </message>
    <message>
        <source>GPI 2 Triggered</source>
        <translation>GPI 2 触发</translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation>输出切换</translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation>系统时钟失锁</translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation>锁相源切换</translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation>继电器旁路</translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation>GPI 继电器触发</translation>
    </message>
    <message>
        <source>Group B</source>
        <translation>B 组</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>SystemAlarm4x1</name>
    <message>
        <source>System Alarms Enable </source>
        <translation>启用系统告警 </translation>
    </message>
    <message>
        <source>GPI 2 Triggered</source>
        <translation>GPI 2 触发</translation>
    </message>
    <message>
        <source>GPI 3 Triggered</source>
        <translation>GPI 3 触发</translation>
    </message>
    <message>
        <source>GPI 4 Triggered</source>
        <translation>GPI 4 触发</translation>
    </message>
    <message>
        <source>GPI 1 Triggered</source>
        <translation>GPI 1 触发</translation>
    </message>
    <message>
        <source>Genlock Lost</source>
        <translation>同步锁相丢失</translation>
    </message>
    <message>
        <source>PS1 Fail</source>
        <translation>电源 1 故障</translation>
    </message>
    <message>
        <source>PS2 Fail</source>
        <translation>电源 2 故障</translation>
    </message>
    <message>
        <source>Genlocking Source Switched</source>
        <translation>锁相源切换</translation>
    </message>
    <message>
        <source>System Clocking Unlocked</source>
        <translation>系统时钟失锁</translation>
    </message>
    <message>
        <source>Output Switched</source>
        <translation>输出切换</translation>
    </message>
    <message>
        <source>Relay Bypassed</source>
        <translation>继电器旁路</translation>
    </message>
    <message>
        <source>GPI Relay Triggered</source>
        <translation>GPI 继电器触发</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
</context>
<context>
    <name>Trigger</name>
    <message>
        <source>Source</source>
        <translation>告警源</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Any</source>
        <translation>任一</translation>
    </message>
    <message>
        <source>A-Input %1</source>
        <translation>A-输入 %1</translation>
    </message>
    <message>
        <source>B-Input %1</source>
        <translation>B-输入 %1</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>输入 %1</translation>
    </message>
    <message>
        <source>Audio Lost Ch%1</source>
        <translation>音频丢失 通道%1</translation>
    </message>
    <message>
        <source>Audio Silent Ch%1</source>
        <translation>音频静音 通道%1</translation>
    </message>
    <message>
        <source>Combination</source>
        <translation>组合方式</translation>
    </message>
    <message>
        <source>V&amp;A</source>
        <translation>视频&amp;音频</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>check</source>
        <translation>勾选</translation>
    </message>
    <message>
        <source>uncheck</source>
        <translation>取消勾选</translation>
    </message>
</context>
<context>
    <name>VolumeColumnWidget</name>
    <message>
        <source>Inputs</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Outputs</source>
        <translation>输出</translation>
    </message>
</context>
<context>
    <name>WindowJournal</name>
    <message numerus="yes">
        <source>The change journal cannot be written (%1): the device was changed; %n operation(s) wait in the spool %2 and go into the journal as soon as it can be written.</source>
        <translation>
            <numerusform>无法写入修改记录（%1）：设备已修改；%n 项操作在暂存文件 %2 中等待，修改记录可写入时即移入。</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>XmlDocument</name>
    <message>
        <source>larger than %1 MiB</source>
        <translation>大于 %1 MiB</translation>
    </message>
    <message>
        <source>it declares a document type or entities, which a parameter file never holds</source>
        <translation>文件声明了文档类型或实体，参数文件从不包含这些内容</translation>
    </message>
    <message>
        <source>not XML: %1 (line %2, column %3)</source>
        <translation>不是 XML：%1（第 %2 行，第 %3 列）</translation>
    </message>
    <message>
        <source>its top element is &lt;%1&gt;, not &lt;configure&gt;</source>
        <translation>其顶层元素为 &lt;%1&gt;，而不是 &lt;configure&gt;</translation>
    </message>
</context>
<context>
    <name>cfg</name>
    <message>
        <source>Zorvane QVT Config</source>
        <translation>Zorvane QVT 配置工具</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Device</source>
        <translation>设备</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>导入...</translation>
    </message>
    <message>
        <source>Export...</source>
        <translation>导出...</translation>
    </message>
    <message>
        <source>Connect...</source>
        <translation>连接...</translation>
    </message>
    <message>
        <source>Disconnect...</source>
        <translation>断开连接...</translation>
    </message>
    <message>
        <source>Config Network...</source>
        <translation>网络配置...</translation>
    </message>
    <message>
        <source>Change Password...</source>
        <translation>修改密码...</translation>
    </message>
    <message>
        <source>Add Dest IP...</source>
        <translation>添加目标 IP...</translation>
    </message>
    <message>
        <source>Configure...</source>
        <translation>配置...</translation>
    </message>
    <message>
        <source>About...</source>
        <translation>关于...</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message>
        <source>Information</source>
        <translation>信息</translation>
    </message>
    <message>
        <source>XML files (*.xml)</source>
        <translation>XML 文件 (*.xml)</translation>
    </message>
    <message>
        <source>Select File</source>
        <translation>选择文件</translation>
    </message>
    <message>
        <source>Device is off-line.</source>
        <translation>设备离线。</translation>
    </message>
    <message>
        <source>The device is upgrading.</source>
        <translation>设备正在升级。</translation>
    </message>
    <message>
        <source>The password is incorrect.</source>
        <translation>密码错误。</translation>
    </message>
    <message>
        <source>Do you want to disconnect?</source>
        <translation>确定要断开连接吗？</translation>
    </message>
    <message>
        <source>The versions between the device %1 and control software %2 are mismatched.Please use identical versions and re-login.</source>
        <translation>设备版本 %1 与控制软件版本 %2 不一致。请使用相同的版本并重新登录。</translation>
    </message>
    <message>
        <source>The export fails.</source>
        <translation>导出失败。</translation>
    </message>
    <message>
        <source>The export is done.</source>
        <translation>导出完成。</translation>
    </message>
    <message>
        <source>The parameter file and the device are mismatched.</source>
        <translation>参数文件与设备不匹配。</translation>
    </message>
    <message>
        <source>The import fails.</source>
        <translation>导入失败。</translation>
    </message>
    <message>
        <source>The import is done.</source>
        <translation>导入完成。</translation>
    </message>
    <message>
        <source>Current network parameters is default</source>
        <translation>当前网络参数为出厂默认值</translation>
    </message>
    <message>
        <source>The IP address is invalid.</source>
        <translation>IP 地址无效。</translation>
    </message>
    <message>
        <source>Fail to set the network parameters.</source>
        <translation>设置网络参数失败。</translation>
    </message>
    <message>
        <source>The new IP address will be used after reboot.</source>
        <translation>新的 IP 地址将在重启后生效。</translation>
    </message>
    <message>
        <source>The password is not changed.</source>
        <translation>密码未修改。</translation>
    </message>
    <message>
        <source>The password has been changed.</source>
        <translation>密码已修改。</translation>
    </message>
    <message>
        <source>Fail to get the Dest IP.</source>
        <translation>获取目标 IP 失败。</translation>
    </message>
    <message>
        <source>The two Ports should be different.</source>
        <translation>两个端口不能相同。</translation>
    </message>
    <message>
        <source>Fail to set the Dest IP.</source>
        <translation>设置目标 IP 失败。</translation>
    </message>
    <message>
        <source>Fail to set the Port.</source>
        <translation>设置端口失败。</translation>
    </message>
    <message>
        <source>General</source>
        <translation>常规</translation>
    </message>
    <message>
        <source>Signal I/O</source>
        <translation>信号输入/输出</translation>
    </message>
    <message>
        <source>Genlock</source>
        <translation>同步锁相</translation>
    </message>
    <message>
        <source>Group A</source>
        <translation>A 组</translation>
    </message>
    <message>
        <source>Group B</source>
        <translation>B 组</translation>
    </message>
    <message>
        <source>AGC</source>
        <translation>自动增益控制</translation>
    </message>
    <message>
        <source>Switch Control</source>
        <translation>切换控制</translation>
    </message>
    <message>
        <source>Alarm Combination</source>
        <translation>告警组合</translation>
    </message>
    <message>
        <source>GPIO</source>
        <translation>GPIO</translation>
    </message>
    <message>
        <source>Alarms</source>
        <translation>告警</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>System</source>
        <translation>系统</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入 1</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入 2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>输入 3</translation>
    </message>
    <message>
        <source>Input 4</source>
        <translation>输入 4</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message>
        <source>Logs</source>
        <translation>日志</translation>
    </message>
    <message>
        <source>The device did not report its model: pages are not kept up to date and Import is off. Disconnect and connect again.</source>
        <translation>设备未报告其型号：页面不会自动刷新，导入已关闭。请断开后重新连接。</translation>
    </message>
    <message>
        <source>the device did not report where it sends them</source>
        <translation>设备未报告其发送目标</translation>
    </message>
    <message>
        <source>The import cannot start: the tool is not polling the device. Disconnect and connect again.</source>
        <translation>无法开始导入：软件未在轮询设备。请断开后重新连接。</translation>
    </message>
    <message>
        <source>The import did not complete: the session ended before every page was written. The device keeps the values written so far.</source>
        <translation>导入未完成：会话在所有页面写入之前已结束。设备保留已写入的参数。</translation>
    </message>
    <message>
        <source>Alarm notifications will not arrive: %1.</source>
        <translation>告警通知将无法送达：%1。</translation>
    </message>
    <message>
        <source>Connection Lost</source>
        <translation>连接丢失</translation>
    </message>
    <message>
        <source>Version mismatch between the Config Tool and the Firmware</source>
        <translation>配置工具与固件版本不一致</translation>
    </message>
    <message>
        <source>the device sends them to no port; set one with &quot;Device &gt; Add Dest IP...&quot;</source>
        <translation>设备未设置发送端口；请通过“设备 &gt; 添加目标 IP...”设置</translation>
    </message>
    <message>
        <source>port %1 cannot be opened on this computer; choose another with &quot;Device &gt; Add Dest IP...&quot;</source>
        <translation>本机无法打开端口 %1；请通过“设备 &gt; 添加目标 IP...”另选端口</translation>
    </message>
    <message>
        <source>this computer has no address on the device&apos;s subnet, and the device sends them elsewhere; add an address of this computer with &quot;Device &gt; Add Dest IP...&quot;</source>
        <translation>本机在设备所在子网中没有地址，且设备将通知发往别处；请通过“设备 &gt; 添加目标 IP...”添加本机地址</translation>
    </message>
    <message>
        <source>this computer (%1) is in neither of the device&apos;s notification destinations; add it with &quot;Device &gt; Add Dest IP...&quot;</source>
        <translation>本机（%1）不在设备的任一通知目标中；请通过“设备 &gt; 添加目标 IP...”添加</translation>
    </message>
    <message>
        <source>1 alarm row not saved</source>
        <translation>1 条告警记录未保存</translation>
    </message>
    <message>
        <source>%1 alarm rows not saved</source>
        <translation>%1 条告警记录未保存</translation>
    </message>
    <message>
        <source>Alarm rows not saved: %1. Save them to another file, close anyway and lose them, or cancel and keep the window open.</source>
        <translation>未保存的告警记录：%1 条。可将其保存到其他文件，或仍然关闭并丢弃这些记录，或取消关闭并保留窗口。</translation>
    </message>
    <message>
        <source>Save Elsewhere...</source>
        <translation>另存到其他位置...</translation>
    </message>
    <message>
        <source>Close Anyway</source>
        <translation>仍然关闭</translation>
    </message>
    <message>
        <source>The parameter file cannot be read.</source>
        <translation>无法读取参数文件。</translation>
    </message>
    <message>
        <source>History...</source>
        <translation>历史记录...</translation>
    </message>
    <message>
        <source>Station...</source>
        <translation>台站...</translation>
    </message>
    <message>
        <source>You are connected to %1. Disconnect from it and connect to %2?</source>
        <translation>当前已连接到 %1。是否断开并连接到 %2？</translation>
    </message>
</context>
</TS>
