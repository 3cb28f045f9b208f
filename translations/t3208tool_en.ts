<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Catalogue</name>
    <message>
        <source>设备操作地址</source>
        <translation>Device address</translation>
    </message>
    <message>
        <source>新地址(New Addr)</source>
        <translation>New address</translation>
    </message>
    <message>
        <source>波特率(Bitrate)</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>初速度</source>
        <translation>Initial speed</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Maximum speed</translation>
    </message>
    <message>
        <source>末速度</source>
        <translation>End speed</translation>
    </message>
    <message>
        <source>加速度</source>
        <translation>Acceleration</translation>
    </message>
    <message>
        <source>减速度</source>
        <translation>Deceleration</translation>
    </message>
    <message>
        <source>归零速度</source>
        <translation>Homing speed</translation>
    </message>
    <message>
        <source>正/负方向脉冲数</source>
        <translation>Pulses (+/− direction)</translation>
    </message>
    <message>
        <source>位置运动方向</source>
        <translation>Position move direction</translation>
    </message>
    <message>
        <source>脉冲数</source>
        <translation>Pulse count</translation>
    </message>
    <message>
        <source>正/负方向速度</source>
        <translation>Speed (+/− direction)</translation>
    </message>
    <message>
        <source>恒速运动方向</source>
        <translation>Constant-speed direction</translation>
    </message>
    <message>
        <source>速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>新速度</source>
        <translation>New speed</translation>
    </message>
    <message>
        <source>查找零点方向</source>
        <translation>Origin search direction</translation>
    </message>
    <message>
        <source>运动因子</source>
        <translation>Motion factor</translation>
    </message>
    <message>
        <source>偏移地址超出范围,请设置0-65500之间</source>
        <translation>The offset is out of range; set a value from 0 to 65500</translation>
    </message>
    <message>
        <source>%1 的值超出范围,允许范围为 %2 到 %3</source>
        <translation>The value of %1 is out of range; the allowed range is %2 to %3</translation>
    </message>
    <message>
        <source>&quot;%1&quot; 不是可设置的波特率,请选择 2400 到 38400 之间的一项</source>
        <translation>&quot;%1&quot; is not a baud rate the controller can be set to; choose one from 2400 to 38400</translation>
    </message>
