#include "toolkit/image_decoding.h"

#include <wincodec.h>

#include <cstdint>
#include <string>

#include "platform/com.h"

namespace toolkit {
namespace {

constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kDirectoryEntrySize = 16;
constexpr UINT kLargestSide = 16384;  // larger images are refused rather than allocated

std::uint16_t read16(std::string_view bytes, size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

std::uint32_t read32(std::string_view bytes, size_t at) {
  return static_cast<std::uint32_t>(read16(bytes, at)) |
         static_cast<std::uint32_t>(read16(bytes, at + 2)) << 16;
}

struct DirectoryEntry {
  int width = 0, height = 0;
  std::uint16_t hot_x = 0, hot_y = 0;  // cursors only
  std::string_view image;
};

// The entry to use: the first 32 x 32 one, else the first one.
bool choose_entry(std::string_view bytes, DirectoryEntry* chosen) {
  const std::uint16_t count = read16(bytes, 4);
  if (count == 0 || bytes.size() < kDirectoryHeaderSize + count * kDirectoryEntrySize) return false;
  bool found = false;
  for (std::uint16_t i = 0; i < count; ++i) {
    const size_t at = kDirectoryHeaderSize + i * kDirectoryEntrySize;
    DirectoryEntry entry;
    const unsigned char width = static_cast<unsigned char>(bytes[at]);
    const unsigned char height = static_cast<unsigned char>(bytes[at + 1]);
    entry.width = width == 0 ? 256 : width;
    entry.height = height == 0 ? 256 : height;
    entry.hot_x = read16(bytes, at + 4);
    entry.hot_y = read16(bytes, at + 6);
    const std::uint32_t size = read32(bytes, at + 8);
    const std::uint32_t offset = read32(bytes, at + 12);
    if (offset > bytes.size() || size > bytes.size() - offset || size < 40) continue;
    entry.image = bytes.substr(offset, size);
    const bool preferred = entry.width == 32 && entry.height == 32;
    if (!found || preferred) {
      *chosen = entry;
      found = true;
      if (preferred) break;
    }
  }
  return found;
}

}  // namespace

ImageFileKind image_file_kind(std::string_view bytes) {
  if (bytes.size() < kDirectoryHeaderSize || read16(bytes, 0) != 0) return ImageFileKind::unknown;
  switch (read16(bytes, 2)) {
    case 1:
      return ImageFileKind::icon;
    case 2:
      return ImageFileKind::cursor;
    default:
      return ImageFileKind::unknown;
  }
}

platform::IconHandle decode_icon(std::string_view bytes, SIZE* size) {
  const ImageFileKind kind = image_file_kind(bytes);
  if (kind == ImageFileKind::unknown) return {};
  DirectoryEntry entry;
  if (!choose_entry(bytes, &entry)) return {};

  // CreateIconFromResourceEx takes a cursor's image preceded by its hot spot.
  std::string resource;
  if (kind == ImageFileKind::cursor) {
    const char hot_spot[4] = {static_cast<char>(entry.hot_x & 0xFF), static_cast<char>(entry.hot_x >> 8),
                              static_cast<char>(entry.hot_y & 0xFF), static_cast<char>(entry.hot_y >> 8)};
    resource.assign(hot_spot, sizeof hot_spot);
  }
  resource.append(entry.image);
  HICON icon = CreateIconFromResourceEx(
      reinterpret_cast<PBYTE>(resource.data()), static_cast<DWORD>(resource.size()),
      kind == ImageFileKind::icon, 0x00030000, entry.width, entry.height, LR_DEFAULTCOLOR);
  if (icon && size) *size = SIZE{entry.width, entry.height};
  return platform::IconHandle(icon);
}

platform::GdiObject<HBITMAP> decode_bitmap(std::string_view bytes, SIZE* size) {
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return {};
  platform::ScopedComApartment com;
  if (!com.usable()) return {};
  platform::ComPtr<IWICImagingFactory> factory;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, factory.put_void()))) {
    return {};
  }
  platform::ComPtr<IWICStream> stream;
  if (FAILED(factory->CreateStream(stream.put())) ||
      FAILED(stream->InitializeFromMemory(
          reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), static_cast<DWORD>(bytes.size())))) {
    return {};
  }
  platform::ComPtr<IWICBitmapDecoder> decoder;
  if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                              decoder.put()))) {
    return {};
  }
  platform::ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.put()))) return {};
  platform::ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.put())) ||
      FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                   WICBitmapDitherTypeNone, nullptr, 0.0,
                                   WICBitmapPaletteTypeCustom))) {
    return {};
  }
  UINT width = 0, height = 0;
  if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 ||
      width > kLargestSide || height > kLargestSide) {
    return {};
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  platform::GdiObject<HBITMAP> bitmap(
      CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return {};
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(bits)))) {
    return {};
  }
  if (size) *size = SIZE{static_cast<LONG>(width), static_cast<LONG>(height)};
  return bitmap;
}

}  // namespace toolkit
