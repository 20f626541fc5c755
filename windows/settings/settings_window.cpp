#include "windows/settings/settings_window.h"

#include <cstdint>

#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"
#include "res/resource_ids.h"
#include "windows/settings/control_values.h"
#include "windows/settings/settings_store.h"
#include "windows/settings/skin_layout.h"
#include "show/drawlist.h"
#include "show/zoom.h"

namespace {

constexpr char kWindowClass[] = "QV3_02";
constexpr wchar_t kCaption[] = L"ミルカドの設定";
constexpr wchar_t kMessageCaption[] = L"QAV SAVER Vol.3";
constexpr wchar_t kSaveFailedText[] = L"設定を保存できませんでした";

constexpr WPARAM kCommandOk = 1;
constexpr WPARAM kCommandCancel = 2;

// The settings being edited, and the zoom of the screen, which RunSettingsWindow is given.
Settings CurrentSettings = {1, 3, 1};
DataFolderPath DataDirectory;
int32_t ScreenZoom = 1;
HPALETTE SkinPalette = nullptr;
HBITMAP SkinMask = nullptr;
HBITMAP SkinImage = nullptr;
HPALETTE ReplacedPalette = nullptr;
SpriteRect Faces[CONTROL_COUNT][2];
SpriteRect MusicOnFaces[2];
SpriteRect KnobRect;
SpriteRect DigitSprites[kDigitCount];
int32_t Pressed[CONTROL_COUNT];
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

HWND CreateSkinControl(HWND window, SkinControl control, const char* className, int x, int y,
                       int srcX, int srcY, int width, int height, int faceOffset) {
  // Placed and sized at the zoom; the faces keep picture pixels.
  const HWND child = CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE, x * ScreenZoom,
                                     y * ScreenZoom, width * ScreenZoom, height * ScreenZoom,
                                     window, nullptr, GetModuleHandleA(nullptr), nullptr);
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
             face.y + kSkinBackgroundRow, SRCCOPY);
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
    GfxBlitZoomed(target, 0, 0, face.width, face.height, work, 0, 0, ScreenZoom);
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

void PlaceKnob(int32_t speed) { KnobRect.x = KnobOffsetForSpeed(speed); }

// The control's window rectangle and the cursor in picture pixels, counted from the control's
// top-left corner: the screen offsets divided by the zoom, rounding down, so that every test
// of the cursor works as at zoom 1.
void ControlAndCursor(HWND control, RECT* rect, POINT* cursor) {
  RECT screen;
  POINT at;
  GetWindowRect(control, &screen);
  GetCursorPos(&at);
  *rect = RECT{0, 0, PictureOffset(screen.right - screen.left, ScreenZoom),
               PictureOffset(screen.bottom - screen.top, ScreenZoom)};
  *cursor = POINT{PictureOffset(at.x - screen.left, ScreenZoom),
                  PictureOffset(at.y - screen.top, ScreenZoom)};
}

int32_t KnobOffsetUnderCursor(HWND slider) {
  RECT rect;
  POINT cursor;
  ControlAndCursor(slider, &rect, &cursor);
  return KnobOffsetFromCursor(rect.left, rect.right, cursor.x);
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
  ControlAndCursor(control, &rect, &cursor);
  return rect.left <= cursor.x && cursor.x <= rect.right && rect.top <= cursor.y &&
         cursor.y <= rect.bottom;
}

void StepSpeed(int32_t step) {
  CurrentSettings.speed = SteppedSpeed(CurrentSettings.speed, step);
  PlaceKnob(CurrentSettings.speed);
  InvalidateRect(SliderWindow, nullptr, FALSE);
  InvalidateDigits();
}

void ButtonAction(SkinControl control, HWND button) {
  switch (control) {
    case CONTROL_OK:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandOk, reinterpret_cast<LPARAM>(button));
      break;
    case CONTROL_CANCEL:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandCancel, reinterpret_cast<LPARAM>(button));
      break;
    case CONTROL_WAVMODE:
      CurrentSettings.music = ToggledMusic(CurrentSettings.music);
      break;
    case CONTROL_MNUM:
      StepSpeed(-1);
      break;
    case CONTROL_PNUM:
      StepSpeed(1);
      break;
    default:
      break;
  }
}

template <SkinControl kControl>
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(button, &paint);
      const SpriteRect* faces = Faces[kControl];
      if (kControl == CONTROL_WAVMODE && MusicShowsOn(CurrentSettings.music)) faces = MusicOnFaces;
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
  KnobRect.x = KnobOffsetUnderCursor(slider);
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
      DrawSlider(dc, Faces[CONTROL_BAR][0], KnobRect);
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
      CurrentSettings.speed = SpeedFromOffset(KnobOffsetUnderCursor(slider));
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

