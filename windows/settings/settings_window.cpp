#include "windows/settings/settings_window.h"

#include <cstdint>

#include "res/resource_ids.h"
#include "show/drawlist.h"
#include "show/zoom.h"
#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"
#include "windows/settings/control_values.h"
#include "windows/settings/settings_store.h"
#include "windows/settings/skin_layout.h"

namespace {

constexpr char kWindowClass[] = "QV3_02";
constexpr wchar_t kCaption[] = L"ミルカドの設定";
constexpr wchar_t kMessageCaption[] = L"QAV SAVER Vol.3";
constexpr wchar_t kSaveFailedText[] = L"設定を保存できませんでした";
constexpr wchar_t kSaveFailedTextEnglish[] = L"The settings could not be saved.";

constexpr WPARAM kCommandOk = 1;
constexpr WPARAM kCommandCancel = 2;

// Everything the settings window runs on: the settings being edited, the zoom of the screen,
// which RunSettingsWindow is given, the skin, the controls' faces and the controls. The window
// gets it as its creation parameter and keeps it in its GWLP_USERDATA, where the controls find
// it through their parent.
struct SettingsWindowState {
  Settings settings = {1, 3, 1};
  DataFolderPath DataDirectory = {};
  int32_t zoom = 1;
  HPALETTE skinPalette = nullptr;
  HBITMAP skinMask = nullptr;
  HBITMAP skinImage = nullptr;
  HPALETTE replacedPalette = nullptr;
  SpriteRect faces[CONTROL_COUNT][2] = {};
  SpriteRect musicOnFaces[2] = {};
  SpriteRect knob = {};
  SpriteRect digitSprites[kDigitCount] = {};
  int32_t pressed[CONTROL_COUNT] = {};
  HWND slider = nullptr;
  HWND tens = nullptr;
  HWND units = nullptr;
};

SettingsWindowState* StateOf(HWND window) {
  return reinterpret_cast<SettingsWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

SettingsWindowState* StateOfControl(HWND control) { return StateOf(GetParent(control)); }

int RegisterSkinClass(WNDPROC procedure, const char* className) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = className;
  return RegisterClassA(&windowClass) != 0 ? 1 : 0;
}

HWND CreateSkinControl(SettingsWindowState& state, HWND window, SkinControl control,
                       const char* className, int x, int y, int srcX, int srcY, int width,
                       int height, int faceOffset) {
  // Placed and sized at the zoom; the faces keep picture pixels.
  const int32_t zoom = state.zoom;
  const HWND child = CreateWindowExA(0, className, nullptr, WS_CHILD | WS_VISIBLE, x * zoom,
                                     y * zoom, width * zoom, height * zoom, window, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  if (child == nullptr) return nullptr;
  state.faces[control][0] = SpriteRect{x, y, srcX, srcY, width, height};
  state.faces[control][1] = SpriteRect{x, y, srcX, srcY + faceOffset, width, height};
  state.pressed[control] = 0;
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
void ComposeFace(const SettingsWindowState& state, HDC target, const SpriteRect& face,
                 const SpriteRect* knob) {
  const HBITMAP image = state.skinImage, mask = state.skinMask;
  const HDC work = CreateCompatibleDC(target);
  const HDC source = CreateCompatibleDC(target);
  const HBITMAP canvas = CreateCompatibleBitmap(target, face.width, face.height);
  const HGDIOBJ previousWork = canvas != nullptr ? SelectObject(work, canvas) : nullptr;

  if (previousWork != nullptr) {
    BlitSkin(work, 0, 0, face.width, face.height, source, image, face.x,
             face.y + kSkinBackgroundRow, SRCCOPY);
    BlitSkin(work, 0, 0, face.width, face.height, source, mask, face.srcX, face.srcY, SRCAND);
    BlitSkin(work, 0, 0, face.width, face.height, source, image, face.srcX, face.srcY, SRCPAINT);
    if (knob != nullptr) {
      BlitSkin(work, knob->x, knob->y, knob->width, knob->height, source, mask, knob->srcX,
               knob->srcY, SRCAND);
      BlitSkin(work, knob->x, knob->y, knob->width, knob->height, source, image, knob->srcX,
               knob->srcY, SRCPAINT);
    }
  }

  const HPALETTE previousPalette = GfxSelectPalette(target, state.skinPalette);
  if (previousWork != nullptr) {
    GfxBlitZoomed(target, 0, 0, face.width, face.height, work, 0, 0, state.zoom);
    SelectObject(work, previousWork);
  }
  GfxPutPaletteBack(target, previousPalette);
  DeleteDC(work);
  DeleteDC(source);
  if (canvas != nullptr) DeleteObject(canvas);
}

void DrawFace(const SettingsWindowState& state, HDC target, const SpriteRect& face) {
  ComposeFace(state, target, face, nullptr);
}

void DrawSlider(const SettingsWindowState& state, HDC target, const SpriteRect& track,
                const SpriteRect& knob) {
  ComposeFace(state, target, track, &knob);
}

// Entries outside the table draw nothing; such speeds only come from a hand-edited file.
void DrawDigit(SettingsWindowState& state, HDC target, const SpriteRect& display, int entry) {
  if (entry < 0 || entry >= kDigitCount) entry = kDigitBlank;
  state.digitSprites[entry].x = display.x;
  state.digitSprites[entry].y = display.y;
  DrawFace(state, target, state.digitSprites[entry]);
}

void PlaceKnob(SettingsWindowState& state) {
  state.knob.x = KnobOffsetForSpeed(state.settings.speed);
}

// The control's window rectangle and the cursor in picture pixels, counted from the control's
// top-left corner: the screen offsets divided by the zoom, rounding down, so that every test
// of the cursor works as at zoom 1.
void ControlAndCursor(int32_t zoom, HWND control, RECT* rect, POINT* cursor) {
  RECT screen;
  POINT at;
  GetWindowRect(control, &screen);
  GetCursorPos(&at);
  *rect = RECT{0, 0, PictureOffset(screen.right - screen.left, zoom),
               PictureOffset(screen.bottom - screen.top, zoom)};
  *cursor = POINT{PictureOffset(at.x - screen.left, zoom), PictureOffset(at.y - screen.top, zoom)};
}

int32_t KnobOffsetUnderCursor(const SettingsWindowState& state, HWND slider) {
  RECT rect;
  POINT cursor;
  ControlAndCursor(state.zoom, slider, &rect, &cursor);
  return KnobOffsetFromCursor(rect.left, rect.right, cursor.x);
}

void InvalidateDigits(const SettingsWindowState& state) {
  InvalidateRect(state.tens, nullptr, FALSE);
  InvalidateRect(state.units, nullptr, FALSE);
}

// The cursor is inside when it lies within the control's window rectangle, the right and
// bottom edges included.
bool CursorInside(const SettingsWindowState& state, HWND control) {
  RECT rect;
  POINT cursor;
  ControlAndCursor(state.zoom, control, &rect, &cursor);
  return rect.left <= cursor.x && cursor.x <= rect.right && rect.top <= cursor.y &&
         cursor.y <= rect.bottom;
}

void StepSpeed(SettingsWindowState& state, int32_t step) {
  state.settings.speed = SteppedSpeed(state.settings.speed, step);
  PlaceKnob(state);
  InvalidateRect(state.slider, nullptr, FALSE);
  InvalidateDigits(state);
}

void ButtonAction(SettingsWindowState& state, SkinControl control, HWND button) {
  switch (control) {
    case CONTROL_OK:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandOk, reinterpret_cast<LPARAM>(button));
      break;
    case CONTROL_CANCEL:
      SendMessageA(GetParent(button), WM_COMMAND, kCommandCancel, reinterpret_cast<LPARAM>(button));
      break;
    case CONTROL_WAVMODE:
      state.settings.music = ToggledMusic(state.settings.music);
      break;
    case CONTROL_MNUM:
      StepSpeed(state, -1);
      break;
    case CONTROL_PNUM:
      StepSpeed(state, 1);
      break;
    default:
      break;
  }
}

template <SkinControl kControl>
LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsWindowState* const found = StateOfControl(button);
  if (found == nullptr) return DefWindowProcA(button, message, wParam, lParam);
  SettingsWindowState& state = *found;
  int32_t* const pressed = state.pressed;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(button, &paint);
      const SpriteRect* faces = state.faces[kControl];
      if (kControl == CONTROL_WAVMODE && MusicShowsOn(state.settings.music))
        faces = state.musicOnFaces;
      DrawFace(state, dc, faces[pressed[kControl] ? 1 : 0]);
      EndPaint(button, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      pressed[kControl] = 1;
      InvalidateRect(button, nullptr, FALSE);
      SetCapture(button);
      return 0;
    case WM_MOUSEMOVE:
      if (!CursorInside(state, button)) {
        pressed[kControl] = 0;
        InvalidateRect(button, nullptr, FALSE);
      } else if (wParam == MK_LBUTTON) {
        pressed[kControl] = 1;
        InvalidateRect(button, nullptr, FALSE);
        SetCapture(button);
      }
      return 0;
    case WM_LBUTTONUP:
      if (CursorInside(state, button)) ButtonAction(state, kControl, button);
      pressed[kControl] = 0;
      InvalidateRect(button, nullptr, FALSE);
      ReleaseCapture();
      return 0;
    default:
      return DefWindowProcA(button, message, wParam, lParam);
  }
}

// Moves the knob under the cursor and takes the speed from it.
void DragKnob(SettingsWindowState& state, HWND slider) {
  const int32_t noted = state.settings.speed;
  state.knob.x = KnobOffsetUnderCursor(state, slider);
  state.settings.speed = SpeedFromOffset(state.knob.x);
  InvalidateRect(slider, nullptr, FALSE);
  SetCapture(slider);
  if (state.settings.speed != noted) InvalidateDigits(state);
}

LRESULT CALLBACK SliderProc(HWND slider, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsWindowState* const found = StateOfControl(slider);
  if (found == nullptr) return DefWindowProcA(slider, message, wParam, lParam);
  SettingsWindowState& state = *found;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(slider, &paint);
      DrawSlider(state, dc, state.faces[CONTROL_BAR][0], state.knob);
      EndPaint(slider, &paint);
      return 0;
    }
    case WM_LBUTTONDOWN:
      DragKnob(state, slider);
      return 0;
    case WM_MOUSEMOVE:
      if (wParam == MK_LBUTTON) DragKnob(state, slider);
      return 0;
    case WM_LBUTTONUP: {
      const int32_t noted = state.settings.speed;
      state.settings.speed = SpeedFromOffset(KnobOffsetUnderCursor(state, slider));
      PlaceKnob(state);
      InvalidateRect(slider, nullptr, FALSE);
      ReleaseCapture();
      if (state.settings.speed != noted) InvalidateDigits(state);
      return 0;
    }
    default:
      return DefWindowProcA(slider, message, wParam, lParam);
  }
}