</context>
<context>
    <name>Commands</name>
    <message>
        <source>请求握手命令:</source>
        <translation>Handshake request:</translation>
    </message>
    <message>
        <source>查询设备地址:</source>
        <translation>Query device address:</translation>
    </message>
    <message>
        <source>查询设备地址:当前地址为</source>
        <translation>Query device address: current address = </translation>
    </message>
    <message>
        <source>更改设备地址:</source>
        <translation>Change device address:</translation>
    </message>
    <message>
        <source>查询当前波特率:</source>
        <translation>Query baud rate:</translation>
    </message>
    <message>
        <source>查询当前波特率:当前波特率设置为</source>
        <translation>Query baud rate: baud rate code = </translation>
    </message>
    <message>
        <source>改变当前波特率:</source>
        <translation>Change baud rate:</translation>
    </message>
    <message>
        <source>设置运动初速度:</source>
        <translation>Set initial speed:</translation>
    </message>
    <message>
        <source>查询运动初速度:</source>
        <translation>Query initial speed:</translation>
    </message>
    <message>
        <source>设置运动最大速度:</source>
        <translation>Set maximum speed:</translation>
    </message>
    <message>
        <source>查询运动最大速度:</source>
        <translation>Query maximum speed:</translation>
    </message>
    <message>
        <source>设置运动末速度:</source>
        <translation>Set end speed:</translation>
    </message>
    <message>
        <source>查询运动末速度:</source>
        <translation>Query end speed:</translation>
    </message>
    <message>
        <source>设置运动加速度:</source>
        <translation>Set acceleration:</translation>
    </message>
    <message>
        <source>查询运动加速度:</source>
        <translation>Query acceleration:</translation>
    </message>
    <message>
        <source>设置运动减速度:</source>
        <translation>Set deceleration:</translation>
    </message>
    <message>
        <source>查询运动减速度:</source>
        <translation>Query deceleration:</translation>
    </message>
    <message>
        <source>设置归零运动速度:</source>
        <translation>Set homing speed:</translation>
    </message>
    <message>
        <source>查询归零运动速度:</source>
        <translation>Query homing speed:</translation>
    </message>
    <message>
        <source>设置32位运动脉冲数并开始运动:</source>
        <translation>Set 32-bit pulse count and start moving:</translation>
    </message>
    <message>
        <source>设置24位运动脉冲数并开始运动:</source>
        <translation>Set 24-bit pulse count and start moving:</translation>
    </message>
    <message>
        <source>设置32位运动速度，并恒速运动:</source>
        <translation>Set 32-bit speed and run at constant speed:</translation>
    </message>
    <message>
        <source>设置24位运动速度，并恒速运动:</source>
        <translation>Set 24-bit speed and run at constant speed:</translation>
    </message>
    <message>
        <source>恒速运动过程中改变速度:</source>
        <translation>Change speed during constant-speed run:</translation>
    </message>
    <message>
        <source>查询运动速度:</source>
        <translation>Query speed:</translation>
    </message>
    <message>
        <source>查询运动绝对位置:</source>
        <translation>Query absolute position:</translation>
    </message>
    <message>
        <source>绝对位置清零:</source>
        <translation>Clear absolute position:</translation>
    </message>
    <message>
        <source>查询运动相对位置:</source>
        <translation>Query relative position:</translation>
    </message>
    <message>
        <source>相对位置清零:</source>
        <translation>Clear relative position:</translation>
    </message>
    <message>
        <source>查询运动状态:</source>
        <translation>Query motion status:</translation>
    </message>
    <message>
        <source>急停命令:</source>
        <translation>Emergency stop:</translation>
    </message>
    <message>
        <source>减速停止命令:</source>
        <translation>Decelerate to stop:</translation>
    </message>
    <message>
        <source>查找原点命令:</source>
        <translation>Search origin:</translation>
    </message>
    <message>
        <source>设置存储器偏移地址:</source>
        <translation>Set register mapping offset:</translation>
    </message>
    <message>
        <source>设置IO取代命令:</source>
        <translation>Set IO substitution command:</translation>
    </message>
    <message>
        <source>读取IO取代命令:</source>
        <translation>Read IO substitution command:</translation>
    </message>
    <message>
        <source>查询IN状态命令:</source>
        <translation>Query IN status:</translation>
    </message>
    <message>
        <source>查询 IN 1-5 状态:</source>
        <translation>Query IN 1-5 status:</translation>
    </message>
    <message>
        <source>查询输入状态:</source>
        <translation>Query input status:</translation>
    </message>
    <message>
        <source>设置运动变速因子:</source>
        <translation>Set speed-change factor:</translation>
    </message>
    <message>
        <source>设置变速因子命令:</source>
        <translation>Set speed-change factor:</translation>
    </message>
    <message>
        <source>定量加速命令:</source>
        <translation>Fixed acceleration:</translation>
    </message>
    <message>
        <source>定量减速命令:</source>
        <translation>Fixed deceleration:</translation>
    </message>
    <message>
        <source>出厂设置命令:</source>
        <translation>Factory settings:</translation>
    </message>
