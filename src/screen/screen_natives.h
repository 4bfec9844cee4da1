// The screen module's native tables, one per script class, in the order
// the start-up sequence binds them: the "classes.lang.Object" natives that
// belong here (getkey, pset, setMapPat, setAdjust, the camera),
// "classes.scr.Sprite", "Window", "JoyStick", "Panel" and "MouseManager".
// "TileMap" has a table of its own, registered beside this one.
#pragma once
#include <vector>

#if __has_include("natives/native_table.h")
#include "natives/native_table.h"
#else
// The registration entry shape of natives/native_table.h, for builds made
// before that header is present.
#include "runtime/function.h"
namespace ruvel {
struct NativeEntry {
  const char* className;
  const char* name;
  NativeHandler handler;
};
}  // namespace ruvel
#endif

namespace ruvel {

const std::vector<NativeEntry>& ScreenObjectNatives();
const std::vector<NativeEntry>& SpriteNatives();
const std::vector<NativeEntry>& WindowNatives();
const std::vector<NativeEntry>& JoyStickNatives();
const std::vector<NativeEntry>& PanelNatives();
const std::vector<NativeEntry>& MouseManagerNatives();
// "TileMap" (screen/tilemap_natives.cpp); empty when the kernel has no such
// class, so kernels made for tests load without it.
const std::vector<NativeEntry>& TileMapNatives();
// All of the above, in that order.
const std::vector<NativeEntry>& ScreenNatives();

// The handlers, for the tables and for tests that call them directly.
namespace screen_natives {
void GetKey(Value* self, int32_t argc, int32_t reserved);
void Pset(Value* self, int32_t argc, int32_t reserved);
void SetMapPat(Value* self, int32_t argc, int32_t reserved);
void SetAdjust(Value* self, int32_t argc, int32_t reserved);
void SetCamera(Value* self, int32_t argc, int32_t reserved);
void GetCameraX(Value* self, int32_t argc, int32_t reserved);
void GetCameraY(Value* self, int32_t argc, int32_t reserved);

void SpriteInit(Value* self, int32_t argc, int32_t reserved);
void SpriteSet(Value* self, int32_t argc, int32_t reserved);
void SpriteSetText(Value* self, int32_t argc, int32_t reserved);
void SpriteSetFont(Value* self, int32_t argc, int32_t reserved);
void SpriteTextExtent(Value* self, int32_t argc, int32_t reserved);
void SpriteDrawLine(Value* self, int32_t argc, int32_t reserved);
void SpriteFillRect(Value* self, int32_t argc, int32_t reserved);
void SpriteFree(Value* self, int32_t argc, int32_t reserved);
void SpriteGetPWidth(Value* self, int32_t argc, int32_t reserved);
void SpriteGetPHeight(Value* self, int32_t argc, int32_t reserved);
void SpriteDrawChip(Value* self, int32_t argc, int32_t reserved);
void SpriteDrawMapSprite(Value* self, int32_t argc, int32_t reserved);
void SpriteDrawDxSprite(Value* self, int32_t argc, int32_t reserved);

void WindowSetSize(Value* self, int32_t argc, int32_t reserved);
void WindowSetPos(Value* self, int32_t argc, int32_t reserved);

void JoyGetX(Value* self, int32_t argc, int32_t reserved);
void JoyGetY(Value* self, int32_t argc, int32_t reserved);
void JoyLeft(Value* self, int32_t argc, int32_t reserved);
void JoyRight(Value* self, int32_t argc, int32_t reserved);
void JoyUp(Value* self, int32_t argc, int32_t reserved);
void JoyDown(Value* self, int32_t argc, int32_t reserved);
void JoyGetButtons(Value* self, int32_t argc, int32_t reserved);

void PanelSetTransparentColor(Value* self, int32_t argc, int32_t reserved);
void PanelDrawSprite(Value* self, int32_t argc, int32_t reserved);
void PanelDrawDxSprite(Value* self, int32_t argc, int32_t reserved);
void PanelDrawLine(Value* self, int32_t argc, int32_t reserved);
void PanelGetPixel(Value* self, int32_t argc, int32_t reserved);
void PanelFillRect(Value* self, int32_t argc, int32_t reserved);
void PanelDrawText(Value* self, int32_t argc, int32_t reserved);
void PanelResize(Value* self, int32_t argc, int32_t reserved);
void PanelDraw(Value* self, int32_t argc, int32_t reserved);
void PanelInit(Value* self, int32_t argc, int32_t reserved);
void PanelFree(Value* self, int32_t argc, int32_t reserved);

void MouseMoveCursor(Value* self, int32_t argc, int32_t reserved);
void MouseShowCursor(Value* self, int32_t argc, int32_t reserved);
void MouseRefreshXY(Value* self, int32_t argc, int32_t reserved);
}  // namespace screen_natives

}  // namespace ruvel
