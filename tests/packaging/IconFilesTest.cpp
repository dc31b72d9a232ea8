// The committed icon files, as a desktop and Windows read them: every PNG has
// the size its name says, the window's 48 px icon has at most 256 colours,
// and the .ico directory holds well-formed images whose corners are
// see-through and whose middle is not.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>

#include "BinaryReader.h"

namespace vantrel::testing {
namespace {

const std::string kIconDir = VANTREL_ICON_DIR;

class DesktopPng : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(DesktopPng, IsSquareTrueColourWithAlphaOfItsNamedSize) {
  const std::uint32_t size = GetParam();
  const PngInfo info =
      ReadPngInfo(ReadFile(kIconDir + "/vantrel-" + std::to_string(size) + ".png"));
  EXPECT_EQ(info.width, size);
  EXPECT_EQ(info.height, size);
  EXPECT_EQ(info.bit_depth, 8);
  EXPECT_EQ(info.colour_type, 6);
  ASSERT_FALSE(info.chunks.empty());
  EXPECT_EQ(info.chunks.front(), "IHDR");
  EXPECT_EQ(info.chunks.back(), "IEND");
}

INSTANTIATE_TEST_SUITE_P(AllSizes, DesktopPng, ::testing::Values(16, 24, 32, 48, 64, 128, 256));

TEST(WindowIcon, Is48PixelsIn256ColoursWithTransparency) {
  const PngInfo info = ReadPngInfo(ReadFile(kIconDir + "/vantrel-48-256colour.png"));
  EXPECT_EQ(info.width, 48U);
  EXPECT_EQ(info.height, 48U);
  EXPECT_EQ(info.colour_type, 3) << "not a palette image";
  EXPECT_EQ(info.bit_depth, 8);
  EXPECT_GT(info.palette_entries, 1U);
  EXPECT_LE(info.palette_entries, 256U);
  const std::set<std::string> chunks(info.chunks.begin(), info.chunks.end());
  EXPECT_TRUE(chunks.count("tRNS")) << "the corners would be opaque";
  EXPECT_FALSE(chunks.count("tIME")) << "regenerating would change the file";
}

// One image of an .ico file, as its directory entry describes it.
struct IcoEntry {
  std::uint32_t size = 0;
  std::uint16_t bits = 0;
  Bytes image;
};

std::vector<IcoEntry> ReadIco(const Bytes& ico) {
  if (Le16(ico, 0) != 0 || Le16(ico, 2) != 1)
    throw std::runtime_error("not an icon file");
  std::vector<IcoEntry> entries;
  const std::uint16_t count = Le16(ico, 4);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = 6 + 16 * i;
    const std::uint8_t width = U8(ico, at);
    EXPECT_EQ(U8(ico, at + 1), width) << "entry " << i << " is not square";
    EXPECT_EQ(Le16(ico, at + 4), 1) << "entry " << i << " planes";
    IcoEntry entry;
    entry.size = width == 0 ? 256U : width;
    entry.bits = Le16(ico, at + 6);
    entry.image = Slice(ico, Le32(ico, at + 12), Le32(ico, at + 8));
    entries.push_back(std::move(entry));
  }
  return entries;
}

// Whether pixel (x, y), counted from the top left, is opaque in an icon
// bitmap: the AND mask must leave it and, with 32 bits, alpha must show it.
bool BitmapOpaque(const IcoEntry& entry, std::uint32_t x, std::uint32_t y) {
  const Bytes& dib = entry.image;
  const std::uint32_t size = entry.size;
  const std::size_t palette = entry.bits == 8 ? 256 * 4 : 0;
  const std::size_t colour_stride = (size * entry.bits + 31) / 32 * 4;
  const std::size_t mask_stride = (size + 31) / 32 * 4;
  const std::size_t row = size - 1 - y;  // rows are stored bottom up
  const std::size_t mask_at = 40 + palette + colour_stride * size + mask_stride * row;
  const bool masked = (U8(dib, mask_at + x / 8) & (0x80 >> (x % 8))) != 0;
  if (entry.bits == 32) {
    const std::uint8_t alpha = U8(dib, 40 + colour_stride * row + 4 * x + 3);
    EXPECT_EQ(masked, alpha == 0) << "mask and alpha disagree at " << x << "," << y;
  }
  return !masked;
}

TEST(WindowsIcon, HoldsTheSizesWindowsAsksFor) {
  const auto entries = ReadIco(ReadFile(VANTREL_ICO_FILE));
  std::set<std::tuple<std::uint32_t, std::uint16_t>> found;
  for (const auto& entry : entries)
    found.emplace(entry.size, entry.bits);
  const std::set<std::tuple<std::uint32_t, std::uint16_t>> expected = {
      {16, 32}, {32, 32}, {48, 32}, {48, 8}, {256, 32}};
  EXPECT_EQ(found, expected);
  EXPECT_EQ(entries.size(), expected.size());
}

TEST(WindowsIcon, EveryImageIsWellFormedWithClearCornersAndSolidMiddle) {
  for (const auto& entry : ReadIco(ReadFile(VANTREL_ICO_FILE))) {
    SCOPED_TRACE(std::to_string(entry.size) + " px, " + std::to_string(entry.bits) + " bits");
    if (IsPng(entry.image)) {
      const PngInfo info = ReadPngInfo(entry.image);
      EXPECT_EQ(info.width, entry.size);
      EXPECT_EQ(info.height, entry.size);
      continue;
    }
    const Bytes& dib = entry.image;
    ASSERT_EQ(Le32(dib, 0), 40U) << "BITMAPINFOHEADER";
    EXPECT_EQ(Le32(dib, 4), entry.size);
    EXPECT_EQ(Le32(dib, 8), 2 * entry.size) << "colour rows and mask rows";
    EXPECT_EQ(Le16(dib, 14), entry.bits);
    const std::size_t palette = entry.bits == 8 ? 256 * 4 : 0;
    const std::size_t colour = (entry.size * entry.bits + 31) / 32 * 4 * entry.size;
    const std::size_t mask = (entry.size + 31) / 32 * 4 * entry.size;
    EXPECT_EQ(dib.size(), 40 + palette + colour + mask);

    const std::uint32_t last = entry.size - 1;
    EXPECT_FALSE(BitmapOpaque(entry, 0, 0));
    EXPECT_FALSE(BitmapOpaque(entry, last, 0));
    EXPECT_FALSE(BitmapOpaque(entry, 0, last));
    EXPECT_FALSE(BitmapOpaque(entry, last, last));
    EXPECT_TRUE(BitmapOpaque(entry, entry.size / 2, entry.size / 2));
    EXPECT_TRUE(BitmapOpaque(entry, entry.size / 4, entry.size / 2));
  }
}

}  // namespace
}  // namespace vantrel::testing
