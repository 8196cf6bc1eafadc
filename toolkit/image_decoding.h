#pragma once
// Pictures and cursors from the bytes of image files: JPEG, BMP, PNG and GIF
// through the Windows Imaging Component, icon (.ico) and cursor (.cur) files
// by reading their directory. Malformed bytes give an empty result.
#include <windows.h>

#include <string_view>

#include "platform/unique_handle.h"
#include "platform/user_handles.h"

namespace toolkit {

enum class ImageFileKind { unknown, icon, cursor };

// ICO and CUR files are told apart by their directory header; anything else
// is "unknown" here and left to the image decoder.
ImageFileKind image_file_kind(std::string_view bytes);

// A 32-bit top-down DIB section of the first frame; empty on failure.
platform::GdiObject<HBITMAP> decode_bitmap(std::string_view bytes, SIZE* size = nullptr);

// The 32 x 32 image of an icon or cursor file (or its first image when it
// has none of that size); cursors keep their hot spot. Empty on failure.
platform::IconHandle decode_icon(std::string_view bytes, SIZE* size = nullptr);

}  // namespace toolkit