</context>
<context>
    <name>FrmMain</name>
    <message>
        <source>Korvan数控MODBUS(CAN测试)调试工具FOR T3208S</source>
        <translation>Korvan CNC MODBUS (CAN test) Debugging Tool for T3208S</translation>
    </message>
    <message>
        <source>Korvan数控事业部</source>
        <translation>Korvan CNC Division</translation>
    </message>
    <message>
        <source>Korvan机器视觉事业部</source>
        <translation>Korvan Machine Vision Division</translation>
    </message>
    <message>
        <source>KorvanMODBUS调试工具</source>
        <translation>Korvan MODBUS Debugging Tool</translation>
    </message>
    <message>
        <source>选择通讯模式:</source>
        <translation>Communication mode:</translation>
    </message>
    <message>
        <source>设备操作地址(Hex)：</source>
        <translation>Device address (hex):</translation>
    </message>
    <message>
        <source>语言(Language):</source>
        <translation>Language:</translation>
    </message>
    <message>
        <source>中文</source>
        <translation>Chinese</translation>
    </message>
    <message>
        <source>发送内容：</source>
        <translation>Sent:</translation>
    </message>
    <message>
        <source>清空内容</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>接收内容：</source>
        <translation>Received:</translation>
    </message>
    <message>
        <source>按西门子标准</source>
        <translation>Siemens</translation>
    </message>
    <message>
        <source>读</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>写</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>设寄存器映射地址</source>
        <translation>Set offset</translation>
    </message>
    <message>
        <source>输入16进制：</source>
        <translation>Hex input:</translation>
    </message>
    <message>
        <source>发送16进制数据</source>
        <translation>Send hex</translation>
    </message>
    <message>
        <source>添加高级命令</source>
        <translation>Add to the command list</translation>
    </message>
    <message>
        <source>MODBUS发送RTU</source>
        <translation>Send RTU</translation>
    </message>
    <message>
        <source>MODBUS发送ASC</source>
        <translation>Send ASC</translation>
    </message>
    <message>
        <source>转为字符串</source>
        <translation>To text</translation>
    </message>
    <message>
        <source>输入字符串：</source>
        <translation>Text input:</translation>
    </message>
    <message>
        <source>发送字符串</source>
        <translation>Send text</translation>
    </message>
    <message>
        <source>转为16进制</source>
        <translation>To hex</translation>
    </message>
    <message>
        <source>CRC校验：</source>
        <translation>CRC:</translation>
    </message>
    <message>
        <source>CRC低位在前</source>
        <translation>CRC low first</translation>
    </message>
    <message>
        <source>CRC高位在前</source>
        <translation>CRC high first</translation>
    </message>
    <message>
        <source>LRC校验：</source>
        <translation>LRC:</translation>
    </message>
    <message>
        <source>计算LRC</source>
        <translation>Compute LRC</translation>
    </message>
    <message>
        <source>串口设置</source>
        <translation>Serial port</translation>
    </message>
    <message>
        <source>串口号：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>波特率：</source>
        <translation>Baud rate:</translation>
    </message>
    <message>
        <source>起始位为1，终止位为1</source>
        <translation>1 start bit, 1 stop bit</translation>
    </message>
    <message>
        <source>无奇偶校验，无硬件控制</source>
        <translation>No parity, no flow control</translation>
    </message>
    <message>
        <source>打开</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>基本命令</source>
        <translation>Basic commands</translation>
    </message>
    <message>
        <source>握手</source>
        <translation>Handshake</translation>
    </message>
    <message>
        <source>查地址</source>
        <translation>Get address</translation>
    </message>
    <message>
        <source>查波特率</source>
        <translation>Get baud</translation>
    </message>
    <message>
        <source>改地址</source>
        <translation>Set address</translation>
    </message>
    <message>
        <source>改波特率</source>
        <translation>Set baud</translation>
    </message>
    <message>
        <source>参数设置与查询</source>
        <translation>Parameters: set and query</translation>
    </message>
    <message>
        <source>新设值</source>
        <translation>New value</translation>
    </message>
    <message>
        <source>查询值</source>
        <translation>Queried</translation>
    </message>
    <message>
        <source>初速度</source>
        <translation>Init. speed</translation>
    </message>
    <message>
        <source>加入高级命令</source>
        <translation>Add to the command list</translation>
    </message>
    <message>
        <source>查询设定值</source>
        <translation>Query the set value</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Max. speed</translation>
    </message>
    <message>
        <source>末速度</source>
        <translation>End speed</translation>
    </message>
    <message>
        <source>加速度</source>
        <translation>Accel.</translation>
    </message>
    <message>
        <source>减速度</source>
        <translation>Decel.</translation>
    </message>
    <message>
        <source>归零速度</source>
        <translation>Homing</translation>
    </message>
    <message>
        <source>运动相关查询</source>
        <translation>Motion queries</translation>
    </message>
    <message>
        <source>运动速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>运动状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>左限</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>零点</source>
        <translation>Origin</translation>
    </message>
    <message>
        <source>右限</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>绝对位置</source>
        <translation>Abs. pos.</translation>
    </message>
    <message>
        <source>清零</source>
        <translation>Clear to zero</translation>
    </message>
    <message>
        <source>相对位置</source>
        <translation>Rel. pos.</translation>
    </message>
    <message>
        <source>运动控制</source>
        <translation>Motion control</translation>
    </message>
    <message>
        <source>位置运动:</source>
        <translation>Position move:</translation>
    </message>
    <message>
        <source>正/负方向脉冲数:</source>
        <translation>Pulses (+/−):</translation>
    </message>
    <message>
        <source>运动</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>添加IO取代命令</source>
        <translation>Add as IO substitution command</translation>
    </message>
    <message>
        <source>方向:</source>
        <translation>Direction:</translation>
    </message>
    <message>
        <source>脉冲数:</source>
        <translation>Pulses:</translation>
    </message>
    <message>
        <source>恒速运动:</source>
        <translation>Constant speed:</translation>
    </message>
    <message>
        <source>正/负方向速度:</source>
        <translation>Speed (+/−):</translation>
    </message>
    <message>
        <source>速度:</source>
        <translation>Speed:</translation>
    </message>
    <message>
        <source>查找零点:</source>
        <translation>Find origin:</translation>
    </message>
    <message>
        <source>归零</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>减速停止</source>
        <translation>Decel. stop</translation>
    </message>
    <message>
        <source>立即停止</source>
        <translation>E-stop</translation>
    </message>
    <message>
        <source>运动中改变速度:   新速度</source>
        <translation>Change speed to:</translation>
    </message>
    <message>
        <source>执行</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>IO控制:</source>
        <translation>IO control:</translation>
    </message>
    <message>
        <source>IN序号  54321</source>
        <translation>IN no.  54321</translation>
    </message>
    <message>
        <source>＝命令</source>
        <translation>= cmd</translation>
    </message>
    <message>
        <source>下载</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>运动因子</source>
        <translation>Factor</translation>
    </message>
    <message>
        <source>查询IN</source>
        <translation>Query IN</translation>
    </message>
    <message>
        <source>出厂设置</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>以下CAN相关</source>
        <translation>CAN gateway</translation>
    </message>
    <message>
        <source>CAN波特率</source>
        <translation>CAN rate</translation>
    </message>
    <message>
        <source>标准帧</source>
        <translation>Std. frame</translation>
    </message>
    <message>
        <source>扩展帧</source>
        <translation>Ext. frame</translation>
    </message>
    <message>
        <source>无校验检查</source>
        <translation>No check</translation>
    </message>
    <message>
        <source>有校验检查</source>
        <translation>With check</translation>
    </message>
    <message>
        <source>回8byte长</source>
        <translation>Reply 8 bytes</translation>
    </message>
    <message>
        <source>回协议长</source>
        <translation>Reply proto. len</translation>
    </message>
    <message>
        <source>HEX到CAN发送</source>
        <translation>Hex to CAN</translation>
    </message>
    <message>
        <source>高级自动控制功能(HEX格式)</source>
        <translation>Command list automation (hex format)</translation>
    </message>
    <message>
        <source>延时:</source>
        <translation>Delay:</translation>
    </message>
    <message>
        <source>毫秒50-60000</source>
        <translation>ms 50-60000</translation>
    </message>
    <message>
        <source>插入命令</source>
        <translation>Insert</translation>
    </message>
    <message>
        <source>跳转:</source>
        <translation>Jump:</translation>
    </message>
    <message>
        <source>行</source>
        <translation>line</translation>
    </message>
    <message>
        <source>隔</source>
        <translation>Every</translation>
    </message>
    <message>
        <source>无延时命令，默认间隔为1秒</source>
        <translation>No delay lines: 1 s apart</translation>
    </message>
    <message>
        <source>按行循环执行命令</source>
        <translation>Run in a loop</translation>
    </message>
    <message>
        <source>打开文件</source>
        <translation>Open file</translation>
    </message>
    <message>
        <source>命令另存为</source>
        <translation>Save list as</translation>
    </message>
    <message>
        <source>通讯协议</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source>系统提示</source>
        <translation>System message</translation>
    </message>
    <message>
        <source>命令操作</source>
        <translation>Command list</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>txt文件(*.txt);;所有文件(*.*)</source>
        <translation>Text files (*.txt);;All files (*.*)</translation>
    </message>
    <message>
        <source>文件名无效,请重新打开!</source>
        <translation>Invalid file name, please open again!</translation>
    </message>
    <message>
        <source>保存文件</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>TXT文件(*.TXT);;所有文件(*.*)</source>
        <translation>TXT files (*.TXT);;All files (*.*)</translation>
    </message>
    <message>
        <source>是否覆盖文件？</source>
        <translation>Overwrite the file?</translation>
    </message>
    <message>
        <source>文件保存</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>读取文件出错:</source>
        <translation>Error reading the file: </translation>
    </message>
    <message>
        <source>文件保存失败,原文件未改动:</source>
        <translation>Saving failed, the file was left unchanged: </translation>
    </message>
    <message>
        <source>间隔时间超出范围,请设置0-65535之间的毫秒数</source>
        <translation>The interval is out of range; set a number of milliseconds from 0 to 65535</translation>
    </message>
    <message>
        <source>请选择正确的串口名</source>
        <translation>Please choose a valid port name</translation>
    </message>
    <message>
        <source>COM%1 没有对应的串口设备</source>
        <translation>COM%1 has no serial device</translation>
    </message>
    <message>
        <source>串口打开失败:</source>
        <translation>Could not open the serial port: </translation>
    </message>
    <message>
        <source>串口已断开</source>
        <translation>Serial port disconnected</translation>
    </message>
    <message>
        <source>串口连接已断开:</source>
        <translation>The serial connection was lost: </translation>
    </message>
    <message>
        <source>运动中</source>
        <translation>Moving</translation>
    </message>
    <message>
        <source>串口正在等待重新连接，请求未发送: </source>
        <translation>The port is waiting to reconnect, request not sent: </translation>
    </message>
    <message>
        <source>时间戳</source>
        <translation>Timestamps</translation>
    </message>
    <message>
        <source>无</source>
        <translation>None</translation>
    </message>
    <message>
        <source>绝对时间</source>
        <translation>Absolute time</translation>
    </message>
    <message>
        <source>相对时间</source>
        <translation>Relative time</translation>
    </message>
    <message>
        <source>间隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>记录</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>开始记录...</source>
        <translation>Start logging...</translation>
    </message>
    <message>
        <source>停止记录</source>
        <translation>Stop logging</translation>
    </message>
    <message>
        <source>开始记录</source>
        <translation>Start logging</translation>
    </message>
    <message>
        <source>CSV文件(*.csv);;所有文件(*.*)</source>
        <translation>CSV files (*.csv);;All files (*.*)</translation>
    </message>
    <message>
        <source>无法开始记录: %1 (%2)</source>
        <translation>Cannot start logging: %1 (%2)</translation>
    </message>
    <message>
        <source>记录: </source>
        <translation>Logging: </translation>
    </message>
    <message>
        <source>串口</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>自动重连</source>
        <translation>Reconnect automatically</translation>
    </message>
    <message>
        <source>串口已断开，等待重新连接: </source>
        <translation>Serial port disconnected, waiting to reconnect: </translation>
    </message>
    <message>
        <source>串口已重新连接: </source>
        <translation>Serial port reconnected: </translation>
    </message>
    <message>
        <source>未找到设备</source>
        <translation>No device found</translation>
    </message>
    <message>
        <source>曲线</source>
        <translation>Plot</translation>
    </message>
    <message>
        <source>自动查询: 串口未打开</source>
        <translation>Automatic query: the port is not open</translation>
    </message>
    <message>
        <source>自动查询: 请勾选要查询的项目</source>
        <translation>Automatic query: tick the items to query</translation>
    </message>
