#include "wizard/long_texts.h"

namespace quenlo::wizard {

const std::string& WelcomeText() {
  static const std::string text =
      "智能播放核心，高效顺畅的播放效果\r"
      "    - 全新解码引擎，占用资源少，高清影片也能流畅播放\r"
      "\r"
      "全面支持主流格式，无需另装解码器\r"
      "    - 支持 RMVB、RM、AVI、MPEG、WMV、MKV 等视频格式\r"
      "    - 支持 MP3、WMA、WAV、APE、FLAC 等音频格式\r"
      "    - 支持 DVD、VCD 光盘与 ASF、MOV 等流媒体文件\r"
      "    - 支持 M3U、PLS、ASX 等常见播放列表\r"
      "    - 自动关联常见媒体文件，双击即可播放\r"
      "\r"
      "简洁易用的操作界面\r"
      "    - 清爽直观的界面，常用功能一键可达\r"
      "    - 多种皮肤随心切换\r"
      "    - 支持快捷键与鼠标滚轮操作\r"
      "\r"
      "Quenlo播放，让您的影音生活更加精彩！";
  return text;
}

const std::string& AgreementText() {
  static const std::string text =
      "Quenlo播放用户许可协议\r\n"
      "\r\n"
      "一、总则\r\n"
      "　　本协议是您（个人或单一机构）与本软件的许可方Tesmar网络技术有限公司（以下简称“许可"
      "方”）之间关于安装和使用“Quenlo播放”软件（以下简称“本软件”）的协议。一旦安装、复制"
      "或以其他方式使用本软件，即表示您同意接受本协议各项条款的约束。如果您不同意本协议的条款，"
      "请不要安装或使用本软件。\r\n"
      "二、许可范围\r\n"
      "    1）您可以在一台或多台计算机上安装、使用和运行本软件。\r\n"
      "    2）您可以为备份的目的复制本软件，但须保留其中全部的版权信息。\r\n"
      "    3）未经许可方书面同意，不得出租、出售本软件或将其用于其他商业目的。\r\n"
      "    4）不得对本软件进行反向工程、反向编译或反汇编。\r\n"
      "    5）不得修改或删除本软件中的任何版权标识和商标。\r\n"
      "    6）未经许可方书面同意，不得将本软件与其他软件捆绑发行。\r\n"
      "    7）本软件包含的第三方组件，其使用须同时遵守相应组件的许可条款。\r\n"
      "    8）本软件可能提供指向网络服务的链接，这些服务由其提供者负责。\r\n"
      "\r\n"
      "三、权利保留\r\n"
      "　　1）本软件的一切知识产权归许可方所有，受著作权法及有关国际条约的保护。\r\n"
      "　　2）本协议未明确授予您的一切权利，均由许可方保留。\r\n"
      "\r\n"
      "四、本软件按“现状”提供，许可方不对本软件作任何明示或暗示的担保。\r\n"
      "\r\n"
      "五、在任何情况下，许可方均不对因使用或不能使用本软件而产生的任何损失承担责任。\r\n"
      "\r\n"
      "六、许可方保留随时修订本协议的权利，本协议的解释权归许可方所有。\r\n"
      "\r\n"
      "\r\n"
      "\r\n"
      "\r\n"
      "　　　　　　　　　　　　　　　　　　　　　　　　[Tesmar网络技术有限公司]";
  return text;
}

const std::string& SloganText() {
  static const std::string text = "Tesmar网，简单实用的上网导航！";
  return text;
}

const std::string& StartPageTaskText() {
  static const std::string text = std::string("将[Tesmar网]") + kNavigationSiteAddress + "设为首页";
  return text;
}

}  // namespace quenlo::wizard
