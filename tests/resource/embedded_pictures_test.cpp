// The icons and pictures embedded in the program are well-formed ICO and
// GIF files, and references in window resources find them.
#include <gtest/gtest.h>

#include "runtime/platform/resource_table.h"
#include "runtime/ui/window_resource.h"

namespace {

std::uint32_t le16(std::span<const std::uint8_t> b, std::size_t p) {
  return b[p] | (b[p + 1] << 8);
}
std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t p) {
  return le16(b, p) | (le16(b, p + 2) << 16);
}

const char* const kIcons[] = {"CLOCK",  "WIZARD",  "MSG",      "CAL2",     "OK",       "INSERT",
                              "OPEN",   "CUT",     "LITEBOLT", "RUN",      "EXIT",     "PICK",
                              "CANCEL", "CHECK",   "CHKUNCHK", "NEXTPAGE", "disabled", "done",
                              "done1",  "notdone", "skip"};
const char* const kPictures[] = {"PDWMAIN", "PDWROTAT", "WRENCH", "TIMEPIEC"};

TEST(EmbeddedPictures, IconsAreIcoFilesWithWholeImages) {
  for (const char* name : kIcons) {
    const dw::res::Resource* r =
        dw::res::findResource("ICON", dw::res::resourceNameForFile(std::string(name) + ".ICO"));
    ASSERT_NE(nullptr, r) << name;
    const auto b = r->bytes;
    ASSERT_GE(b.size(), 22u) << name;
    EXPECT_EQ(0u, le16(b, 0)) << name;
    EXPECT_EQ(1u, le16(b, 2)) << name;  // an icon, not a cursor
    const std::uint32_t count = le16(b, 4);
    ASSERT_GE(count, 1u) << name;
    ASSERT_GE(b.size(), 6 + 16 * count);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t entry = 6 + 16 * i;
      const std::uint32_t size = le32(b, entry + 8), offset = le32(b, entry + 12);
      ASSERT_LE(std::uint64_t{offset} + size, b.size()) << name;
      EXPECT_EQ(40u, le32(b, offset)) << name;  // a bitmap header
      EXPECT_EQ(b[entry] == 0 ? 256u : b[entry], le32(b, offset + 4)) << name;
    }
  }
}

TEST(EmbeddedPictures, PicturesAreGifFiles) {
  for (const char* name : kPictures) {
    const dw::res::Resource* r = dw::res::findResource("IMAGE", std::string(name) + "_GIF");
    ASSERT_NE(nullptr, r) << name;
    const auto b = r->bytes;
    ASSERT_GE(b.size(), 14u);
    EXPECT_EQ("GIF89a", std::string(reinterpret_cast<const char*>(b.data()), 6)) << name;
    EXPECT_GT(le16(b, 6), 0u);
    EXPECT_GT(le16(b, 8), 0u);
    EXPECT_EQ(0x3B, b.back()) << name;
  }
}

TEST(EmbeddedPictures, ReferencesFindTheirResources) {
  EXPECT_EQ(dw::res::findResource("ICON", "WIZARD_ICO"),
            dw::ui::findReferencedResource("~wizard.ico"));
  EXPECT_EQ(dw::res::findResource("IMAGE", "PDWMAIN_GIF"),
            dw::ui::findReferencedResource("~PDWMAIN.GIF"));
  EXPECT_EQ(nullptr, dw::ui::findReferencedResource("~NOSUCH.ICO"));
  EXPECT_EQ(nullptr, dw::ui::findReferencedResource("WIZARD.ICO"));  // a file name
  EXPECT_EQ(nullptr, dw::ui::findReferencedResource(""));
}

}  // namespace
