// MainWindow on the Win32 API: the window class and procedure, the controls and timers created
// in their fixed order, the colours answered to the controls, and the event loop. Captions are
// code page 936 texts converted to UTF-16 and set through the wide API, so they read the same
// whatever the machine's own code page.
#include "app/main_window.h"

#include "app/clock_calibration.h"
#include "app/local_clock.h"
#include "app/server_time_poll.h"
#include "app/window_controls_win.h"
#include "http/code_page.h"
#include "util/text_bytes.h"

namespace chronalt {
namespace {

constexpr wchar_t kClassName[] = L"ChronaltMainWindow";
constexpr char kCaption[] = "Chronalt";

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW;

// Disabled from the start, single-line, a one-pixel border, text centred.
constexpr DWORD kEditStyle =
    WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;
constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE | SS_NOPREFIX;
constexpr DWORD kCheckBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER;
constexpr DWORD kButtonStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER;

// One step of building the window: a control, or a timer when class_name is null.
struct Part {
  int id;  // ControlId, or TimerId for a timer
  const wchar_t* class_name;
  DWORD style;
  int left, top, width, height;
  const char* caption;  // code page 936
};

// In the order the window is built; z-order and tab order follow it.
constexpr Part kParts[] = {
    {kIdEditBox4, L"EDIT", kEditStyle, 315, 80, 48, 20, ""},
    {kIdEditBox3, L"EDIT", kEditStyle, 315, 32, 48, 20, ""},
    {kTimer3, nullptr, 0, 0, 0, 0, 0, nullptr},
    {kTimer2, nullptr, 0, 0, 0, 0, 0, nullptr},
    {kTimer1, nullptr, 0, 0, 0, 0, 0, nullptr},
    {kIdButton1, L"BUTTON", kButtonStyle, 204, 119, 144, 40,
     "\xD0\xA3\xD7\xBC\xCA\xB1\xBC\xE4"},  // 校准时间
    {kIdCheckBox1, L"BUTTON", kCheckBoxStyle, 34, 127, 80, 24,
     "\xD7\xD4\xB6\xAF\xD0\xA3\xD7\xBC"},  // 自动校准
    {kIdLabel2, L"STATIC", kLabelStyle, 29, 72, 64, 32,
     "\xB1\xBE\xB5\xD8\xCA\xB1\xBC\xE4:"},  // 本地时间:
    {kIdEditBox2, L"EDIT", kEditStyle | ES_READONLY, 100, 78, 200, 20, ""},
    {kIdEditBox1, L"EDIT", kEditStyle | ES_READONLY, 100, 32, 200, 20, ""},
    {kIdLabel1, L"STATIC", kLabelStyle, 28, 26, 64, 32,
     "Zorvane\xCA\xB1\xBC\xE4:"},  // Zorvane时间:
};

// The UTF-16 form of a code page 936 text, kept alive for the call that takes it.
class WideText {
 public:
  explicit WideText(const Text& text) : utf16_(TextToUtf16(text)) {}
  const wchar_t* get() const {
    return utf16_.empty() ? L"" : reinterpret_cast<const wchar_t*>(BytesPointer(utf16_));
  }