template <SkinControl kControl>
LRESULT CALLBACK DisplayProc(HWND display, UINT message, WPARAM wParam, LPARAM lParam) {
  SettingsWindowState* const state = StateOfControl(display);
  if (message != WM_PAINT || state == nullptr)
    return DefWindowProcA(display, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(display, &paint);
  const SpriteRect& face = state->faces[kControl][0];
  if (kControl == CONTROL_DSPNUMHI) {
    DrawDigit(*state, dc, face, TensEntry(state->settings.speed));
  } else if (kControl == CONTROL_DSPNUMLO) {
    DrawDigit(*state, dc, face, UnitsEntry(state->settings.speed));
  } else {
    DrawFace(*state, dc, face);
  }
  EndPaint(display, &paint);
  return 0;
}

void LoadSkin(SettingsWindowState& state, HWND window) {
  LoadSettings(state.settings, state.DataDirectory);
  const HDC dc = GetDC(window);
  SpriteSheet skin = {};
  GfxLoadPictures(dc, &kSkinResource, 1, &state.skinPalette, &state.replacedPalette, &skin,
                  kUnscaled);
  state.skinImage = skin.image;
  state.skinMask = skin.mask;
  ReleaseDC(window, dc);
}

void DeleteSkin(SettingsWindowState& state, HWND window) {
  if (state.skinImage != nullptr) DeleteObject(state.skinImage);
  if (state.skinMask != nullptr) DeleteObject(state.skinMask);
  state.skinImage = nullptr;
  state.skinMask = nullptr;
  GfxRestorePalette(window, state.replacedPalette, &state.skinPalette);
}

void PaintBackground(const SettingsWindowState& state, HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  const HDC memory = CreateCompatibleDC(dc);
  const HGDIOBJ previousBitmap =
      state.skinImage != nullptr ? SelectObject(memory, state.skinImage) : nullptr;
  const HPALETTE previousPalette = GfxSelectPalette(dc, state.skinPalette);
  if (previousBitmap != nullptr) {
    const RECT picture = GfxPictureRectOfPaint(client, state.zoom);
    GfxBlitZoomed(dc, picture.left, picture.top, picture.right - picture.left,
                  picture.bottom - picture.top, memory, 0, kSkinBackgroundRow, state.zoom);
    SelectObject(memory, previousBitmap);
  }
  GfxPutPaletteBack(dc, previousPalette);
  DeleteDC(memory);
  EndPaint(window, &paint);
}

// Saves and closes; a save that fails is said so and the window stays, so that the user can
// try again or cancel.
void ConfirmSettings(const SettingsWindowState& state, HWND window) {
  if (SaveSettings(state.settings)) {
    DestroyWindow(window);
    return;
  }
  // The OK button may still hold the capture; the message box needs the mouse.
  ReleaseCapture();
  MessageBoxW(window, MessageForUser(kSaveFailedText, kSaveFailedTextEnglish), kMessageCaption,
              MB_OK);
}

LRESULT CALLBACK SettingsWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The state comes with the first message that carries the creation parameter.
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  SettingsWindowState* const found = StateOf(window);
  if (found == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  SettingsWindowState& state = *found;
  switch (message) {
    case WM_CREATE:
      LoadSkin(state, window);
      return 0;
    case WM_PAINT:
      PaintBackground(state, window);
      return 0;
    case WM_COMMAND:
      if (wParam == kCommandOk) {
        ConfirmSettings(state, window);
      } else if (wParam == kCommandCancel) {
        DestroyWindow(window);
      }
      return 0;
    case WM_DESTROY:
      DeleteSkin(state, window);
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return DefWindowProcA(window, message, wParam, lParam);
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
bool CreateControls(SettingsWindowState& state, HWND window) {
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    if (!RegisterSkinClass(kControlProcs[i], kSkinControls[i].className)) return false;
  }
  for (int i = 0; i < CONTROL_COUNT; ++i) {
    const SkinControlLayout& c = kSkinControls[i];
    const HWND child = CreateSkinControl(state, window, static_cast<SkinControl>(i), c.className,
                                         c.x, c.y, c.srcX, c.srcY, c.width, c.height, c.faceOffset);
    if (child == nullptr) return false;
    if (i == CONTROL_WAVMODE) {
      SpriteRect* const musicOn = state.musicOnFaces;
      musicOn[0] = state.faces[CONTROL_WAVMODE][0];
      musicOn[1] = state.faces[CONTROL_WAVMODE][1];
      musicOn[0].srcX = musicOn[1].srcX = kMusicOnSrcX;
    } else if (i == CONTROL_BAR) {
      state.knob = SpriteRect{0, 0, kKnobSrcX, kKnobSrcY, kKnobSize, kKnobSize};
      state.slider = child;
    } else if (i == CONTROL_DSPNUMHI) {
      state.tens = child;
    } else if (i == CONTROL_DSPNUMLO) {
      state.units = child;
    }
  }
  return true;
}

}  // namespace

void RunSettingsWindow(HWND parent, int32_t zoom) {
  if (!RegisterSkinClass(SettingsWndProc, kWindowClass)) return;
  // The window's state, which lives until the window has closed.
  SettingsWindowState state;
  state.zoom = zoom < 1 ? 1 : zoom;
  const HWND window = CreateWindowExA(
      0, kWindowClass, nullptr, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
      GetSystemMetrics(SM_CXSCREEN) / 2 - kSkinClientWidth * state.zoom / 2,
      GetSystemMetrics(SM_CYSCREEN) / 2 - kSkinClientHeight * state.zoom / 2,
      kSkinClientWidth * state.zoom + GetSystemMetrics(SM_CXDLGFRAME),
      kSkinClientHeight * state.zoom + GetSystemMetrics(SM_CYDLGFRAME) +
          GetSystemMetrics(SM_CYCAPTION),
      nullptr, nullptr, GetModuleHandleA(nullptr), &state);
  if (window == nullptr) return;
  // The caption goes straight to the default procedure's wide text so that it reads the same
  // on every system code page; the ANSI path would squeeze it through the code page.
  DefWindowProcW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kCaption));
  // The window goes with its state, which ends here.
  if (!CreateControls(state, window)) {
    DestroyWindow(window);
    return;
  }

  for (int k = 0; k < kDigitCount; ++k)
    state.digitSprites[k] =
        SpriteRect{0, 0, kDigitSrcX + kDigitSize * k, kDigitSrcY, kDigitSize, kDigitSize};
  PlaceKnob(state);

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

const wchar_t* MessageForUser(const wchar_t* japanese, const wchar_t* english) {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? japanese : english;
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
