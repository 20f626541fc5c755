#include "settings/settings_window.h"

#include <cstdint>

#include "core/runstate.h"
#include "gfx/drawlist.h"
#include "gfx/image.h"
#include "res/resource_ids.h"
#include "settings/settings_store.h"

namespace {

constexpr int kBackgroundRow = 224;  // client row 0 is this row of the skin
constexpr int kClientWidth = 344;
constexpr int kClientHeight = 288;
constexpr char kWindowClass[] = "QV3_02";
constexpr wchar_t kCaption[] = L"ミルカドの設定";

constexpr WPARAM kCommandOk = 1;
constexpr WPARAM kCommandCancel = 2;

// The controls, in the order of their registration and creation.
enum Control { OK, CANCEL, WAVMODE, BAR, MNUM, PNUM, DSPNUMHI, DSPNUMLO, NUMTXT, kControlCount };

struct ControlLayout {
  const char* className;
  int x, y;
  int srcX, srcY;
  int width, height;
  int faceOffset;  // how much lower in the skin the pressed face lies
};

// The digit displays take their pictures from DigitSprites, not from their own faces.
constexpr ControlLayout kControls[kControlCount] = {
    {"OK", 120, 239, 160, 0, 96, 32, 32},        {"CANCEL", 223, 239, 160, 64, 96, 32, 32},
    {"WAVMODE", 60, 187, 0, 66, 80, 28, 32},     {"BAR", 75, 133, 0, 194, 200, 28, 0},
    {"MNUM", 47, 133, 258, 2, 28, 28, 32},       {"PNUM", 275, 133, 290, 2, 28, 28, 32},
    {"DSPNUMHI", 113, 116, 320, 128, 16, 16, 0}, {"DSPNUMLO", 129, 116, 160, 128, 16, 16, 0},
    {"NUMTXT", 47, 116, 160, 160, 51, 16, 0},
};

constexpr int kMusicOnSrcX = 80;
constexpr SpriteRect kKnobStart = {0, 0, 202, 194, 28, 28};
constexpr int kDigitCount = 11;
constexpr int kDigitBlank = 10;  // entirely transparent
constexpr int kDigitSrcX = 160;
constexpr int kDigitSrcY = 128;
constexpr int kDigitSize = 16;
constexpr int kKnobTravel = 172;  // the track's width less the knob's

HPALETTE SkinPalette = nullptr;
HBITMAP SkinMask = nullptr;
HBITMAP SkinImage = nullptr;
HPALETTE ReplacedPalette = nullptr;
SpriteRect Faces[kControlCount][2];
SpriteRect MusicOnFaces[2];
SpriteRect KnobRect;
SpriteRect DigitSprites[kDigitCount];
int32_t Pressed[kControlCount];
int32_t SpeedMin = 1;
int32_t SpeedMax = 5;
HWND SliderWindow = nullptr;
HWND TensWindow = nullptr;
HWND UnitsWindow = nullptr;

int RegisterSkinClass(WNDPROC procedure, const char* className) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className;
  return RegisterClassA(&windowClass) != 0 ? 1 : 0;
}

HWND CreateSkinControl(HWND window, Control control, const char* className, int x, int y, int srcX,
                       int srcY, int width, int height, int faceOffset) {
  const HWND child = CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE, x, y, width,
                                     height, window, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (child == nullptr) return nullptr;
  Faces[control][0] = SpriteRect{x, y, srcX, srcY, width, height};
  Faces[control][1] = SpriteRect{x, y, srcX, srcY + faceOffset, width, height};
  Pressed[control] = 0;
  return child;
}

// Selects `skin` into `source` for one blit into `work` and selects it out again; nothing
// when the skin is missing or cannot be selected.
void BlitSkin(HDC work, int x, int y, int width, int height, HDC source, HBITMAP skin, int srcX,
              int srcY, DWORD rop) {
  if (skin == nullptr) return;
  const HGDIOBJ previous = SelectObject(source, skin);
  if (previous == nullptr) return;
  BitBlt(work, x, y, width, height, source, srcX, srcY, rop);
  SelectObject(source, previous);
}

