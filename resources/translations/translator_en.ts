<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>brisvel</name>
    <message>
        <source>进度</source>
        <translation>Progress</translation>
    </message>
    <message>
        <source>混音调节</source>
        <translation>Sound mixing</translation>
    </message>
    <message>
        <source>出厂配置</source>
        <translation>Factory allocation</translation>
    </message>
    <message>
        <source>批量导出失败</source>
        <translation>Batch export failure</translation>
    </message>
    <message>
        <source>批量导入失败</source>
        <translation>Batch import failure</translation>
    </message>
    <message>
        <source>批量导入成功</source>
        <translation>Batch import success</translation>
    </message>
    <message>
        <source>已连接设备</source>
        <translation>Connected</translation>
    </message>
    <message>
        <source>未连接设备</source>
        <translation>Not connect</translation>
    </message>
    <message>
        <source>%1 changes not yet sent</source>
        <translation>%1 changes not yet sent</translation>
    </message>
    <message>
        <source>车载场景文件</source>
        <translation>Car audio effect file</translation>
    </message>
    <message>
        <source>简体中文</source>
        <translation>简体中文</translation>
    </message>
    <message>
        <source>中文简体</source>
        <translation>中文简体</translation>
    </message>
    <message>
        <source>EQ增益调得太大，可能会爆音！</source>
        <translation>The EQ gain is set too high and may cause popping!</translation>
    </message>
    <message>
        <source>%d个场景文件导入成功。
</source>
        <translation>%d scene files imported successfully.
</translation>
    </message>
    <message>
        <source>%d个场景文件读取失败：%s
</source>
        <translation>%d scene file reads failed:%s
</translation>
    </message>
    <message>
        <source>%d个场景文件添加失败：%s
</source>
        <translation>%d scene file add failures:%s
</translation>
    </message>
    <message>
        <source>%d个场景已经存在：%s</source>
        <translation>%d scenes have already existed：%s</translation>
    </message>
    <message>
        <source>不联调</source>
        <translation>No Grouping</translation>
    </message>
    <message>
        <source>以CH1前左为基准</source>
        <translation>Base of CH1</translation>
    </message>
    <message>
        <source>以CH2前右为基准</source>
        <translation>Base of CH2</translation>
    </message>
    <message>
        <source>以CH3后左为基准</source>
        <translation>Base of CH3</translation>
    </message>
    <message>
        <source>以CH4后右为基准</source>
        <translation>Base of CH4</translation>
    </message>
    <message>
        <source>以CH5为基准</source>
        <translation>Base of CH5</translation>
    </message>
    <message>
        <source>以CH6为基准</source>
        <translation>Base of CH6</translation>
    </message>
    <message>
        <source>请选择一个或多个车载场景文件</source>
        <translation>Please select one or more vehicle scene files</translation>
    </message>
    <message>
        <source>请选择一个批量车载场景文件</source>
        <translation>Please select one or more vehicle scene files</translation>
    </message>
    <message>
        <source>The settings file config.ini could not be read completely. To keep what it holds, settings will not be saved this run.</source>
        <translation>The settings file config.ini could not be read completely. To keep what it holds, settings will not be saved this run.</translation>
    </message>
    <message>
        <source>The settings could not be saved to config.ini; it may be read-only. The reason is in the debug log.</source>
        <translation>The settings could not be saved to config.ini; it may be read-only. The reason is in the debug log.</translation>
    </message>
    <message>
        <source>The processor is attached, but this user has no permission to open it.
Install the udev rule 70-brisvel-dsp.rules and plug the processor in again;
&quot;brisvelctl doctor&quot; shows what is wrong and how to fix it.</source>
        <translation>The processor is attached, but this user has no permission to open it.
Install the udev rule 70-brisvel-dsp.rules and plug the processor in again;
&quot;brisvelctl doctor&quot; shows what is wrong and how to fix it.</translation>
    </message>
    <message>
        <source>Import the scene &quot;%1&quot; from %2 as a new PC mode?</source>
        <translation>Import the scene &quot;%1&quot; from %2 as a new PC mode?</translation>
    </message>
    <message>
        <source>A scenario with the same name already exists,Do you want to continue importing?</source>
        <translation>A scenario with the same name already exists,Do you want to continue importing?</translation>
    </message>
    <message>
        <source>The scene file cannot be read or holds no valid scene:
%1</source>
        <translation>The scene file cannot be read or holds no valid scene:
%1</translation>
    </message>
    <message>
        <source>The scene &quot;%1&quot; was added to the PC modes.</source>
        <translation>The scene &quot;%1&quot; was added to the PC modes.</translation>
    </message>
    <message>
        <source>The PC mode could not be written to config.ini.</source>
        <translation>The PC mode could not be written to config.ini.</translation>
    </message>
    <message>
        <source>Batch scene files (.bae) are written into the processor&#x27;s device modes with &quot;Batch imp&quot; in the settings.</source>
        <translation>Batch scene files (.bae) are written into the processor&#x27;s device modes with &quot;Batch imp&quot; in the settings.</translation>
    </message>
    <message>
        <source>超低音</source>
        <translation>Sub-bass</translation>
    </message>
    <message>
        <source>低音</source>
        <translation>Bass</translation>
    </message>
    <message>
        <source>中低音</source>
        <translation>Low-mid</translation>
    </message>
    <message>
        <source>中音</source>
        <translation>Mid</translation>
    </message>
    <message>
        <source>中高音</source>
        <translation>Upper-mid</translation>
    </message>
    <message>
        <source>高音</source>
        <translation>Treble</translation>
    </message>
    <message>
        <source>超高音</source>
        <translation>Top treble</translation>
    </message>
</context>
<context>
    <name>brisvel</name>
    <message>
        <source>测量与拟合</source>
        <translation>Measurement and fit</translation>
    </message>
</context>
</TS>
