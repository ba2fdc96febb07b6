<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>brisvel</name>
    <message>
        <source>Connected</source>
        <translation>已连接设备</translation>
    </message>
    <message>
        <source>Not connect</source>
        <translation>未连接设备</translation>
    </message>
    <message>
        <source>%1 changes not yet sent</source>
        <translation>%1 项更改尚未发送到设备</translation>
    </message>
    <message>
        <source>Sound mixing</source>
        <translation>混音调节</translation>
    </message>
    <message>
        <source>Car audio effect file</source>
        <translation>车载场景文件</translation>
    </message>
    <message>
        <source>Prompt</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>Notice</source>
        <translation>注意</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>消息</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Yes</source>
        <translation>是</translation>
    </message>
    <message>
        <source>No</source>
        <translation>否</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>File</source>
        <translation>文件</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>配置</translation>
    </message>
    <message>
        <source>Memory</source>
        <translation>记忆</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>高级</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>My Preset</source>
        <translation>我的预设</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>语言</translation>
    </message>
    <message>
        <source>English</source>
        <translation>English</translation>
    </message>
    <message>
        <source>Master</source>
        <translation>主音量</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Not available on this processor</source>
        <translation>此处理器不支持</translation>
    </message>
    <message>
        <source>Input 1</source>
        <translation>输入1</translation>
    </message>
    <message>
        <source>Input 2</source>
        <translation>输入2</translation>
    </message>
    <message>
        <source>Input 3</source>
        <translation>输入3</translation>
    </message>
    <message>
        <source>Input 4</source>
        <translation>输入4</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>Couplet</source>
        <translation>联调</translation>
    </message>
    <message>
        <source>NPhase</source>
        <translation>正相</translation>
    </message>
    <message>
        <source>RPhase</source>
        <translation>反相</translation>
    </message>
    <message>
        <source>Sub</source>
        <translation>低音</translation>
    </message>
    <message>
        <source>Preset</source>
        <translation>预设</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Mute all</source>
        <translation>全部静音</translation>
    </message>
    <message>
        <source>Phase</source>
        <translation>相位</translation>
    </message>
    <message>
        <source>Volume up</source>
        <translation>音量加</translation>
    </message>
    <message>
        <source>Volume down</source>
        <translation>音量减</translation>
    </message>
    <message>
        <source>Limiter</source>
        <translation>限幅器</translation>
    </message>
    <message>
        <source>Grouping</source>
        <translation>联调</translation>
    </message>
    <message>
        <source>Levels</source>
        <translation>电平</translation>
    </message>
    <message>
        <source>Equaliser bands</source>
        <translation>均衡频段</translation>
    </message>
    <message>
        <source>Freq</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Gain</source>
        <translation>增益</translation>
    </message>
    <message>
        <source>ResetEQ</source>
        <translation>复位EQ</translation>
    </message>
    <message>
        <source>BypassEQ</source>
        <translation>旁通EQ</translation>
    </message>
    <message>
        <source>Control gallery</source>
        <translation>控件一览</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>进度</translation>
    </message>
    <message>
        <source>CH1&amp;&amp;CH2Grouping</source>
        <translation>CH1&amp;&amp;CH2联调</translation>
    </message>
    <message>
        <source>CH3&amp;&amp;CH4Grouping</source>
        <translation>CH3&amp;&amp;CH4联调</translation>
    </message>
    <message>
        <source>CH5&amp;&amp;CH6Grouping</source>
        <translation>CH5&amp;&amp;CH6联调</translation>
    </message>
    <message>
        <source>Device not connected</source>
        <translation>设备未连接</translation>
    </message>
    <message>
        <source>Recall device mode failed</source>
        <translation>调用设备模式失败</translation>
    </message>
    <message>
        <source>No device detected!</source>
        <translation>未检测到设备！</translation>
    </message>
    <message>
        <source>Fail to connect device!</source>
        <translation>连接设备失败！</translation>
    </message>
    <message>
        <source>Factory allocation</source>
        <translation>出厂配置</translation>
    </message>
    <message>
        <source>Batch export failure</source>
        <translation>批量导出失败</translation>
    </message>
    <message>
        <source>Batch import failure</source>
        <translation>批量导入失败</translation>
    </message>
    <message>
        <source>Batch import success</source>
        <translation>批量导入成功</translation>
    </message>
    <message>
        <source>Exporting the scene successfully</source>
        <translation>导出场景成功</translation>
    </message>
    <message>
        <source>Cannot replace the current selected scene!</source>
        <translation>不能替换当前选中的场景！</translation>
    </message>
    <message>
        <source>HPF</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>LPF</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>4 Channel</source>
        <translation>4声道</translation>
    </message>
    <message>
        <source>2 Channel</source>
        <translation>2声道</translation>
    </message>
    <message>
        <source>At.Time</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <source>Re.Time</source>
        <translation>释放时间</translation>
    </message>
    <message>
        <source>NoiseGate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>HP Type</source>
        <translation>高通类型</translation>
    </message>
    <message>
        <source>HP Freq</source>
        <translation>高通频率</translation>
    </message>
    <message>
        <source>HP Slope</source>
        <translation>高通斜率</translation>
    </message>
    <message>
        <source>LP Type</source>
        <translation>低通类型</translation>
    </message>
    <message>
        <source>LP Freq</source>
        <translation>低通频率</translation>
    </message>
    <message>
        <source>LP Slope</source>
        <translation>低通斜率</translation>
    </message>
    <message>
        <source>Please select one or more vehicle scene files</source>
        <translation>请选择一个或多个车载场景文件</translation>
    </message>
    <message>
        <source>%d scene file reads failed:%s
