#include "demo/generator/texts.h"

// The literals below are UTF-8 in this file and GBK in the program (-fexec-charset=GBK).
namespace quenlo::demo {

std::string WithCrlf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (const char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string ReadmeText() {
  return WithCrlf(R"(Quenlo播放 2.0 Tesmar版 —— 演示安装包
======================================

这是 Quenlo播放安装程序的演示安装包。安装包中的文件与正式版的目录结构、
文件数量相同，但内容是构建时生成的：

  * QuenloMediaPlayer.exe  演示播放器，只显示它收到的命令行；
  * UnInstall.exe          卸载程序；
  * Codec 目录中的 .ax 和 .dll 文件都是可以自注册的演示解码器，
    每个文件注册一个自己的 COM 类；
  * Skin\Default 中的位图、图标和图片是生成的示意图。

命令行
------
  QuenloMediaPlayer.exe "/o" "文件"   打开并播放文件
  QuenloMediaPlayer.exe "/a" "文件"   把文件添加到播放列表

安装程序为 54 种媒体和播放列表扩展名建立关联，"打开"和"播放"两个命令
分别使用上面的两个开关。

卸载
----
演示安装包的卸载程序尚未完成。
)");
}

std::string LicenceText() {
  return WithCrlf(R"(Quenlo播放 最终用户许可协议

重要须知：请仔细阅读本协议。安装、复制或以其他方式使用本软件，即表示您同意
接受本协议各项条款的约束。如果您不同意本协议的条款，请不要安装或使用本软件。

一、许可的授予
本软件的著作权人授予您一项非独占的、不可转让的许可，允许您在您拥有的计算机
上安装和使用本软件的一个副本，用于个人的非商业目的。

二、限制
1. 您不得对本软件进行反向工程、反向编译或反汇编。
2. 您不得出租、出借或转授权本软件。
3. 您不得删除或修改本软件中的任何著作权声明。
4. 未经书面许可，您不得将本软件用于任何商业目的。

三、解码器和插件
本软件附带的解码器、滤镜和插件仅供本软件播放媒体文件使用。安装时，安装程序
会在系统中注册这些组件。

四、免责声明
本软件按"现状"提供，不附带任何明示或暗示的担保，包括但不限于适销性和适用于
特定用途的担保。在任何情况下，著作权人均不对因使用或无法使用本软件而产生的
任何损失承担责任。

五、协议的终止
如果您违反本协议的任何条款，本许可将自动终止。终止后，您必须销毁本软件的
所有副本。

六、其他
本协议构成您与著作权人之间关于本软件的完整协议。本协议任何条款被认定为无效，
不影响其他条款的效力。
)");
}

std::string DefaultSettingsText() {
  return WithCrlf(R"(; Quenlo播放 默认设置
[Player]
Volume=80
Mute=0
AlwaysOnTop=0
Skin=Default
Language=936
RememberPosition=1

[PlayList]
File=Project\PlayFileList
Shuffle=0
Repeat=0

[Video]
KeepRatio=1
Deinterlace=1
Renderer=Auto

[Audio]
Output=Auto
Equalizer=0
Preset=Flat

[Subtitle]
Enabled=1
Font=宋体
Size=18
)");
}

std::string RecentListText() {
  return WithCrlf(R"([Recent]
Count=0
)");
}

std::string FavoriteListText() {
  return WithCrlf(R"([Favorite]
Count=2
1=我的音乐|%MyMusic%
2=我的视频|%MyVideo%
)");
}

std::string EqualizerPresetText() {
  return WithCrlf(R"([Flat]
Bands=0,0,0,0,0,0,0,0,0,0
[流行]
Bands=-1,2,4,5,3,0,-1,-1,-1,-1
[摇滚]
Bands=5,3,-3,-5,-2,2,5,6,6,6
[古典]
Bands=0,0,0,0,0,0,-4,-4,-4,-6
[低音增强]
Bands=6,5,3,1,0,0,0,0,0,0
)");
}

std::string PlayHistoryText() {
  return WithCrlf(R"(# Quenlo播放 播放记录
# 每行一个文件：上次的位置（秒）|文件路径
)");
}

std::string ProjectNotesText() {
  return WithCrlf(R"(Project 目录保存播放器的列表和工程文件：
  PlayFileList     当前播放列表（首次启动时为空）
  RecentList       最近打开的文件
  FavoriteList     收藏夹
  EqualizerPreset  均衡器预设
  PlayHistory.txt  播放记录
)");
}

std::string PlayerLogText() {
  return WithCrlf(R"([Quenlo播放] 日志
版本 2.0 Tesmar版
首次启动前由安装程序放置，播放器运行时在此记录解码器的加载情况。
)");
}

std::string FilterManifestText(std::string_view filterFileName) {
  const std::string file(filterFileName);
  return WithCrlf(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="Quenlo.DemoFilter.)" +
                  file + R"(" version="2.0.0.0"/>
  <file name=")" + file +
                  R"("/>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="win32" name="Microsoft.Windows.Common-Controls" version="6.0.0.0"
                        processorArchitecture="*" publicKeyToken="6595b64144ccf1df" language="*"/>
    </dependentAssembly>
  </dependency>
</assembly>
)");
}

}  // namespace quenlo::demo
