#include "tests/app/window_probe.h"

#include <commctrl.h>

#include <cwctype>

namespace probe {
namespace {

// Memory inside another process, for messages whose argument is a pointer
// the window system does not carry across processes (the tab control's).
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                           process_id);
    if (process_) {
      address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    }
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    if (process_) CloseHandle(process_);
  }
  bool ok() const { return address_ != nullptr; }
  char* address() const { return static_cast<char*>(address_); }
  bool write(const void* data, size_t size, size_t offset = 0) {
    SIZE_T written = 0;
    return WriteProcessMemory(process_, address() + offset, data, size, &written) && written == size;
  }
  bool read(void* data, size_t size, size_t offset = 0) {
    SIZE_T got = 0;
    return ReadProcessMemory(process_, address() + offset, data, size, &got) && got == size;
  }

 private:
  HANDLE process_ = nullptr;
  void* address_ = nullptr;
  size_t size_;
};

bool same_class(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  }
  return true;
}

}  // namespace

std::wstring class_name(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return name;
}

// GetWindowText does not ask a control of another process for its text
// (an edit box keeps its own); the message does.
std::wstring window_text(HWND window) {
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, &copied);
  return text;
}

void set_window_text(HWND window, const std::wstring& text) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                      SMTO_ABORTIFHUNG, 5000, &result);
}

std::vector<HWND> top_level_windows(DWORD process_id, const std::wstring& class_filter) {
  struct Search {
    DWORD process_id;
    const std::wstring* filter;
    std::vector<HWND> found;
  } search{process_id, &class_filter, {}};
  EnumWindows(
      [](HWND window, LPARAM parameter) -> BOOL {
        auto* s = reinterpret_cast<Search*>(parameter);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == s->process_id && (s->filter->empty() || class_name(window) == *s->filter)) {
          s->found.push_back(window);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    found.push_back(child);
  }
  return found;
}

RECT rect_in_parent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  HWND parent = GetParent(window);
  if (parent && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  }
  return rect;
}

HWND child_at(HWND parent, const std::wstring& wanted_class, int x, int y, int width, int height) {
  for (HWND child : children(parent)) {
    if (!same_class(class_name(child), wanted_class)) continue;
    const RECT r = rect_in_parent(child);
    if (r.left == x && r.top == y && r.right - r.left == width && r.bottom - r.top == height) {
      return child;
    }
  }
  return nullptr;
}

std::vector<std::wstring> tab_captions(HWND tab) {
  std::vector<std::wstring> captions;
  const int count = static_cast<int>(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
  constexpr size_t kTextChars = 128;
  RemoteBuffer remote(tab, sizeof(TCITEMW) + kTextChars * sizeof(wchar_t));
  if (!remote.ok()) return captions;
  for (int i = 0; i < count; ++i) {
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = reinterpret_cast<wchar_t*>(remote.address() + sizeof(TCITEMW));
    item.cchTextMax = kTextChars - 1;
    wchar_t text[kTextChars] = {};
    remote.write(&item, sizeof item);
    remote.write(text, sizeof text, sizeof(TCITEMW));
    SendMessageW(tab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(remote.address()));
    remote.read(&item, sizeof item);
    // The control may point pszText at its own copy of the text.
    const size_t offset = reinterpret_cast<char*>(item.pszText) - remote.address();
    if (offset == sizeof(TCITEMW)) remote.read(text, sizeof text - sizeof(wchar_t), sizeof(TCITEMW));
    captions.push_back(text);
  }
  return captions;
}

RECT tab_header_rect(HWND tab, int index) {
  RECT rect{};
  RemoteBuffer remote(tab, sizeof rect);
  if (remote.ok() &&
      SendMessageW(tab, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.address()))) {
    remote.read(&rect, sizeof rect);
  }
  return rect;
}

std::vector<std::wstring> combo_items(HWND combo) {
  std::vector<std::wstring> items;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    std::wstring text(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
    const LRESULT copied =
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    items.push_back(text);
  }
  return items;
}

void choose_menu_item(HWND window, int position, int menu) {
  // Keyboard through the menu bar: the first menu, right to the wanted one,
  // down to the item, Enter.
  PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
  for (int i = 0; i < menu; ++i) PostMessageW(window, WM_KEYDOWN, VK_RIGHT, 0);
  for (int i = 0; i <= position; ++i) PostMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
}

void post_click(HWND window, int x, int y) {
  const LPARAM at = MAKELPARAM(x, y);
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(window, WM_LBUTTONUP, 0, at);
}

Shades screen_shades(const RECT& r) {
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  Shades shades;
  if (width <= 0 || height <= 0) return shades;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const auto* pixels = static_cast<const unsigned char*>(bits);
  long dark = 0, light = 0;
  for (int i = 0; i < width * height; ++i) {
    const int sum = pixels[i * 4] + pixels[i * 4 + 1] + pixels[i * 4 + 2];
    if (sum < 200) ++dark;
    if (sum > 600) ++light;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  shades.dark = static_cast<double>(dark) / (width * height);
  shades.light = static_cast<double>(light) / (width * height);
  return shades;
}

}  // namespace probe
