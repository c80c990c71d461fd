#pragma once
// A host and surface for UC04Core that record every call in order, so tests can check
// exactly what is drawn, notified and raised, and in which order.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "controls/button/uc04_core.h"
#include "platform/text.h"

namespace notify::button::test {

struct TestPicture final : FacePicture {
  explicit TestPicture(int pictureId) : id(pictureId) {}
  int id;
};

inline std::string Num(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(v));
  return buf;
}

inline std::string Hex(Color c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06x", static_cast<unsigned>(c));
  return buf;
}

class Recorder final : public UC04Host, public UC04Surface {
 public:
  Recorder() {
    auto mouse = [this](const char* name) {
      return [this, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
        Log(std::string("event ") + name + " " + std::to_string(b) + " " + std::to_string(s) + " " +
            Num(x) + " " + Num(y));
        b = 99;  // a handler's changes must not reach the control
        x = -1000;
      };
    };
    events.Click = [this] { Log("event Click"); };
    events.KeyDown = [this](std::int16_t& k, std::int16_t& s) {
      Log("event KeyDown " + std::to_string(k) + " " + std::to_string(s));
    };
    events.KeyPress = [this](std::int16_t& k) { Log("event KeyPress " + std::to_string(k)); };
    events.KeyUp = [this](std::int16_t& k, std::int16_t& s) {
      Log("event KeyUp " + std::to_string(k) + " " + std::to_string(s));
    };
    events.MouseDown = mouse("MouseDown");
    events.MouseMove = mouse("MouseMove");
    events.MouseUp = mouse("MouseUp");
    events.MouseOut = [this] { Log("event MouseOut"); };
  }

  // Every recorded call, in order.
  std::vector<std::string> ops;
  UC04Events events;

  float width = 31;
  float height = 21;
  bool enabled = true;
  bool pointerOver = false;
  wchar_t accessKey = 0;
  Color fore = 0;
  Color back = 0;
  FontRef font;
  std::wstring ambientName = L"Cmd_Test";
  FontRef ambientFont =
      std::make_shared<FontSpec>(FontSpec{L"Ambient", 8, 400, false, false, false, 0});
  // Text metrics: 7 px per character, 12 px high.
  float charWidth = 7;
  float lineHeight = 12;

  void Log(std::string op) { ops.push_back(std::move(op)); }

  // The look-level story: which cell was drawn (from the top-left corner piece), events,
  // timer, refresh, focus frame, notifications; pixels, text and other pieces left out.
  std::vector<std::string> Story() const {
    std::vector<std::string> out;
    for (const std::string& op : ops) {
      if (op.rfind("paint ", 0) == 0) {
        if (op.find("-> 0,0,4,4") != std::string::npos)
          out.push_back("cell " + std::to_string(std::stoi(op.substr(6)) / 19));
        continue;
      }
      if (op.rfind("pixel", 0) == 0 || op.rfind("text", 0) == 0) continue;
      out.push_back(op);
    }
    return out;
  }

  // UC04Host
  void PropertyChanged(const wchar_t* name) override { Log("notify " + ToUtf8(name)); }
  bool WindowEnabled() const override { return enabled; }
  void SetWindowEnabled(bool value) override {
    enabled = value;
    Log(std::string("enable ") + (value ? "1" : "0"));
  }
  void SetAccessKey(wchar_t key) override {
    accessKey = key;
    Log(key ? "key " + ToUtf8(std::wstring(1, key)) : "key none");
  }
  void StartTimer() override { Log("timer start"); }
  void StopTimer() override { Log("timer stop"); }
  bool PointerOverControl() override { return pointerOver; }
  void Refresh() override { Log("refresh"); }
  std::wstring AmbientDisplayName() const override { return ambientName; }
  FontRef AmbientFont() const override { return ambientFont; }

  // UC04Surface
  void SetScaleModePixels() override { Log("pixels"); }
  float ScaleWidth() const override { return width; }
  float ScaleHeight() const override { return height; }
  Color ForeColor() const override { return fore; }
  void SetForeColor(Color c) override {
    fore = c;
    Log("forecolor " + Hex(c));
  }
  Color BackColor() const override { return back; }
  void SetBackColor(Color c) override {
    back = c;
    Log("backcolor " + Hex(c));
  }
  FontRef Font() const override { return font; }
  void SetFont(FontRef f) override {
    font = std::move(f);
    Log("font " + (font ? ToUtf8(font->face) : std::string("none")));
  }
  void Clear() override { Log("clear"); }
  void PaintPicture(const FacePicture& picture, RectF d, Rect s) override {
    const auto* p = dynamic_cast<const TestPicture*>(&picture);
    Log("paint " + std::to_string(s.left) + "," + std::to_string(s.top) + "," + std::to_string(s.width) +
        "," + std::to_string(s.height) + " -> " + Num(d.left) + "," + Num(d.top) + "," + Num(d.width) + "," +
        Num(d.height) + (p ? " pic " + std::to_string(p->id) : " pic ?"));
  }
  void SetPixel(float x, float y, Color c) override {
    Log("pixel " + Num(x) + "," + Num(y) + " " + Hex(c));
  }
  float TextWidth(const std::wstring& text) override {
    return charWidth * static_cast<float>(text.size());
  }
  float TextHeight(const std::wstring&) override { return lineHeight; }
  void PrintText(float x, float y, const std::wstring& text) override {
    Log("text '" + ToUtf8(text) + "' at " + Num(x) + "," + Num(y));
  }
  void DrawFocusRect(Edges f) override {
    Log("focus " + std::to_string(f.left) + "," + std::to_string(f.top) + "," +
        std::to_string(f.right) + "," + std::to_string(f.bottom));
  }
};

}  // namespace notify::button::test