// Composes a face over its background off-screen and copies it to `target` at (0, 0): the
// background under the face, the face's mask and image, and for the slider the knob's mask and
// image at the knob's offset.
void ComposeFace(HDC target, const SpriteRect& face, const SpriteRect* knob) {
  const HDC work = CreateCompatibleDC(target);
  const HDC source = CreateCompatibleDC(target);
  const HBITMAP canvas = CreateCompatibleBitmap(target, face.width, face.height);
  const HGDIOBJ previousWork = canvas != nullptr ? SelectObject(work, canvas) : nullptr;

  if (previousWork != nullptr) {
    BlitSkin(work, 0, 0, face.width, face.height, source, SkinImage, face.x,
             face.y + kBackgroundRow, SRCCOPY);
    BlitSkin(work, 0, 0, face.width, face.height, source, SkinMask, face.srcX, face.srcY, SRCAND);
    BlitSkin(work, 0, 0, face.width, face.height, source, SkinImage, face.srcX, face.srcY,
             SRCPAINT);
    if (knob != nullptr) {
      BlitSkin(work, knob->x, knob->y, knob->width, knob->height, source, SkinMask, knob->srcX,
               knob->srcY, SRCAND);
      BlitSkin(work, knob->x, knob->y, knob->width, knob->height, source, SkinImage, knob->srcX,
               knob->srcY, SRCPAINT);
    }
  }

  const HPALETTE previousPalette = GfxSelectPalette(target, SkinPalette);
  if (previousWork != nullptr) {
    BitBlt(target, 0, 0, face.width, face.height, work, 0, 0, SRCCOPY);
    SelectObject(work, previousWork);
  }
  GfxPutPaletteBack(target, previousPalette);
  DeleteDC(work);
  DeleteDC(source);
  if (canvas != nullptr) DeleteObject(canvas);
}

void DrawFace(HDC target, const SpriteRect& face) { ComposeFace(target, face, nullptr); }

void DrawSlider(HDC target, const SpriteRect& track, const SpriteRect& knob) {
  ComposeFace(target, track, &knob);
}

// Entries outside the table draw nothing; such speeds only come from a hand-edited file.
void DrawDigit(HDC target, const SpriteRect& display, int entry) {
  if (entry < 0 || entry >= kDigitCount) entry = kDigitBlank;
  DigitSprites[entry].x = display.x;
  DigitSprites[entry].y = display.y;
  DrawFace(target, DigitSprites[entry]);
}

// Speeds outside the range put the knob beyond the track, where the slider clips it; the offset
// is worked out wide and held a knob's width past either end so that no speed overflows it.
void PlaceKnob(int32_t speed) {
  int64_t offset = (int64_t{speed} - SpeedMin) * kKnobTravel / (SpeedMax - SpeedMin);
  if (offset < -kKnobStart.width) offset = -kKnobStart.width;
  if (offset > kKnobTravel + kKnobStart.width) offset = kKnobTravel + kKnobStart.width;
  KnobRect.x = static_cast<int32_t>(offset);
}

// The knob offset (0 to 172) that puts the knob's middle under the cursor, as near as the
// track allows.
int KnobOffsetFromCursor(HWND slider) {
  RECT rect;
  POINT cursor;
  GetWindowRect(slider, &rect);
  GetCursorPos(&cursor);
  const int half = KnobRect.width / 2;
  int point;
  if (rect.left + half > cursor.x) {
    point = half;
  } else if (rect.right - half < cursor.x) {
    point = Faces[BAR][0].width - half;
  } else {
    point = cursor.x - rect.left;
  }
  return point - half;
}

int32_t SpeedFromOffset(int offset) {
  int32_t speed = SpeedMin + (SpeedMax - SpeedMin) * offset / kKnobTravel;
  if (speed < SpeedMin) speed = SpeedMin;
  if (speed > SpeedMax) speed = SpeedMax;
  return speed;
}

void InvalidateDigits() {
  InvalidateRect(TensWindow, nullptr, FALSE);
  InvalidateRect(UnitsWindow, nullptr, FALSE);
}

// The cursor is inside when it lies within the control's window rectangle, the right and
// bottom edges included.
bool CursorInside(HWND control) {
  RECT rect;
  POINT cursor;
  GetWindowRect(control, &rect);
  GetCursorPos(&cursor);
  return rect.left <= cursor.x && cursor.x <= rect.right && rect.top <= cursor.y &&
         cursor.y <= rect.bottom;
}

// One step down or up, held at the end of the range the step goes towards only: a speed beyond
// the other end from a hand-edited file moves by one. Worked out wide, as such a speed may stand
// at either end of the 32-bit range.
void StepSpeed(int32_t step) {
  int64_t speed = int64_t{CurrentSettings.speed} + step;
  if (step < 0 && speed < SpeedMin) speed = SpeedMin;
  if (step > 0 && speed > SpeedMax) speed = SpeedMax;
  CurrentSettings.speed = static_cast<int32_t>(speed);
  PlaceKnob(CurrentSettings.speed);
  InvalidateRect(SliderWindow, nullptr, FALSE);
  InvalidateDigits();
}