</source>
        <translation>%d个场景文件读取失败：%s
</translation>
    </message>
    <message>
        <source>%d scene file add failures:%s
</source>
        <translation>%d个场景文件添加失败：%s
</translation>
    </message>
    <message>
        <source>%d scenes have already existed：%s</source>
        <translation>%d个场景已经存在：%s</translation>
    </message>
    <message>
        <source>CH1~CH4Grouping</source>
        <translation>CH1~CH4联调</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>序号</translation>
    </message>
    <message>
        <source>Link groups</source>
        <translation>联调分组</translation>
    </message>
    <message>
        <source>Band hold-back</source>
        <translation>频段保留</translation>
    </message>
    <message>
        <source>Mute (%1)</source>
        <translation>静音 (%1)</translation>
    </message>
    <message>
        <source>Bypass EQ</source>
        <translation>EQ 直通</translation>
    </message>
    <message>
        <source>Master volume</source>
        <translation>总音量</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>编辑</translation>
    </message>
    <message>
        <source>Edit (%1)</source>
        <translation>编辑 (%1)</translation>
    </message>
    <message>
        <source>Link %1 on %2</source>
        <translation>联调 %1，以 %2 为基准</translation>
    </message>
    <message>
        <source>ResetEQ %1</source>
        <translation>EQ 复位 %1</translation>
    </message>
    <message>
        <source>Delays from car view</source>
        <translation>按车内位置设置延时</translation>
    </message>
    <message>
        <source>Fit %1</source>
        <translation>自动拟合 %1</translation>
    </message>
    <message>
        <source>Filter import %1</source>
        <translation>导入滤波器 %1</translation>
    </message>
    <message>
        <source>PC mode recalled: %1</source>
        <translation>调用电脑场景：%1</translation>
    </message>
    <message>
        <source>Copy %1 to %2</source>
        <translation>复制 %1 到 %2</translation>
    </message>
    <message>
        <source>The latest changes could not be sent to the processor, so nothing was saved. Check the connection and try again.</source>
        <translation>最近的修改未能发送到处理器，因此没有保存任何内容。请检查连接后重试。</translation>
    </message>
    <message>
        <source>%1 volume</source>
        <translation>%1 音量</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Volume (%1)</source>
        <translation>音量 (%1)</translation>
    </message>
    <message>
        <source>%1 delay</source>
        <translation>%1 延时</translation>
    </message>
    <message>
        <source>Delay</source>
        <translation>延时</translation>
    </message>
    <message>
        <source>Delay (%1)</source>
        <translation>延时 (%1)</translation>
    </message>
    <message>
        <source>%1 high-pass type</source>
        <translation>%1 高通类型</translation>
    </message>
    <message>
        <source>High-pass type</source>
        <translation>高通类型</translation>
    </message>
    <message>
        <source>High-pass type (%1)</source>
        <translation>高通类型 (%1)</translation>
    </message>
    <message>
        <source>%1 high-pass frequency</source>
        <translation>%1 高通频率</translation>
    </message>
    <message>
        <source>High-pass frequency</source>
        <translation>高通频率</translation>
    </message>
    <message>
        <source>High-pass frequency (%1)</source>
        <translation>高通频率 (%1)</translation>
    </message>
    <message>
        <source>%1 low-pass type</source>
        <translation>%1 低通类型</translation>
    </message>
    <message>
        <source>Low-pass type</source>
        <translation>低通类型</translation>
    </message>
    <message>
        <source>Low-pass type (%1)</source>
        <translation>低通类型 (%1)</translation>
    </message>
    <message>
        <source>%1 low-pass frequency</source>
        <translation>%1 低通频率</translation>
    </message>
    <message>
        <source>Low-pass frequency</source>
        <translation>低通频率</translation>
    </message>
    <message>
        <source>Low-pass frequency (%1)</source>
        <translation>低通频率 (%1)</translation>
    </message>
    <message>
        <source>%1 frequency</source>
        <translation>%1 频率</translation>
    </message>
    <message>
        <source>Frequency</source>
        <translation>频率</translation>
    </message>
    <message>
        <source>Frequency (%1)</source>
        <translation>频率 (%1)</translation>
    </message>
    <message>
        <source>Band %1 frequency (%2)</source>
        <translation>第%1段 频率 (%2)</translation>
    </message>
    <message>
        <source>%1 Q</source>
        <translation>%1 Q值</translation>
    </message>
    <message>
        <source>Q</source>
        <translation>Q值</translation>
    </message>
    <message>
        <source>Q (%1)</source>
        <translation>Q值 (%1)</translation>
    </message>
    <message>
        <source>Band %1 Q (%2)</source>
        <translation>第%1段 Q值 (%2)</translation>
    </message>
    <message>
        <source>%1 gain</source>
        <translation>%1 增益</translation>
    </message>
    <message>
        <source>Gain (%1)</source>
        <translation>增益 (%1)</translation>
    </message>
    <message>
        <source>Band %1 gain (%2)</source>
        <translation>第%1段 增益 (%2)</translation>
    </message>
    <message>
        <source>%1 limiter threshold</source>
        <translation>%1 限幅阈值</translation>
    </message>
    <message>
        <source>Limiter threshold</source>
        <translation>限幅阈值</translation>
    </message>
    <message>
        <source>Limiter threshold (%1)</source>
        <translation>限幅阈值 (%1)</translation>
    </message>
    <message>
        <source>%1 attack time</source>
        <translation>%1 启动时间</translation>
    </message>
    <message>
        <source>Attack time</source>
        <translation>启动时间</translation>
    </message>
    <message>
        <source>Attack time (%1)</source>
        <translation>启动时间 (%1)</translation>
    </message>
    <message>
        <source>%1 release time</source>
        <translation>%1 释放时间</translation>
    </message>
    <message>
        <source>Release time</source>
        <translation>释放时间</translation>
    </message>
    <message>
        <source>Release time (%1)</source>
        <translation>释放时间 (%1)</translation>
    </message>
    <message>
        <source>%1 noise gate</source>
        <translation>%1 噪声门</translation>
    </message>
    <message>
        <source>Noise gate</source>
        <translation>噪声门</translation>
    </message>
    <message>
        <source>Noise gate (%1)</source>
        <translation>噪声门 (%1)</translation>
    </message>
    <message>
        <source>Rename...</source>
        <translation>重命名...</translation>
    </message>
    <message>
        <source>Rename channel</source>
        <translation>重命名通道</translation>
    </message>
    <message>
        <source>Name of %1&apos;s speaker (empty: none):</source>
        <translation>%1 的扬声器名称（留空：无）：</translation>
    </message>
    <message>
        <source>No processor is connected</source>
        <translation>未连接处理器</translation>
    </message>
    <message>
        <source>The processor did not report its information</source>
        <translation>处理器未报告其信息</translation>
    </message>
    <message>
        <source>Processor %1 (%2), dated %3</source>
        <translation>处理器 %1 (%2)，日期 %3</translation>
    </message>
    <message>
        <source>The input levels and selectors are not available on this processor</source>
        <translation>此处理器不支持输入电平和输入选择</translation>
    </message>
    <message>
        <source>Copy channel to...</source>
        <translation>复制通道到...</translation>
    </message>
    <message>
        <source>Copy channel</source>
        <translation>复制通道</translation>
    </message>
    <message>
        <source>From %1</source>
        <translation>来源：%1</translation>
    </message>
    <message>
        <source>Parts to copy</source>
        <translation>复制的内容</translation>
    </message>
    <message>
        <source>Crossovers</source>
        <translation>分频</translation>
    </message>
    <message>
        <source>EQ</source>
        <translation>均衡</translation>
    </message>
    <message>
        <source>Polarity</source>
        <translation>极性</translation>
    </message>
    <message>
        <source>To the channels</source>
        <translation>目标通道</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>HP presets</source>
        <translation>高通预设</translation>
    </message>
    <message>
        <source>LP presets</source>
        <translation>低通预设</translation>
    </message>
    <message>
        <source>Crossover presets of the high-pass: type, slope and frequency in one step</source>
        <translation>高通分频预设：一步设定类型、斜率和频率</translation>
    </message>
    <message>
        <source>Crossover presets of the low-pass: type, slope and frequency in one step</source>
        <translation>低通分频预设：一步设定类型、斜率和频率</translation>
    </message>
    <message>
        <source>Keep this high-pass as a preset</source>
        <translation>将当前高通存为预设</translation>
    </message>
    <message>
        <source>Keep this low-pass as a preset</source>
        <translation>将当前低通存为预设</translation>
    </message>
    <message>
        <source>Remove my high-pass presets</source>
        <translation>删除我的高通预设</translation>
    </message>
    <message>
        <source>Remove my low-pass presets</source>
        <translation>删除我的低通预设</translation>
    </message>
    <message>
        <source>Crossover %1</source>
        <translation>分频 %1</translation>
    </message>
    <message>
        <source>Position of</source>
        <translation>位置</translation>
    </message>
    <message>
        <source>Listener</source>
        <translation>听音位</translation>
    </message>
    <message>
        <source>Across</source>
        <translation>横向</translation>
    </message>
    <message>
        <source>Along</source>
        <translation>纵向</translation>
    </message>
    <message>
        <source>Driver</source>
        <translation>驾驶位</translation>
    </message>
    <message>
        <source>Passenger</source>
        <translation>副驾驶位</translation>
    </message>
    <message>
        <source>Centre</source>
        <translation>中间</translation>
    </message>
    <message>
        <source>Send the delays the positions give to the processor</source>
        <translation>把这些位置得出的延时发送到处理器</translation>
    </message>
    <message>
        <source>The delays beside the speakers are applied: the processor holds them</source>
        <translation>扬声器旁的延时已应用：处理器正使用这些延时</translation>
    </message>
    <message>
        <source>The delays beside the speakers are computed only: move something or press Apply</source>
        <translation>扬声器旁的延时仅为计算值：移动任一位置或按“应用”</translation>
        <source>Open scene…</source>
        <translation>打开场景…</translation>
    </message>
    <message>
        <source>Save scene as…</source>
        <translation>场景另存为…</translation>
    </message>
    <message>
        <source>Open scene</source>
        <translation>打开场景</translation>
    </message>
    <message>
        <source>Save scene as</source>
        <translation>场景另存为</translation>
    </message>
    <message>
        <source>Scene opened: %1</source>
        <translation>打开场景：%1</translation>
    </message>
    <message>
        <source>The scene was opened, but the processor did not take it. Check the connection.</source>
        <translation>场景已打开，但处理器未接收。请检查连接。</translation>
    </message>
    <message>
        <source>A PC mode named &quot;%1&quot; already exists. Replace it, keep both (the new one as &quot;%2&quot;), or skip this scene?</source>
        <translation>名为“%1”的电脑场景已存在。替换它、两个都保留（新的命名为“%2”），还是跳过此场景？</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>替换</translation>
    </message>
    <message>
        <source>Keep both</source>
        <translation>都保留</translation>
    </message>
    <message>
        <source>Skip</source>
        <translation>跳过</translation>
    </message>
    <message>
        <source>Sum</source>
        <translation>总和</translation>
    </message>
    <message>
        <source>Sum of...</source>
        <translation>选择通道</translation>
    </message>
    <message>
        <source>Draw the sum of the chosen channels where they meet</source>
        <translation>绘制所选通道在聆听位置的合成响应</translation>
    </message>
    <message>
        <source>Which channels the sum adds</source>
        <translation>合成响应包含哪些通道</translation>
    </message>
    <message>
        <source>Sum %1</source>
        <translation>总和 %1</translation>
    </message>
    <message>
        <source>(with the measured phases)</source>
        <translation>（含测量相位）</translation>
    </message>
    <message>
        <source>Tuning report…</source>
        <translation>调音报告…</translation>
    </message>
    <message>
        <source>Tuning report</source>
        <translation>调音报告</translation>
    </message>
    <message>
        <source>PDF document</source>
        <translation>PDF 文档</translation>
    </message>
    <message>
        <source>The tuning report was written to %1 and %2.</source>
        <translation>调音报告已写入 %1 和 %2。</translation>
    </message>
    <message>
        <source>%1 could not be written: %2</source>
        <translation>无法写入 %1：%2</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>数值</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Processor</source>
        <translation>处理器</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>通道</translation>
    </message>
    <message>
        <source>High-pass</source>
        <translation>高通</translation>
    </message>
    <message>
        <source>Low-pass</source>
        <translation>低通</translation>
    </message>
    <message>
        <source>EQ bypass</source>
        <translation>EQ 旁通</translation>
    </message>
    <message>
        <source>Limiter attack</source>
        <translation>限幅启动时间</translation>
    </message>
    <message>
        <source>Limiter release</source>
        <translation>限幅释放时间</translation>
    </message>
    <message>
        <source>EQ curve</source>
        <translation>EQ 曲线</translation>
    </message>
    <message>
        <source>EQ curves of all channels</source>
        <translation>所有通道的 EQ 曲线</translation>
    </message>
    <message>
        <source>Band</source>
        <translation>频段</translation>
    </message>
    <message>
        <source>Summed responses</source>
        <translation>合成响应</translation>
    </message>
    <message>
        <source>Measurements</source>
        <translation>测量</translation>
    </message>
    <message>
        <source>muted</source>
        <translation>已静音</translation>
    </message>
    <message>
        <source>not muted</source>
        <translation>未静音</translation>
    </message>
    <message>
        <source>inverted</source>
        <translation>反相</translation>
    </message>
    <message>
        <source>normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>bypassed</source>
        <translation>已旁通</translation>
    </message>
    <message>
        <source>off</source>
        <translation>关</translation>
    </message>
    <message>
        <source>factory setting</source>
        <translation>出厂配置</translation>
    </message>
    <message>
        <source>Measure in the car</source>
        <translation>车内测量</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message>
        <source>Input</source>
        <translation>输入</translation>
    </message>
    <message>
        <source>Simulated car (no sound card)</source>
        <translation>模拟车厢（无需声卡）</translation>
    </message>
    <message>
        <source>Calibration</source>
        <translation>校准</translation>
    </message>
    <message>
        <source>Calibration file...</source>
        <translation>校准文件...</translation>
    </message>
    <message>
        <source>Level</source>
        <translation>电平</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>开始</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>停止</translation>
    </message>
    <message>
        <source>Set delays</source>
        <translation>设置延时</translation>
    </message>
    <message>
        <source>Fit...</source>
        <translation>拟合...</translation>
    </message>
    <message>
        <source>Impulse responses</source>
        <translation>脉冲响应</translation>
    </message>
    <message>
        <source>Responses</source>
        <translation>频率响应</translation>
    </message>
    <message>
        <source>Microphone calibration</source>
        <translation>麦克风校准</translation>
    </message>
    <message>
        <source>Calibration file</source>
        <translation>校准文件</translation>
    </message>
    <message>
        <source>This is no calibration file: %1</source>
        <translation>这不是校准文件：%1</translation>
    </message>
    <message>
        <source>Connect the processor to measure</source>
        <translation>请先连接处理器再测量</translation>
    </message>
    <message>
        <source>Choose the simulated car or sound devices for both</source>
        <translation>输出和输入请同时选择模拟车厢或声卡</translation>
    </message>
    <message>
        <source>Measuring...</source>
        <translation>正在测量...</translation>
    </message>
    <message>
        <source>Measuring %1...</source>
        <translation>正在测量 %1...</translation>
    </message>
    <message>
        <source>%1 channels measured</source>
        <translation>已测量 %1 个通道</translation>
    </message>
    <message>
        <source>Stopped; the mutes are as they were</source>
        <translation>已停止；静音已恢复原状</translation>
    </message>
    <message>
        <source>The processor's mutes could not be put back.</source>
        <translation>处理器的静音未能恢复。</translation>
    </message>
    <message>
        <source>%1 %2 ms</source>
        <translation>%1 %2 毫秒</translation>
    </message>
    <message>
        <source>Arrivals against the first: %1</source>
        <translation>相对第一个通道的到达时间：%1</translation>
    </message>
    <message>
        <source>The delays were set from the arrivals</source>
        <translation>已根据到达时间设置延时</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>时间窗</translation>
    </message>
    <message>
        <source>Average with the last positions</source>
        <translation>与前几个位置平均</translation>
    </message>
    <message>
        <source>(%1 positions averaged)</source>
        <translation>（已平均 %1 个位置）</translation>
    </message>
    <message>
        <source>1/24 octave</source>
        <translation>1/24 倍频程</translation>
    </message>
    <message>
        <source>10 ms</source>
        <translation>10 毫秒</translation>
    </message>
    <message>
        <source>20 ms</source>
        <translation>20 毫秒</translation>
    </message>
    <message>
        <source>50 ms</source>
        <translation>50 毫秒</translation>
    </message>
    <message>
        <source>100 ms</source>
        <translation>100 毫秒</translation>
    </message>
    <message>
        <source>200 ms</source>
        <translation>200 毫秒</translation>
    </message>