 private:
  Bytes utf16_;
};

// The layout is given for 96 DPI. The program declares itself DPI-aware, so at a higher system
// DPI it scales positions, sizes and the font itself and stays crisp instead of being
// stretched by the system; at 96 DPI every value is the given one.
constexpr int kLayoutDpi = 96;

int SystemDpi() {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return kLayoutDpi;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kLayoutDpi;
}

int Scaled(int value, int dpi) { return MulDiv(value, dpi, kLayoutDpi); }

// What the window owns beyond its controls, released when the window is destroyed.
struct WindowResources {
  HFONT scaled_font = nullptr;  // null at 96 DPI, where the stock font is used as it is
  ~WindowResources() {
    if (scaled_font != nullptr) DeleteObject(scaled_font);
  }
};

// The default GUI font at 96 DPI; at another DPI the same face at its size (8 points) for
// that DPI, owned by `resources`.
HFONT ControlFont(int dpi, WindowResources& resources) {
  const auto stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  if (dpi == kLayoutDpi) return stock;
  LOGFONTW face{};
  if (GetObjectW(stock, sizeof face, &face) == 0) return stock;
  face.lfHeight = -MulDiv(8, dpi, 72);
  face.lfWidth = 0;
  resources.scaled_font = CreateFontIndirectW(&face);
  return resources.scaled_font != nullptr ? resources.scaled_font : stock;
}

// A themed check box draws its caption in the theme's colour whatever WM_CTLCOLORSTATIC says,
// so this one is left unthemed to keep its caption red. uxtheme is looked up at run time: the
// program links only the DLLs it always needs, and without themes there is nothing to undo.
void KeepClassicLook(HWND control) {
  const HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
  if (uxtheme == nullptr) return;
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  // Through void*: the address comes back typed as a function of no arguments.
  const auto set_window_theme = reinterpret_cast<SetWindowThemeFn>(
      reinterpret_cast<void*>(GetProcAddress(uxtheme, "SetWindowTheme")));
  if (set_window_theme != nullptr) set_window_theme(control, L"", L"");
  FreeLibrary(uxtheme);
}

bool IsEditBox(int id) { return id >= kIdEditBox1 && id <= kIdEditBox4; }
bool IsLabel(int id) { return id == kIdLabel1 || id == kIdLabel2; }

void OnWindowCreated() {}

// The frame is fixed and there is no maximise button, so the system menu offers neither Size
// nor Maximize; Restore, Move, Minimize and Close stay.
void TrimSystemMenu(HWND window) {
  const HMENU menu = GetSystemMenu(window, FALSE);
  if (menu == nullptr) return;
  DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
  DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
}

// Builds the controls and timers; false when a control could not be made.
bool BuildParts(HWND window, WindowResources& resources) {
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  const int dpi = SystemDpi();
  const auto font = reinterpret_cast<WPARAM>(ControlFont(dpi, resources));
  for (const Part& part : kParts) {
    if (part.class_name == nullptr) {
      SetTimer(window, static_cast<UINT_PTR>(part.id), kTimerPeriodMs, nullptr);
      continue;
    }
    const HWND control =
        CreateWindowExW(0, part.class_name, WideText(part.caption).get(), part.style,
                        Scaled(part.left, dpi), Scaled(part.top, dpi), Scaled(part.width, dpi),
                        Scaled(part.height, dpi), window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(part.id)), instance, nullptr);
    if (control == nullptr) return false;
    SendMessageW(control, WM_SETFONT, font, FALSE);
    if (part.id == kIdCheckBox1) KeepClassicLook(control);
  }
  WindowControlHandles handles;
  handles.edit_boxes[0] = GetDlgItem(window, kIdEditBox1);
  handles.edit_boxes[1] = GetDlgItem(window, kIdEditBox2);
  handles.edit_boxes[2] = GetDlgItem(window, kIdEditBox3);
  handles.edit_boxes[3] = GetDlgItem(window, kIdEditBox4);
  handles.check_box = GetDlgItem(window, kIdCheckBox1);
  handles.button = GetDlgItem(window, kIdButton1);
  AttachWindowControls(handles);
  return true;
}

// Disabled and read-only edit boxes, labels and check boxes all ask with WM_CTLCOLORSTATIC;
// an enabled edit box would ask with WM_CTLCOLOREDIT and gets the same answer.
LRESULT ControlColours(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  if (IsEditBox(id)) {
    SetTextColor(dc, kEditBoxTextColour);
    SetBkColor(dc, kEditBoxBackColour);
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
  }
  if (IsLabel(id)) {  // only the caption is drawn, over whatever lies behind the label
    SetTextColor(dc, kLabelTextColour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  if (id == kIdCheckBox1) {
    SetTextColor(dc, kCheckBoxTextColour);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_CREATE: {
      auto* resources = new WindowResources;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(resources));
      if (!BuildParts(window, *resources)) return -1;
      TrimSystemMenu(window);
      OnWindowCreated();
      return 0;
    }
    case WM_TIMER:
      switch (wparam) {
        case kTimer1:
          OnServerPollTick();
          return 0;
        case kTimer2:
          OnLocalClockTick();
          return 0;
        case kTimer3:
          OnAutoCalibrateTick();
          return 0;
      }
      break;
    case WM_COMMAND:
      if (LOWORD(wparam) == kIdButton1 && HIWORD(wparam) == BN_CLICKED) {
        OnCalibrateClicked();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      if (const LRESULT brush =
              ControlColours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam))) {
        return brush;
      }
      break;
    case WM_DESTROY:
      // From here on workers' updates of the boxes are dropped.
      DetachWindowControls();
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:  // the last message: the controls, which used the font, are gone
      delete reinterpret_cast<WindowResources*>(GetWindowLongPtrW(window, GWLP_USERDATA));
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &MainWindowProc;
  window_class.hInstance = instance;
  // The program's own icon (resource 1), or the system's when a test binary has none.
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (window_class.hIcon == nullptr) {
    window_class.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  }
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool IsOwnWindow(HWND main_window, HWND window) {
  return window == main_window || IsChild(main_window, window);
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance) {
  if (!RegisterMainWindowClass(instance)) return nullptr;
  const int dpi = SystemDpi();
  const int width = Scaled(kMainWindowWidth, dpi);
  const int height = Scaled(kMainWindowHeight, dpi);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  return CreateWindowExW(kWindowExStyle, kClassName, WideText(kCaption).get(), kWindowStyle, left,
                         top, width, height, nullptr, nullptr, instance, nullptr);
}

int RunMessageLoop(HWND main_window) {
  MSG msg;
  int result;
  while ((result = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    // Controls take Esc for themselves (a button would swallow it), so it is caught here,
    // before dispatch, wherever the focus is within the window.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE &&
        IsOwnWindow(main_window, msg.hwnd)) {
      SendMessageW(main_window, WM_SYSCOMMAND, SC_CLOSE, 0);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return result < 0 ? 1 : static_cast<int>(msg.wParam);
}

int RunMainWindow(HINSTANCE instance, int show_command) {
  const HWND main_window = CreateMainWindow(instance);
  if (main_window == nullptr) return 1;
  ShowWindow(main_window, show_command);
  UpdateWindow(main_window);
  return RunMessageLoop(main_window);
}

}  // namespace chronalt