void ButtonAction(Control control, HWND button) {
  switch (control) {
    case OK:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandOk, reinterpret_cast<LPARAM>(button));
      break;
    case CANCEL:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandCancel, reinterpret_cast<LPARAM>(button));
      break;
    case WAVMODE:
      CurrentSettings.music = static_cast<int32_t>((int64_t{CurrentSettings.music} + 1) % 2);
      break;
    case MNUM:
      StepSpeed(-1);
      break;
    case PNUM:
      StepSpeed(1);
      break;
    default:
      break;
  }
}

template <Control kControl>
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(button, &paint);
      const SpriteRect* faces = Faces[kControl];
      if (kControl == WAVMODE && CurrentSettings.music != 0) faces = MusicOnFaces;
      DrawFace(dc, faces[Pressed[kControl] ? 1 : 0]);
      EndPaint(button, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      Pressed[kControl] = 1;
      InvalidateRect(button, nullptr, FALSE);
      SetCapture(button);
      return 0;
    case WM_MOUSEMOVE:
      if (!CursorInside(button)) {
        Pressed[kControl] = 0;
        InvalidateRect(button, nullptr, FALSE);
      } else if (wParam == MK_LBUTTON) {
        Pressed[kControl] = 1;
        InvalidateRect(button, nullptr, FALSE);
        SetCapture(button);
      }
      return 0;
    case WM_LBUTTONUP:
      if (CursorInside(button)) ButtonAction(kControl, button);
      Pressed[kControl] = 0;
      InvalidateRect(button, nullptr, FALSE);
      ReleaseCapture();
      return 0;
    default:
      return DefWindowProcA(button, message, wParam, lParam);
  }
}

// Moves the knob under the cursor and takes the speed from it.
void DragKnob(HWND slider) {
  const int32_t noted = CurrentSettings.speed;
  KnobRect.x = KnobOffsetFromCursor(slider);
  CurrentSettings.speed = SpeedFromOffset(KnobRect.x);
  InvalidateRect(slider, nullptr, FALSE);
  SetCapture(slider);
  if (CurrentSettings.speed != noted) InvalidateDigits();
}

LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(slider, &paint);
      DrawSlider(dc, Faces[BAR][0], KnobRect);
      EndPaint(slider, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      DragKnob(slider);
      return 0;
    case WM_MOUSEMOVE:
      if (wParam == MK_LBUTTON) DragKnob(slider);
      return 0;
    case WM_LBUTTONUP: {
      const int32_t noted = CurrentSettings.speed;
      CurrentSettings.speed = SpeedFromOffset(KnobOffsetFromCursor(slider));
      PlaceKnob(CurrentSettings.speed);
      InvalidateRect(slider, nullptr, FALSE);
      ReleaseCapture();
      if (CurrentSettings.speed != noted) InvalidateDigits();
      return 0;
    }
    default:
      return DefWindowProcA(slider, message, wParam, lParam);
  }
}

// The digit entries a display shows for a speed: 0 to 9 show in the units place alone, 10 to
// 109 in both (the tens place reaching 10, the blank, from 100 on). Speeds outside 0 to 109
// have no digits in the table and leave both places blank.
bool SpeedShowable(int32_t speed) { return speed >= 0 && speed <= 109; }

int TensEntry(int32_t speed) {
  if (!SpeedShowable(speed)) return kDigitBlank;
  const int32_t tens = speed / 10;
  return tens == 0 ? kDigitBlank : tens;
}

int UnitsEntry(int32_t speed) { return SpeedShowable(speed) ? speed % 10 : kDigitBlank; }