template <SkinControl kControl>
LRESULT CALLBACK DisplayProc(HWND display, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcA(display, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(display, &paint);
  if (kControl == CONTROL_DSPNUMHI) {
    DrawDigit(dc, Faces[kControl][0], TensEntry(CurrentSettings.speed));
  } else if (kControl == CONTROL_DSPNUMLO) {
    DrawDigit(dc, Faces[kControl][0], UnitsEntry(CurrentSettings.speed));
  } else {
    DrawFace(dc, Faces[kControl][0]);
  }
  EndPaint(display, &paint);
  return 0;
}

void LoadSkin(HWND window) {
  LoadSettings(CurrentSettings, DataDirectory);
  const HDC dc = GetDC(window);
  SpriteSheet skin = {};
  GfxLoadPictures(dc, &kSkinResource, 1, &SkinPalette, &ReplacedPalette, &skin, kUnscaled);
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
    const RECT picture = GfxPictureRectOfPaint(client, ScreenZoom);
    GfxBlitZoomed(dc, picture.left, picture.top, picture.right - picture.left,
                  picture.bottom - picture.top, memory, 0, kSkinBackgroundRow, ScreenZoom);
    SelectObject(memory, previousBitmap);
  }
  GfxPutPaletteBack(dc, previousPalette);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

// Saves and closes; a save that fails is said so and the window stays, so that the user can
// try again or cancel.
void ConfirmSettings(HWND window) {
  if (SaveSettings(CurrentSettings)) {
    DestroyWindow(window);
    return;
  }
  // The OK button may still hold the capture; the message box needs the mouse.
  ReleaseCapture();
  MessageBoxW(window, kSaveFailedText, kMessageCaption, MB_OK);
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
        ConfirmSettings(window);
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

// Esc acts as Cancel and Enter as OK, as in any dialog, whichever part of the window has the
// keyboard; system keys (Alt+F4 among them) go on to the default handling.
bool HandleDialogKey(HWND window, const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  if (message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  if (message.wParam == VK_ESCAPE) {
    SendMessageA(window, WM_COMMAND, kCommandCancel, 0);
    return true;
  }
  if (message.wParam == VK_RETURN) {
    SendMessageA(window, WM_COMMAND, kCommandOk, 0);
    return true;
  }
  return false;
}

constexpr WNDPROC kControlProcs[CONTROL_COUNT] = {
    ButtonProc<CONTROL_OK>,        ButtonProc<CONTROL_CANCEL>,
    ButtonProc<CONTROL_WAVMODE>,   SliderProc,
    ButtonProc<CONTROL_MNUM>,      ButtonProc<CONTROL_PNUM>,
    DisplayProc<CONTROL_DSPNUMHI>, DisplayProc<CONTROL_DSPNUMLO>,
    DisplayProc<CONTROL_NUMTXT>,
};

// Registers the control classes and creates the controls; false at the first failure.
bool CreateControls(HWND window) {
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    if (!RegisterSkinClass(kControlProcs[i], kSkinControls[i].className)) return false;
  }
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    const SkinControlLayout& c = kSkinControls[i];
    const HWND child = CreateSkinControl(window, static_cast<SkinControl>(i), c.className, c.x, c.y,
                                         c.srcX, c.srcY, c.width, c.height, c.faceOffset);
    if (child == nullptr) return false;
    if (i == CONTROL_WAVMODE) {
      MusicOnFaces[0] = Faces[CONTROL_WAVMODE][0];
      MusicOnFaces[1] = Faces[CONTROL_WAVMODE][1];
      MusicOnFaces[0].srcX = MusicOnFaces[1].srcX = kMusicOnSrcX;
    } else if (i == CONTROL_BAR) {
      KnobRect = SpriteRect{0, 0, kKnobSrcX, kKnobSrcY, kKnobSize, kKnobSize};
      SliderWindow = child;
    } else if (i == CONTROL_DSPNUMHI) {
      TensWindow = child;
    } else if (i == CONTROL_DSPNUMLO) {
      UnitsWindow = child;
    }
  }
  return true;
}

}  // namespace

void RunSettingsWindow(HWND parent, int32_t zoom) {
  if (!RegisterSkinClass(SettingsWndProc, kWindowClass)) return;
  ScreenZoom = zoom < 1 ? 1 : zoom;
  const HWND window = CreateWindowExA(
      0, kWindowClass, nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
      GetSystemMetrics(SM_CXSCREEN) / 2 - kSkinClientWidth * ScreenZoom / 2,
      GetSystemMetrics(SM_CYSCREEN) / 2 - kSkinClientHeight * ScreenZoom / 2,
      kSkinClientWidth * ScreenZoom + GetSystemMetrics(SM_CXDLGFRAME),
      kSkinClientHeight * ScreenZoom + GetSystemMetrics(SM_CYDLGFRAME) +
          GetSystemMetrics(SM_CYCAPTION),
      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) return;
  // The caption goes straight to the default procedure's wide text so that it reads the same
  // on every system code page; the ANSI path would squeeze it through the code page.
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kCaption));
  if (!CreateControls(window)) return;

  for (int k = 0; k < kDigitCount; ++k)
    DigitSprites[k] =
        SpriteRect{0, 0, kDigitSrcX + kDigitSize * k, kDigitSrcY, kDigitSize, kDigitSize};
  PlaceKnob(CurrentSettings.speed);

  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (parent != nullptr) EnableWindow(parent, FALSE);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (HandleDialogKey(window, message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (parent != nullptr) EnableWindow(parent, TRUE);
}

bool BringSettingsWindowForward() {
  // Found by its class; the full-screen saver shares the class but bears its own title.
  for (HWND found = nullptr;
       (found = FindWindowExA(nullptr, found, kWindowClass, nullptr)) != nullptr;) {
    char title[16] = "";
    GetWindowTextA(found, title, sizeof title);
    if (lstrcmpA(title, kWindowClass) == 0) continue;
    SetForegroundWindow(GetLastActivePopup(found));
    return true;
  }
  return false;
}