</context>
<context>
    <name>IoSubst</name>
    <message>
        <source>设备地址 %1 超出范围,IO取代下载的地址按十进制读取,允许范围为 0 到 255</source>
        <translation>Device address %1 is out of range: the IO substitution download reads the address as decimal, the allowed range is 0 to 255</translation>
    </message>
    <message>
        <source>命令字节数 %1 超出范围,最多 %2 个字节</source>
        <translation>The command has %1 bytes, more than the %2 allowed</translation>
    </message>
</context>
<context>
    <name>ListFile</name>
    <message>
        <source>无法删除文件</source>
        <translation>Cannot delete the file</translation>
    </message>
</context>
<context>
    <name>OpenFailure</name>
    <message>
        <source>%1 不存在。</source>
        <translation>%1 does not exist. </translation>
    </message>
    <message>
        <source>本机没有找到串口。</source>
        <translation>No serial port was found on this machine.</translation>
    </message>
    <message>
        <source>现有的串口: </source>
        <translation>Serial ports present: </translation>
    </message>
    <message>
        <source>没有打开 %1 的权限（设备属于组 %2）。</source>
        <translation>No permission to open %1 (the device belongs to group %2).</translation>
    </message>
    <message>
        <source>没有打开 %1 的权限: 设备属于 %2 组。把当前用户加入该组: sudo usermod -aG %2 $USER，然后注销并重新登录。</source>
        <translation>No permission to open %1: the device belongs to group %2. Add the current user to that group: sudo usermod -aG %2 $USER, then log out and log in again.</translation>
    </message>
    <message>
        <source>%1 正被其他程序占用: %2</source>
        <translation>%1 is in use by another program: %2</translation>
    </message>
    <message>
        <source>%1 正被另一个程序占用。</source>
        <translation>%1 is in use by another program.</translation>
    </message>
    <message>
        <source>%1 无法打开（设备不可用）: %2</source>
        <translation>%1 cannot be opened (device unavailable): %2</translation>
    </message>