template <Control kControl>
LRESULT CALLBACK DisplayProc(HWND display, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(display, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(display, &paint);
  if (kControl == DSPNUMHI) {
    DrawDigit(dc, Faces[kControl][0], TensEntry(CurrentSettings.speed));
  } else if (kControl == DSPNUMLO) {
    DrawDigit(dc, Faces[kControl][0], UnitsEntry(CurrentSettings.speed));
  } else {
    DrawFace(dc, Faces[kControl][0]);
  }
  EndPaint(display, &paint);
  return 0;
}

void LoadSkin(HWND window) {
  LoadSettings();
  const HDC dc = GetDC(window);
  SpriteSheet skin = {};
  GfxLoadPictures(dc, &kSkinResource, 1, &SkinPalette, &ReplacedPalette, &skin);
  SkinImage = skin.image;
  SkinMask = skin.mask;
  ReleaseDC(window, dc);
}

void DeleteSkin(HWND window) {
  if (SkinImage != nullptr) DeleteObject(SkinImage);
  if (SkinMask != nullptr) DeleteObject(SkinMask);
  SkinImage = nullptr;
  SkinMask = nullptr;
  GfxRestorePalette(window, ReplacedPalette, &SkinPalette);
}

void PaintBackground(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ previousBitmap = SkinImage != nullptr ? SelectObject(memory, SkinImage) : nullptr;
  const HPALETTE previousPalette = GfxSelectPalette(dc, SkinPalette);
  if (previousBitmap != nullptr) {
    BitBlt(dc, client.left, client.top, client.right, client.bottom, memory, 0, kBackgroundRow,
           SRCCOPY);
    SelectObject(memory, previousBitmap);
  }
  GfxPutPaletteBack(dc, previousPalette);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

LRESULT CALLBACK SettingsWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      LoadSkin(window);
      return 0;
    case WM_PAINT:
      PaintBackground(window);
      return 0;
    case WM_COMMAND:
      if (wParam == kCommandOk) {
        SaveSettings();
        DestroyWindow(window);
      } else if (wParam == kCommandCancel) {
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      DeleteSkin(window);
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

constexpr WNDPROC kControlProcs[kControlCount] = {
    ButtonProc<OK>,      ButtonProc<CANCEL>, ButtonProc<WAVMODE>,   SliderProc,
    ButtonProc<MNUM>,    ButtonProc<PNUM>,   DisplayProc<DSPNUMHI>, DisplayProc<DSPNUMLO>,
    DisplayProc<NUMTXT>,
};

// Registers the control classes and creates the controls; false at the first failure.
bool CreateControls(HWND window) {
  for (int i = 0; i < kControlCount; ++i) {
    if (!RegisterSkinClass(kControlProcs[i], kControls[i].className)) return false;
  }
  for (int i = 0; i < kControlCount; ++i) {
    const ControlLayout& c = kControls[i];
    const HWND child = CreateSkinControl(window, static_cast<Control>(i), c.className, c.x, c.y,
                                         c.srcX, c.srcY, c.width, c.height, c.faceOffset);
    if (child == nullptr) return false;
    if (i == WAVMODE) {
      MusicOnFaces[0] = Faces[WAVMODE][0];
      MusicOnFaces[1] = Faces[WAVMODE][1];
      MusicOnFaces[0].srcX = MusicOnFaces[1].srcX = kMusicOnSrcX;
    } else if (i == BAR) {
      KnobRect = kKnobStart;
      SliderWindow = child;
    } else if (i == DSPNUMHI) {
      TensWindow = child;
    } else if (i == DSPNUMLO) {
      UnitsWindow = child;
    }
  }
  return true;
}

}  // namespace

void RunSettingsWindow(HWND parent) {
  if (!RegisterSkinClass(SettingsWndProc, kWindowClass)) return;
  OutputSize = Size2{kClientWidth, kClientHeight};
  const HWND window = CreateWindowExA(
      0, kWindowClass, nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
      GetSystemMetrics(SM_CXSCREEN) / 2 - kClientWidth / 2,
      GetSystemMetrics(SM_CYSCREEN) / 2 - kClientHeight / 2,
      kClientWidth + GetSystemMetrics(SM_CXDLGFRAME),
      kClientHeight + GetSystemMetrics(SM_CYDLGFRAME) + GetSystemMetrics(SM_CYCAPTION), nullptr,
      nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return;
  // The caption goes straight to the default procedure's wide text so that it reads the same
  // on every system code page; the ANSI path would squeeze it through the code page.
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kCaption));
  if (!CreateControls(window)) return;

  for (int k = 0; k < kDigitCount; ++k)
    DigitSprites[k] =
        SpriteRect{0, 0, kDigitSrcX + kDigitSize * k, kDigitSrcY, kDigitSize, kDigitSize};
  SpeedMin = 1;
  SpeedMax = 5;
  PlaceKnob(CurrentSettings.speed);

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (parent != nullptr) EnableWindow(parent, FALSE);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (parent != nullptr) EnableWindow(parent, TRUE);
}
