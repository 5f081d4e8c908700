#include "tools/uidriver/dump.h"

#include "tools/uidriver/text.h"

namespace quenlo::uidriver {
namespace {

Json RectToJson(const Rect& rect) {
  return Json::MakeObject()
      .Set("x", rect.x)
      .Set("y", rect.y)
      .Set("w", rect.width)
      .Set("h", rect.height);
}

}  // namespace

Json StateToJson(const WindowState& state) {
  Json json = Json::MakeObject();
  json.Set("name", GbkToUtf8(state.name))
      .Set("class", GbkToUtf8(state.className))
      .Set("id", state.id)
      .Set("text", GbkToUtf8(state.text))
      .Set("visible", state.visible)
      .Set("enabled", state.enabled);
  if (state.checked) json.Set("checked", *state.checked);
  if (state.progressPos) {
    json.Set("pos", *state.progressPos)
        .Set("min", *state.progressMin)
        .Set("max", *state.progressMax);
  }
  json.Set("rect", RectToJson(state.rect));
  if ((GetWindowLongPtrW(state.hwnd, GWL_STYLE) & WS_CHILD) == 0) {
    json.Set("client",
             Json::MakeObject().Set("w", state.client.width).Set("h", state.client.height));
  }
  return json;
}

Json DumpWindowTree(HWND root) {
  Json json = StateToJson(ReadWindowState(root));
  Json children = Json::MakeArray();
  for (HWND child : ChildWindows(root)) children.Push(DumpWindowTree(child));
  json.Set("children", std::move(children));
  return json;
}

}  // namespace quenlo::uidriver