</context>
<context>
    <name>PlotView</name>
    <message>
        <source>10 秒</source>
        <translation>10 s</translation>
    </message>
    <message>
        <source>60 秒</source>
        <translation>60 s</translation>
    </message>
    <message>
        <source>10 分钟</source>
        <translation>10 min</translation>
    </message>
    <message>
        <source>全部</source>
        <translation>All</translation>
    </message>
    <message>
        <source>时间 (s)</source>
        <translation>Time (s)</translation>
    </message>
    <message>
        <source>暂停</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>继续</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>清空</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>导出CSV...</source>
        <translation>Export CSV...</translation>
    </message>
    <message>
        <source>导出PNG...</source>
        <translation>Export PNG...</translation>
    </message>
    <message>
        <source>时间范围:</source>
        <translation>Time range:</translation>
    </message>
    <message>
        <source>是否覆盖文件？</source>
        <translation>Overwrite the file?</translation>
    </message>
    <message>
        <source>文件保存</source>
        <translation>Save file</translation>
    </message>
    <message>
        <source>导出CSV</source>
        <translation>Export CSV</translation>
    </message>
    <message>
        <source>CSV文件(*.csv)</source>
        <translation>CSV files (*.csv)</translation>
    </message>
    <message>
        <source>文件保存失败:</source>
        <translation>Saving the file failed: </translation>
    </message>
    <message>
        <source>导出PNG</source>
        <translation>Export PNG</translation>
    </message>
    <message>
        <source>PNG图片(*.png)</source>
        <translation>PNG images (*.png)</translation>
    </message>