</context>
<context>
    <name>brisvel</name>
    <message>
        <source>Advanced Login</source>
        <translation>高级登录</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Please enter password</source>
        <translation>请输入密码</translation>
    </message>
    <message>
        <source>Password is incorrect</source>
        <translation>密码错误</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Initialization interface resource failure</source>
        <translation>初始化界面资源失败</translation>
    </message>
    <message>
        <source>ERROR</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>The settings file config.ini could not be read completely. To keep what it holds, settings will not be saved this run.</source>
        <translation>config.ini 设置文件无法完整读取。为保留其中的内容，本次运行不会保存设置。</translation>
    </message>
    <message>
        <source>The settings could not be saved to config.ini; it may be read-only. The reason is in the debug log.</source>
        <translation>无法将设置保存到 config.ini，该文件可能是只读的。原因已记录在调试日志中。</translation>
    </message>
    <message>
        <source>The processor is attached, but this user has no permission to open it.
Install the udev rule 70-brisvel-dsp.rules and plug the processor in again;
&quot;brisvelctl doctor&quot; shows what is wrong and how to fix it.</source>
        <translation>已检测到处理器，但当前用户无权打开它。
请安装 udev 规则 70-brisvel-dsp.rules 并重新插入处理器；
“brisvelctl doctor”会显示问题所在及解决方法。</translation>
    </message>
    <message>
        <source>Import the scene &quot;%1&quot; from %2 as a new PC mode?</source>
        <translation>是否将 %2 中的场景“%1”导入为新的电脑场景？</translation>
    </message>
    <message>
        <source>A scenario with the same name already exists,Do you want to continue importing?</source>
        <translation>已存在同名场景，是否继续导入？</translation>
    </message>
    <message>
        <source>The scene file cannot be read or holds no valid scene:
%1</source>
        <translation>无法读取场景文件，或文件中没有有效的场景：
%1</translation>
    </message>
    <message>
        <source>The scene &quot;%1&quot; was added to the PC modes.</source>
        <translation>场景“%1”已添加到电脑场景。</translation>
    </message>
    <message>
        <source>The PC mode could not be written to config.ini.</source>
        <translation>电脑场景无法写入 config.ini。</translation>
    </message>
    <message>
        <source>Batch scene files (.bae) are written into the processor&#x27;s device modes with &quot;Batch imp&quot; in the settings.</source>
        <translation>批量场景文件（.bae）请在设置中用“批量导入”写入处理器的设备模式。</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation>撤销 %1</translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation>重做 %1</translation>
    </message>
    <message>
        <source>Copy A to B</source>
        <translation>把 A 复制到 B</translation>
    </message>
    <message>
        <source>Copy B to A</source>
        <translation>把 B 复制到 A</translation>
    </message>
    <message>
        <source>A/B comparison: switch between two settings (right click to copy)</source>
        <translation>A/B 对比：在两套设置之间切换（右键复制）</translation>
    </message>
    <message>
        <source>The settings were changed while no processor was connected, and the processor holds other settings.</source>
        <translation>未连接处理器时修改了设置，而处理器中的设置与之不同。</translation>
    </message>
    <message>
        <source>Keep the processor&#x27;s settings</source>
        <translation>保留处理器的设置</translation>
    </message>
    <message>
        <source>Send my settings to the processor</source>
        <translation>把我的设置发送到处理器</translation>
    </message>
    <message>
        <source>Show differences</source>
        <translation>显示差异</translation>
    </message>
    <message>
        <source>My settings -&gt; the processor&#x27;s settings</source>
        <translation>我的设置 -&gt; 处理器的设置</translation>
    </message>
    <message>
        <source>Device Preset</source>
        <translation>设备预设</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>设置</translation>
    </message>
    <message>
        <source>Load</source>
        <translation>加载</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>删除</translation>
    </message>
    <message>
        <source>Import</source>
        <translation>导入</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>导出</translation>
    </message>
    <message>
        <source>Recall</source>
        <translation>调用</translation>
    </message>
    <message>
        <source>Batch imp</source>
        <translation>批量导入</translation>
    </message>
    <message>
        <source>Batch exp</source>
        <translation>批量导出</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>Dev Mode</source>
        <translation>设备模式</translation>
    </message>
    <message>
        <source>PC Mode</source>
        <translation>电脑模式</translation>
    </message>
    <message>
        <source>Upgrade</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>Current software version:</source>
        <translation>当前软件版本：</translation>
    </message>
    <message>
        <source>Save Current</source>
        <translation>保存当前</translation>
    </message>
    <message>
        <source>Import scenario</source>
        <translation>导入场景</translation>
    </message>
    <message>
        <source>Export scene</source>
        <translation>导出场景</translation>
    </message>
    <message>
        <source>Batch import scenario</source>
        <translation>批量导入场景</translation>
    </message>
    <message>
        <source>Batch export scenario</source>
        <translation>批量导出场景</translation>
    </message>
    <message>
        <source>Check the update</source>
        <translation>检查更新</translation>
    </message>
    <message>
        <source>Sending data to device...</source>
        <translation>正在向设备发送数据...</translation>
    </message>
    <message>
        <source>Device mode</source>
        <translation>设备模式</translation>
    </message>
    <message>
        <source>PC mode</source>
        <translation>电脑模式</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>名称</translation>
    </message>
    <message>
        <source>A scene that does not choose to replace!</source>
        <translation>没有选择要替换的场景！</translation>
    </message>
    <message>
        <source>Do you want to replace the selected device mode?</source>
        <translation>是否替换所选的设备模式？</translation>
    </message>
    <message>
        <source>Save successfully</source>
        <translation>保存成功</translation>
    </message>
    <message>
        <source>Save failed</source>
        <translation>保存失败</translation>
    </message>
    <message>
        <source>Unselected scene!</source>
        <translation>未选择场景！</translation>
    </message>
    <message>
        <source>Name cannot be empty</source>
        <translation>名称不能为空</translation>
    </message>
    <message>
        <source>A scene with the same name already exists</source>
        <translation>已存在同名场景</translation>
    </message>
    <message>
        <source>Call the computer scene successfully!</source>
        <translation>调用电脑场景成功！</translation>
    </message>
    <message>
        <source>Recall PC mode failed</source>
        <translation>调用电脑模式失败</translation>
    </message>
    <message>
        <source>No selection of the scene to delete!</source>
        <translation>没有选择要删除的场景！</translation>
    </message>
    <message>
        <source>Whether you want to delete the selected scene?</source>
        <translation>是否删除所选场景？</translation>
    </message>
    <message>
        <source>It's the latest version!</source>
        <translation>已经是最新版本！</translation>
    </message>
    <message>
        <source>Do not choose to come out of the scene!</source>
        <translation>没有选择要导出的场景！</translation>
    </message>
    <message>
        <source>Failed to export effect to file</source>
        <translation>导出场景文件失败</translation>
    </message>
    <message>
        <source>%d scene files imported successfully.
