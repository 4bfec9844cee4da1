#include "screen/screen_natives.h"

namespace ruvel {

using namespace screen_natives;

const std::vector<NativeEntry>& ScreenObjectNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.lang.Object", "getkey", GetKey},
      {"classes.lang.Object", "pset", Pset},
      {"classes.lang.Object", "setMapPat", SetMapPat},
      {"classes.lang.Object", "setAdjust", SetAdjust},
      {"classes.lang.Object", "setCamera", SetCamera},
      {"classes.lang.Object", "getCameraX", GetCameraX},
      {"classes.lang.Object", "getCameraY", GetCameraY},
  };
  return table;
}

const std::vector<NativeEntry>& SpriteNatives() {
  static const std::vector<NativeEntry> table = {
      {"classes.scr.Sprite", "native_init", SpriteInit},
      {"classes.scr.Sprite", "native_set", SpriteSet},
      {"classes.scr.Sprite", "native_setText", SpriteSetText},
      {"classes.scr.Sprite", "_n_setFont", SpriteSetFont},
      {"classes.scr.Sprite", "native_textExtent", SpriteTextExtent},
      {"classes.scr.Sprite", "native_drawLine", SpriteDrawLine},
      {"classes.scr.Sprite", "native_fillRect", SpriteFillRect},
      {"classes.scr.Sprite", "native_free", SpriteFree},
      {"classes.scr.Sprite", "native_getPWidth", SpriteGetPWidth},
      {"classes.scr.Sprite", "native_getPHeight", SpriteGetPHeight},
      {"classes.scr.Sprite", "_n_drawChip", SpriteDrawChip},
      {"classes.scr.Sprite", "_n_drawMapSprite", SpriteDrawMapSprite},
      {"classes.scr.Sprite", "_n_drawDxSprite", SpriteDrawDxSprite},
  };
  return table;
}

const std::vector<NativeEntry>& WindowNatives() {
  static const std::vector<NativeEntry> table = {
      {"Window", "_n_setSize", WindowSetSize},
      {"Window", "_n_setPos", WindowSetPos},
  };
  return table;
}

const std::vector<NativeEntry>& JoyStickNatives() {
  static const std::vector<NativeEntry> table = {
      {"JoyStick", "_n_getX", JoyGetX},   {"JoyStick", "_n_getY", JoyGetY},
      {"JoyStick", "_n_left", JoyLeft},   {"JoyStick", "_n_right", JoyRight},
      {"JoyStick", "_n_up", JoyUp},       {"JoyStick", "_n_down", JoyDown},
      {"JoyStick", "_n_getButtons", JoyGetButtons},
  };
  return table;
}

const std::vector<NativeEntry>& PanelNatives() {
  static const std::vector<NativeEntry> table = {
      {"Panel", "_n_setTransparentColor", PanelSetTransparentColor},
      {"Panel", "_n_drawSprite", PanelDrawSprite},
      {"Panel", "_n_drawDxSprite", PanelDrawDxSprite},
      {"Panel", "_n_drawLine", PanelDrawLine},
      {"Panel", "_n_getPixel", PanelGetPixel},
      {"Panel", "_n_fillRect", PanelFillRect},
      {"Panel", "_n_drawText", PanelDrawText},
      {"Panel", "_n_resize", PanelResize},
      {"Panel", "_n_draw", PanelDraw},
      {"Panel", "_n_init", PanelInit},
      {"Panel", "_n_free", PanelFree},
  };
  return table;
}

const std::vector<NativeEntry>& MouseManagerNatives() {
  static const std::vector<NativeEntry> table = {
      {"MouseManager", "_n_moveCursor", MouseMoveCursor},
      {"MouseManager", "_n_showCursor", MouseShowCursor},
      {"MouseManager", "_n_refreshXY", MouseRefreshXY},
  };
  return table;
}

const std::vector<NativeEntry>& ScreenNatives() {
  static const std::vector<NativeEntry> table = [] {
    std::vector<NativeEntry> all;
    for (const auto* part : {&ScreenObjectNatives(), &SpriteNatives(), &WindowNatives(), &JoyStickNatives(),
                             &PanelNatives(), &MouseManagerNatives()}) {
      all.insert(all.end(), part->begin(), part->end());
    }
    return all;
  }();
  return table;
}

}  // namespace ruvel