</context>
<context>
    <name>PortSettings</name>
    <message>
        <source>无效的串口设置 &quot;%1&quot;</source>
        <translation>Invalid port settings &quot;%1&quot;</translation>
    </message>
    <message>
        <source>无效的波特率 &quot;%1&quot;</source>
        <translation>Invalid baud rate &quot;%1&quot;</translation>
    </message>
    <message>
        <source>无效的校验位 &quot;%1&quot;</source>
        <translation>Invalid parity &quot;%1&quot;</translation>
    </message>
    <message>
        <source>无效的数据位 &quot;%1&quot;</source>
        <translation>Invalid data bits &quot;%1&quot;</translation>
    </message>
    <message>
        <source>无效的停止位 &quot;%1&quot;</source>
        <translation>Invalid stop bits &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>Receive</name>
    <message>
        <source>校验错误:</source>
        <translation>Checksum error:</translation>
    </message>
    <message>
        <source>帧不完整:</source>
        <translation>Incomplete frame:</translation>
    </message>
    <message>
        <source>无效数据:</source>
        <translation>Invalid data:</translation>
    </message>
    <message>
        <source>回波:</source>
        <translation>Echo:</translation>
    </message>
</context>
<context>
    <name>RecordLog</name>
    <message>
        <source>无法写入</source>
        <translation>cannot write</translation>
    </message>
    <message>
        <source>文件已被删除或移走</source>
        <translation>the file was deleted or moved</translation>
    </message>
    <message>
        <source>记录文件写入失败,记录已停止: %1 (%2)</source>
        <translation>Writing the log file failed, logging stopped: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>RegisterForm</name>
    <message>
        <source>偏移地址 &quot;%1&quot; 超出范围,请设置0-65500之间</source>
        <translation>The offset &quot;%1&quot; is out of range; set a value from 0 to 65500</translation>
    </message>
    <message>
        <source>请求帧太短,无法转换为寄存器格式</source>
        <translation>The request frame is too short to be converted to the register form</translation>
    </message>
    <message>
        <source>寄存器地址 %1 超出范围,偏移地址加命令码须在0-65535之间</source>
        <translation>Register address %1 is out of range: the offset plus the command code must be within 0 to 65535</translation>
    </message>
    <message>
        <source>数据长度 %1 超出范围,一次最多写 %2 个寄存器</source>
        <translation>Data length %1 is out of range: at most %2 registers can be written at once</translation>
    </message>
