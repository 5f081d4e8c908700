// The demo payload's uninstaller: a placeholder that says so and ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr,
              "这是 Quenlo播放演示安装包的卸载程序占位程序，它还不能卸载任何文件。\r\n"
              "请手动删除安装文件夹。",
              "Quenlo播放 卸载", MB_OK | MB_ICONINFORMATION);
  return 0;
}
