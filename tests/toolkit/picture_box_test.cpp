// Pictures and cursors from file bytes: decoding, the picture box's
// properties, its painting, and its cursor (also while the mouse is captured).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "runtime/system.h"
#include "tests/support/test_environment.h"
#include "toolkit/form.h"
#include "toolkit/image_decoding.h"

namespace {

using namespace toolkit;

std::string asset(const char* name) {
  std::string bytes;
  runtime::read_file(test_support::to_windows_path(test_support::source_dir_unix() + "/app/assets/" + name),
                     &bytes);
  return bytes;
}

// A 3 x 2 bitmap file, 24 bits, bottom-up: the top-left pixel is pure red.
std::string small_bmp() {
  std::string rows;
  const unsigned char bottom[] = {0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0, 0};   // green, padded
  const unsigned char top[] = {0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 0, 0};  // red, white, blue
  rows.append(reinterpret_cast<const char*>(bottom), sizeof bottom);
  rows.append(reinterpret_cast<const char*>(top), sizeof top);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = static_cast<DWORD>(file.bfOffBits + rows.size());
  info.biSize = sizeof info;
  info.biWidth = 3;
  info.biHeight = 2;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
         std::string(reinterpret_cast<const char*>(&info), sizeof info) + rows;
}

// An icon directory whose one entry claims the given size and offset.
std::string icon_directory(unsigned type, unsigned size, unsigned offset, size_t total) {
  std::string bytes(total, '\0');
  bytes[2] = static_cast<char>(type);
  bytes[4] = 1;
  bytes[6] = 32;
  bytes[7] = 32;
  for (int i = 0; i < 4; ++i) {
    bytes[14 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    bytes[18 + i] = static_cast<char>((offset >> (8 * i)) & 0xFF);
  }
  return bytes;
}

TEST(ImageDecodingTest, RasterFilesDecodeToTheirSize) {
  struct Case {
    const char* name;
    std::string bytes;
    LONG width, height;
  } const cases[] = {
      {"payment JPEG", asset("payment_first.jpg"), 190, 190},
      {"second JPEG", asset("payment_second.jpg"), 190, 190},
      {"BMP", small_bmp(), 3, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    SIZE size{};
    auto bitmap = decode_bitmap(c.bytes, &size);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(size.cx, c.width);
    EXPECT_EQ(size.cy, c.height);
  }
  DIBSECTION dib{};
  auto bitmap = decode_bitmap(small_bmp());
  ASSERT_EQ(GetObjectW(bitmap.get(), sizeof dib, &dib), static_cast<int>(sizeof dib));
  const auto* top_left = static_cast<const unsigned char*>(dib.dsBm.bmBits);  // top-down rows
  EXPECT_EQ(top_left[2], 255);  // red
  EXPECT_EQ(top_left[1], 0);
  EXPECT_EQ(top_left[0], 0);
}

TEST(ImageDecodingTest, IconAndCursorFilesKeepKindAndHotSpot) {
  struct Case {
    const char* name;
    ImageFileKind kind;
    BOOL is_icon;
    DWORD hot_x, hot_y;
  } const cases[] = {
      {"crosshair.cur", ImageFileKind::cursor, FALSE, 16, 16},
      {"moqiao.ico", ImageFileKind::icon, TRUE, 16, 16},  // icons report their centre
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = asset(c.name);
    EXPECT_EQ(image_file_kind(bytes), c.kind);
    SIZE size{};
    auto icon = decode_icon(bytes, &size);
    ASSERT_TRUE(icon);
    EXPECT_EQ(size.cx, 32);
    EXPECT_EQ(size.cy, 32);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    EXPECT_EQ(info.fIcon, c.is_icon);
    EXPECT_EQ(info.xHotspot, c.hot_x);
    EXPECT_EQ(info.yHotspot, c.hot_y);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
  }
}

TEST(ImageDecodingTest, MalformedBytesGiveNothing) {
  struct Case {
    const char* name;
    std::string bytes;
  } const cases[] = {
      {"empty", ""},
      {"text", "not a picture at all"},
      {"directory cut short", icon_directory(2, 100, 22, 12)},
      {"image beyond the end", icon_directory(2, 4000, 22, 200)},
      {"offset beyond the end", icon_directory(1, 40, 5000, 200)},
      {"size wrapping around", icon_directory(2, 0xFFFFFFF0u, 22, 200)},
      {"no entries", std::string("\0\0\2\0\0\0", 6)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(decode_icon(c.bytes));
    EXPECT_FALSE(decode_bitmap(c.bytes));
  }
}

class PictureBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    FormArgs layout;
    layout.name = "pictures";
    layout.x = 100;
    layout.y = 100;
    layout.width = 300;
    layout.height = 260;
    PictureArgs box;
    box.place = Placement{"box", 10, 10, 200, 200};
    box.colours.background = RGB(255, 255, 255);
    box.cursor = IDC_CROSS;
    layout.controls.push_back(box);
    form_ = Form::open(layout, {});
    ASSERT_NE(form_, nullptr);
    box_ = &form_->picture_box("box");
  }
  void TearDown() override {
    ReleaseCapture();
    DestroyWindow(form_->handle());
  }
  HCURSOR cursor_after_set_cursor_message() {
    SendMessageW(box_->window_handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(box_->window_handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  }
  // Dark share of the box's own painting.
  double dark_share_of_painting() {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 200, 200);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(box_->window_handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    int dark = 0;
    for (int y = 0; y < 200; y += 2) {
      for (int x = 0; x < 200; x += 2) {
        const COLORREF c = GetPixel(memory, x, y);
        if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 200) ++dark;
      }
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return dark / 10000.0;
  }
  std::shared_ptr<Form> form_;
  PictureBox* box_ = nullptr;
};

TEST_F(PictureBoxTest, PictureIsSetFromBytesAndReadsBackAsThem) {
  struct Case {
    const char* name;
    std::string bytes;
    bool accepted;
    bool shows_picture;
  } const cases[] = {
      {"JPEG", asset("payment_first.jpg"), true, true},
      {"cursor file", asset("crosshair.cur"), true, true},
      {"nothing", "", true, false},
      {"not an image", "garbage", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(box_->set_picture_bytes(c.bytes), c.accepted);
    EXPECT_EQ(box_->has_picture(), c.shows_picture);
    EXPECT_EQ(box_->picture_bytes(), c.shows_picture ? c.bytes : std::string());
    const double dark = dark_share_of_painting();
    if (c.shows_picture) {
      EXPECT_GT(dark, 0.0);
    } else {
      EXPECT_EQ(dark, 0.0);  // the white background only
    }
  }
}

TEST_F(PictureBoxTest, CursorComesFromBytesAndEmptyBytesGiveTheArrow) {
  EXPECT_EQ(cursor_after_set_cursor_message(), LoadCursorW(nullptr, IDC_CROSS));
  const std::string crosshair = asset("crosshair.cur");
  ASSERT_TRUE(box_->set_cursor_bytes(crosshair));
  EXPECT_EQ(box_->cursor_bytes(), crosshair);
  const HCURSOR custom = cursor_after_set_cursor_message();
  EXPECT_NE(custom, LoadCursorW(nullptr, IDC_CROSS));
  EXPECT_NE(custom, LoadCursorW(nullptr, IDC_ARROW));

  ASSERT_TRUE(box_->set_cursor_bytes(""));
  EXPECT_EQ(cursor_after_set_cursor_message(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_FALSE(box_->set_cursor_bytes(asset("payment_first.jpg")));  // not a cursor
  EXPECT_EQ(box_->cursor_bytes(), "");
  EXPECT_EQ(cursor_after_set_cursor_message(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(PictureBoxTest, NewCursorShowsAtOnceWhileTheMouseIsCaptured) {
  SetCapture(box_->window_handle());
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  // No WM_SETCURSOR arrives during a capture: the change must show by itself.
  ASSERT_TRUE(box_->set_cursor_bytes(asset("crosshair.cur")));
  const HCURSOR shown = GetCursor();
  EXPECT_NE(shown, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(shown, box_->cursor());
  // The usual swap of a capture: the cursor goes back into the picture.
  ASSERT_TRUE(box_->set_picture_bytes(box_->cursor_bytes()));
  ASSERT_TRUE(box_->set_cursor_bytes(""));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_TRUE(box_->has_picture());
}

}  // namespace