</context>
<context>
    <name>SeriesModel</name>
    <message>
        <source>运动速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>绝对位置</source>
        <translation>Absolute position</translation>
    </message>
    <message>
        <source>相对位置</source>
        <translation>Relative position</translation>
    </message>
    <message>
        <source>初速度</source>
        <translation>Initial speed</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Maximum speed</translation>
    </message>
    <message>
        <source>末速度</source>
        <translation>End speed</translation>
    </message>
    <message>
        <source>加速度</source>
        <translation>Acceleration</translation>
    </message>
    <message>
        <source>减速度</source>
        <translation>Deceleration</translation>
    </message>
    <message>
        <source>归零速度</source>
        <translation>Homing speed</translation>
    </message>
    <message>
        <source>运动状态</source>
        <translation>Motion status</translation>
    </message>
    <message>
        <source>左限</source>
        <translation>Left limit</translation>
    </message>
    <message>
        <source>零点</source>
        <translation>Origin</translation>
    </message>
    <message>
        <source>右限</source>
        <translation>Right limit</translation>
    </message>
</context>
<context>
    <name>Session</name>
    <message>
        <source>西门子标准格式:</source>
        <translation>Siemens standard format:</translation>
    </message>
</context>
<context>
    <name>WatchPanel</name>
    <message>
        <source>运动速度</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>绝对位置</source>
        <translation>Abs. position</translation>
    </message>
    <message>
        <source>相对位置</source>
        <translation>Rel. position</translation>
    </message>
    <message>
        <source>运动状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>查询IN</source>
        <translation>Inputs</translation>
    </message>
    <message>
        <source>初速度</source>
        <translation>Init. speed</translation>
    </message>
    <message>
        <source>最大速度</source>
        <translation>Max. speed</translation>
    </message>
    <message>
        <source>末速度</source>
        <translation>End speed</translation>
    </message>
    <message>
        <source>加速度</source>
        <translation>Accel.</translation>
    </message>
    <message>
        <source>减速度</source>
        <translation>Decel.</translation>
    </message>
    <message>
        <source>归零速度</source>
        <translation>Homing speed</translation>
    </message>
    <message>
        <source>自动查询</source>
        <translation>Automatic query</translation>
    </message>
    <message>
        <source>间隔:</source>
        <translation>Interval:</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
</context>
</TS>
