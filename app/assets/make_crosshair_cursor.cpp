// Writes crosshair.cur: a 32 x 32 cursor with its hot spot at 16,16 in 32-bit
// colour (a black cross and ring with a white halo, red centre). A host tool:
//   g++ -std=c++17 -o /tmp/make_cursor make_crosshair_cursor.cpp && /tmp/make_cursor crosshair.cur
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 32;
constexpr int kHot = 16;

struct Bgra {
  std::uint8_t b, g, r, a;
};

Bgra pixel(int x, int y) {
  const int dx = x - kHot;
  const int dy = y - kHot;
  const double ring = std::fabs(std::sqrt(double(dx * dx + dy * dy)) - 9.0);
  const bool on_cross = (dx == 0 && std::abs(dy) <= 14) || (dy == 0 && std::abs(dx) <= 14);
  const bool near_cross =
      (std::abs(dx) <= 1 && std::abs(dy) <= 15) || (std::abs(dy) <= 1 && std::abs(dx) <= 15);
  if (on_cross || ring < 0.6) {
    return (dx == 0 && dy == 0) ? Bgra{0x20, 0x20, 0xC0, 0xFF} : Bgra{0, 0, 0, 0xFF};
  }
  if (near_cross || ring < 1.6) return Bgra{0xFF, 0xFF, 0xFF, 0xFF};
  return Bgra{0, 0, 0, 0};
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "crosshair.cur";
  std::vector<std::uint8_t> colour;  // bottom-up rows of BGRA
  std::vector<std::uint8_t> mask;    // bottom-up rows of 1-bit AND mask, MSB first
  for (int y = kSize - 1; y >= 0; --y) {
    std::uint32_t bits = 0;
    for (int x = 0; x < kSize; ++x) {
      const Bgra p = pixel(x, y);
      colour.insert(colour.end(), {p.b, p.g, p.r, p.a});
      if (p.a == 0) bits |= 1u << (31 - x);
    }
    for (int shift = 24; shift >= 0; shift -= 8) mask.push_back((bits >> shift) & 0xFF);
  }
  std::vector<std::uint8_t> image;
  put32(image, 40);           // BITMAPINFOHEADER size
  put32(image, kSize);        // width
  put32(image, kSize * 2);    // height of colour + mask
  put16(image, 1);            // planes
  put16(image, 32);           // bits per pixel
  put32(image, 0);            // BI_RGB
  put32(image, static_cast<std::uint32_t>(colour.size() + mask.size()));
  for (int i = 0; i < 4; ++i) put32(image, 0);
  image.insert(image.end(), colour.begin(), colour.end());
  image.insert(image.end(), mask.begin(), mask.end());

  std::vector<std::uint8_t> file;
  put16(file, 0);  // reserved
  put16(file, 2);  // type: cursor
  put16(file, 1);  // one image
  file.push_back(kSize);
  file.push_back(kSize);
  file.push_back(0);  // colours
  file.push_back(0);  // reserved
  put16(file, kHot);  // hot spot x
  put16(file, kHot);  // hot spot y
  put32(file, static_cast<std::uint32_t>(image.size()));
  put32(file, 6 + 16);
  file.insert(file.end(), image.begin(), image.end());

  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 1;
  const bool ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