</source>
        <translation>%d个场景文件导入成功。
</translation>
    </message>
    <message>
        <source>The PC modes could not be saved:
%1</source>
        <translation>电脑模式无法保存：
%1</translation>
    </message>
    <message>
        <source>These PC modes in config.ini cannot be read. They are kept in the file as they are:%1</source>
        <translation>config.ini 中的这些电脑模式无法读取，已按原样保留在文件中：%1</translation>
    </message>
</context>
<context>
    <name>brisvel</name>
    <message>
        <source>Measurement and fit</source>
        <translation>测量与拟合</translation>
    </message>
    <message>
        <source>Measurement</source>
        <translation>测量曲线</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>Import...</source>
        <translation>导入...</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>移除</translation>
    </message>
    <message>
        <source>Smoothing</source>
        <translation>平滑</translation>
    </message>
    <message>
        <source>1/3 octave</source>
        <translation>1/3 倍频程</translation>
    </message>
    <message>
        <source>1/6 octave</source>
        <translation>1/6 倍频程</translation>
    </message>
    <message>
        <source>1/12 octave</source>
        <translation>1/12 倍频程</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>目标曲线</translation>
    </message>
    <message>
        <source>Flat</source>
        <translation>平直</translation>
    </message>
    <message>
        <source>Car</source>
        <translation>车载</translation>
    </message>
    <message>
        <source>Target file...</source>
        <translation>目标文件...</translation>
    </message>
    <message>
        <source>LF gain (dB)</source>
        <translation>低频提升 (dB)</translation>
    </message>
    <message>
        <source>Corner (Hz)</source>
        <translation>转折频率 (Hz)</translation>
    </message>
    <message>
        <source>Tilt (dB/oct)</source>
        <translation>倾斜 (dB/倍频程)</translation>
    </message>
    <message>
        <source>Range (Hz)</source>
        <translation>拟合范围 (Hz)</translation>
    </message>
    <message>
        <source>to</source>
        <translation>至</translation>
    </message>
    <message>
        <source>Max boost (dB)</source>
        <translation>最大提升 (dB)</translation>
    </message>
    <message>
        <source>Export filters...</source>
        <translation>导出滤波器...</translation>
    </message>
    <message>
        <source>Import filters...</source>
        <translation>导入滤波器...</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>拟合</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>RMS %1 dB, max %2 dB</source>
        <translation>均方根 %1 dB，最大 %2 dB</translation>
    </message>
    <message>
        <source>Before: %1</source>
        <translation>拟合前：%1</translation>
    </message>
    <message>
        <source>After: %1</source>
        <translation>拟合后：%1</translation>
    </message>
    <message>
        <source>%1 filters taken.</source>
        <translation>已采用 %1 个滤波器。</translation>
    </message>
    <message>
        <source>Changed to fit the processor:</source>
        <translation>为适应设备而调整：</translation>
    </message>
    <message>
        <source>Not taken:</source>
        <translation>未采用：</translation>
    </message>
    <message>
        <source>Write these bands to the channel?</source>
        <translation>将这些频段写入该通道？</translation>
    </message>
    <message>
        <source>Import measurement</source>
        <translation>导入测量曲线</translation>
    </message>
    <message>
        <source>Target file</source>
        <translation>目标文件</translation>
    </message>
    <message>
        <source>Export filters</source>
        <translation>导出滤波器</translation>
    </message>
    <message>
        <source>Import filters</source>
        <translation>导入滤波器</translation>
    </message>
    <message>
        <source>Measurements (*.txt *.frd *.csv *.dat);;All files (*)</source>
        <translation>测量文件 (*.txt *.frd *.csv *.dat);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Filter text (*.txt);;CSV (*.csv)</source>
        <translation>滤波器文本 (*.txt);;CSV (*.csv)</translation>
    </message>
    <message>
        <source>Filter sets (*.txt *.csv);;All files (*)</source>
        <translation>滤波器文件 (*.txt *.csv);;所有文件 (*)</translation>
    </message>
    <message>
        <source>%1: the file is too large</source>
        <translation>%1：文件过大</translation>
    </message>
    <message>
        <source>The measurement was not read: %1: %2</source>
        <translation>测量曲线未能读取：%1：%2</translation>
    </message>
    <message>
        <source>%1 points read.</source>
        <translation>已读取 %1 个点。</translation>
    </message>
    <message>
        <source>The target was not read: %1: %2</source>
        <translation>目标曲线未能读取：%1：%2</translation>
    </message>
    <message>
        <source>Import a measurement of this channel first.</source>
        <translation>请先导入该通道的测量曲线。</translation>
    </message>
    <message>
        <source>The measurement does not cover the range.</source>
        <translation>测量曲线未覆盖拟合范围。</translation>
    </message>
    <message>
        <source>Fitted: Apply writes the bands.</source>
        <translation>拟合完成：点击应用写入频段。</translation>
    </message>
    <message>
        <source>No better setting was found.</source>
        <translation>未找到更好的设置。</translation>
    </message>
    <message>
        <source>The fitted bands were written.</source>
        <translation>拟合的频段已写入。</translation>
    </message>
    <message>
        <source>The filters were not written: %1</source>
        <translation>滤波器未能写入：%1</translation>
    </message>
    <message>
        <source>Filters written to %1.</source>
        <translation>滤波器已写入 %1。</translation>
    </message>
    <message>
        <source>The filters were not read: %1: %2</source>
        <translation>滤波器未能读取：%1：%2</translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation>未做任何更改。</translation>
    </message>
    <message>
        <source>Predicted result</source>
        <translation>预测结果</translation>
    </message>
    <message>
        <source>EQ (bands)</source>
        <translation>均衡（频段）</translation>
    </message>
    <message>
        <source>Bands</source>
        <translation>频段数</translation>
    </message>
    <message>
        <source>Apply fit</source>
        <translation>应用拟合</translation>
    </message>
    <message>
        <source>%1 points read, %2 Hz to %3 Hz.</source>
        <translation>已读取 %1 个点，%2 Hz 至 %3 Hz。</translation>
    </message>
    <message>
        <source>Fitted over %1 to %2 Hz (the channel's passband is %3 to %4 Hz): %5 bands used, summed boost at most %6 dB. Apply writes the bands.</source>
        <translation>已在 %1 至 %2 Hz 内拟合（该通道的通带为 %3 至 %4 Hz）：使用 %5 个频段，总提升最多 %6 dB。点击应用写入频段。</translation>
    </message>
    <message>
        <source>The fitted bands boost the channel by up to %1 dB.</source>
        <translation>拟合的频段使该通道最多提升 %1 dB。</translation>
    </message>
    <message>
        <source>They change the response beyond the channel's crossover (below %1 Hz or above %2 Hz) by up to %3 dB.</source>
        <translation>它们使该通道分频点以外（低于 %1 Hz 或高于 %2 Hz）的响应最多改变 %3 dB。</translation>
    </message>
    <message>
        <source>Write them to the channel all the same?</source>
        <translation>仍要写入该通道吗？</translation>
    </message>
    <message>
        <source>Q is read as filter files give it, the standard Q of a peaking filter; the band table shows three times that value.</source>
        <translation>Q 值按滤波器文件给出的方式读取，即峰值滤波器的标准 Q；频段表显示的是该值的三倍。</translation>
    </message>
    <message>
        <source>Filter files take Q as measurement programs do: the band table shows three times that Q.</source>
        <translation>滤波器文件中的 Q 与测量软件一致：频段表显示的是该 Q 的三倍。</translation>
    </message>
</context>
</TS>
