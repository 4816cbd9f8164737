// The blob layout: the offset rule, the byte positions of record fields,
// reader/writer round trips, and malformed, truncated and looping blobs.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/ui/resfmt/blob_writer.h"
#include "runtime/ui/resfmt/resource_source.h"
#include "runtime/ui/resfmt/window_record.h"

namespace rf = dw::resfmt;

namespace {

using Blob = std::vector<std::uint8_t>;

std::uint32_t u32At(const Blob& b, std::size_t p) {
  return b[p] | (b[p + 1] << 8) | (b[p + 2] << 16) | (static_cast<std::uint32_t>(b[p + 3]) << 24);
}

void putU32(Blob& b, std::size_t p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[p + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Blob position of an offset, for a key string of length k.
std::size_t pos(const std::string& key, std::uint32_t offset) {
  return offset + key.size() - 1;
}

std::string textAt(const Blob& b, std::size_t p) {
  return std::string(reinterpret_cast<const char*>(&b[p]));
}

rf::Module compile(const std::string& source) {
  rf::CompileResult r = rf::compileSource(source, "test.dws");
  EXPECT_TRUE(r.ok()) << r.error.text();
  return r.ok() ? *r.module : rf::Module{};
}

Blob blobOf(const std::string& source) {
  return rf::writeModule(compile(source));
}

TEST(BlobOffsets, FirstWindowOffsetFollowsTheKeyAndCountsFromTwoBytesBefore) {
  for (const std::string key : {"M$m", "DORN.vls$dorn008", "X", "A.vls$a_very_long_module_name"}) {
    rf::Module m;
    m.key = key;
    m.windows.emplace_back();
    m.windows.back().label = "W$X";
    const Blob b = rf::writeModule(m);
    ASSERT_EQ(0, std::memcmp(b.data(), key.c_str(), key.size() + 1));
    // The first window's offset is stored at offset 2, i.e. right after the key.
    const std::uint32_t first = u32At(b, key.size() + 1);
    // A byte at position p has offset p - k - 1 + 2.
    const std::size_t p = pos(key, first);
    ASSERT_LT(p, b.size());
    EXPECT_EQ(first, p - key.size() - 1 + 2);
    EXPECT_EQ(25, b[p]) << key;
    EXPECT_EQ("W$X", textAt(b, pos(key, u32At(b, p + 33))));
  }
}

TEST(BlobOffsets, WorkedExampleBytes) {
  rf::Module m;
  m.key = "M$m";
  rf::WindowRecord w;
  w.label = "W";
  w.timer = 250;
  m.windows.push_back(w);
  const Blob b = rf::writeModule(m);
  // "M$m\0", first window offset, "W\0", then the window record.
  const Blob head = {'M', '$', 'm', 0, 8, 0, 0, 0, 'W', 0, 25};
  ASSERT_GE(b.size(), head.size());
  EXPECT_EQ(head, Blob(b.begin(), b.begin() + head.size()));
  EXPECT_EQ(10u + 105u, b.size());
  EXPECT_EQ(0x80000000u, u32At(b, 10 + 13));  // x placed by the system
  EXPECT_EQ(6u, u32At(b, 10 + 33));           // label at position 8 = offset 6
  EXPECT_EQ(250u, u32At(b, 10 + 85));
}

const char* kFrameLike = R"(
module "T.vls$t001"
window ONE$W {
  title "One" icon "~WIZARD.ICO" cursor stock 32512 font "MS Sans Serif" 8 -1 400
  at 10 20 size 100 50 attr 0x810 create 0x7 extended 0x3004 status "Hello"
  help "OneHelp" palette 65535 timer 250 values 1 2 3 zones -1 80 120 45
  menubar {
    menu "&File" {
      status "File things"
      action 1
      item "&Open" { status "Open it" key 119 action 16 }
      separator
      menu "&More" { numbered item "&Deep" }
    }
  }
  toolbar { height 18 button "B" { at 1 2 size 3 4 icon resource 7 key 27 } image "~PDWMAIN.GIF" }
  display { at 1 1 size 10 10 var long 4 picture "@n3" }
  string "Fixed" { at 2 2 size 20 10 help "StringHelp" }
  image "~WRENCH.GIF" { at 3 3 size natural natural }
  region { at 4 4 size 5 5 colour 0xFF0000 fill 0xC0C0C0 }
  box { at 5 5 size 6 6 colour 0 }
  line { at 6 6 size 7 7 colour 0xFF0000 }
  entry { at 7 7 size 8 8 var string 80 status "Type" picture "@s80" }
  button "&OK" { at 8 8 size 9 9 status "Press" key 13 icon "OK.ICO" attr 0x1 }
  prompt "&Name:" { at 9 9 size 10 10 }
  option "Kind" {
    at 10 10 size 11 11 var string 20
    radio "Once" { at 1 1 size 2 2 }
    radio "Daily" { at 1 3 size 2 2 value "D" }
  }
  check "Enabled" { at 11 11 size 12 12 var byte 1 status "Tick" }
  group "Frame" { at 12 12 size 13 13 string "Inside" { at 1 1 size 1 1 } }
  list { at 13 13 size 14 14 format "80L~Name~" status "Pick" drop 6 var long 4 }
  spin { at 14 14 size 15 15 var long 4 status "Spin" picture "@n3" range 1 99 step 2 }
  text { at 15 15 size 16 16 var string 200 status "Notes" }
  progress { at 16 16 size 17 17 var long 4 range 0 100 }
  sheet {
    at 17 17 size 18 18
    tab "First" { entry { at 1 1 size 1 1 var long 4 } }
    tab "Second" { field 0 }
  }
}
report PRINT$REPORT {
  at 1000 1000 size 6000 7458 attr 0x200 paper 256 8500 11000
  header { at 0 0 size 6000 500 string "Title" { at 0 0 size 100 10 } }
  break {
    at 0 0 size 6000 0 flags 0x3 keep 1
    detail { at 0 0 size 6000 200 before 1 after 2 beforepage 3 afterpage 4 }
  }
  footer { at 0 0 size 6000 300 }
  form { at 0 0 size 6000 10000 }
}
)";

TEST(BlobRoundTrip, ParseOfWriteGivesTheModuleAndWriteOfParseGivesTheBytes) {
  const rf::Module m = compile(kFrameLike);
  const Blob b = rf::writeModule(m);
  const rf::ParseResult r = rf::parseModule(b);
  ASSERT_TRUE(r.ok()) << r.error.message;
  EXPECT_EQ(m, *r.module);
  EXPECT_EQ(b, rf::writeModule(*r.module));
}

TEST(BlobRoundTrip, EveryControlTypeKeepsItsFields) {
  const rf::Module m = compile(kFrameLike);
  const rf::ParseResult r = rf::parseModule(rf::writeModule(m));
  ASSERT_TRUE(r.ok());
  const auto& c = r.module->windows[0].controls;
  ASSERT_EQ(17u, c.size());
  EXPECT_EQ((rf::ValueType{6, 4}), c[0].valueType);
  EXPECT_EQ("n3", c[0].picture);  // stored without its "@"
  EXPECT_EQ("StringHelp", c[1].helpTopic);
  EXPECT_EQ(rf::kSystemPlaced, c[2].rect.width);
  EXPECT_EQ(0xFF0000, c[3].colour1);
  EXPECT_EQ(0xC0C0C0, c[3].colour2);
  EXPECT_EQ(0, c[4].colour1);
  EXPECT_EQ((rf::ValueType{18, 80}), c[6].valueType);
  EXPECT_EQ(13, c[7].keyCode);
  EXPECT_EQ("OK.ICO", c[7].icon);
  ASSERT_EQ(2u, c[9].children.size());
  EXPECT_EQ("D", c[9].children[1].value);
  EXPECT_EQ(6, c[12].dropCount);
  EXPECT_EQ("80L~Name~", c[12].format);
  EXPECT_EQ(99, c[13].high);
  EXPECT_EQ(2, c[13].step);
  EXPECT_EQ(100, c[15].high);
  ASSERT_EQ(2u, c[16].children.size());
  EXPECT_EQ(rf::ControlType::Tab, c[16].children[0].type);
  EXPECT_EQ("First", c[16].children[0].text);
  // Field numbers in declaration order, depth first; tabs have 0.
  EXPECT_EQ(1, c[0].field);
  EXPECT_EQ(10, c[9].field);
  EXPECT_EQ(11, c[9].children[0].field);
  EXPECT_EQ(12, c[9].children[1].field);
  EXPECT_EQ(13, c[10].field);
  EXPECT_EQ(0, c[16].children[0].field);
  EXPECT_EQ(c[16].field + 1, c[16].children[0].children[0].field);
  const rf::WindowRecord& report = r.module->windows[1];
  EXPECT_EQ(rf::RecordKind::Report, report.kind);
  EXPECT_EQ(256, report.paperKind);
  EXPECT_EQ(8500, report.paperWidth);
  EXPECT_EQ(11000, report.paperLength);
  ASSERT_EQ(4u, report.controls.size());
  EXPECT_EQ(rf::ControlType::GroupBand, report.controls[1].type);
  EXPECT_EQ(4, report.controls[1].children[0].band.afterPage);
}

// The record of a control with `field` in the blob, found by scanning.
std::size_t findControl(const Blob& b, const std::string& key, std::uint8_t type,
                        std::int32_t field) {
  for (std::size_t p = key.size() + 1; p + 21 <= b.size(); ++p) {
    if (b[p] == type && static_cast<std::int32_t>(u32At(b, p + 13)) == field) return p;
  }
  return 0;
}

struct FieldCase {
  std::uint8_t type;
  std::int32_t field;
  int offset;
  std::string text;      // expected text at the offset, or
  std::uint32_t number;  // expected number when text is empty
};

TEST(BlobLayout, ControlFieldsSitAtTheirOffsets) {
  const std::string key = "T.vls$t001";
  const Blob b = blobOf(kFrameLike);
  const FieldCase cases[] = {
      {9, 8, 21, "", 8},        {9, 8, 33, "", 9},
      {9, 8, 37, "Press", 0},   {9, 8, 49, "", 13},
      {9, 8, 65, "&OK", 0},     {9, 8, 69, "OK.ICO", 0},
      {2, 2, 21, "", 2},        {2, 2, 41, "Fixed", 0},
      {10, 9, 41, "&Name:", 0}, {8, 7, 25, "", 7},
      {8, 7, 41, "Type", 0},    {8, 7, 69, "s80", 0},
      {12, 13, 25, "", 11},     {12, 13, 69, "Enabled", 0},
      {11, 10, 41, "Kind", 0},  {11, 10, 25, "", 10},
      {13, 14, 21, "", 12},     {14, 16, 25, "80L~Name~", 0},
      {14, 16, 29, "", 13},     {14, 16, 45, "Pick", 0},
      {37, 20, 25, "", 17},     {3, 3, 37, "~WRENCH.GIF", 0},
      {4, 4, 37, "", 0xFF0000}, {4, 4, 41, "", 0xC0C0C0},
      {6, 6, 41, "", 0xFF0000}, {16, 17, 41, "Spin", 0},
      {16, 17, 69, "n3", 0},    {17, 18, 41, "Notes", 0},
      {17, 18, 25, "", 15},
  };
  for (const FieldCase& fc : cases) {
    const std::size_t p = findControl(b, key, fc.type, fc.field);
    ASSERT_NE(0u, p) << "type " << int(fc.type) << " field " << fc.field;
    const std::uint32_t v = u32At(b, p + fc.offset);
    if (fc.text.empty()) {
      EXPECT_EQ(fc.number, v) << "type " << int(fc.type) << " offset " << fc.offset;
    } else {
      EXPECT_EQ(fc.text, textAt(b, pos(key, v)))
          << "type " << int(fc.type) << " offset " << fc.offset;
    }
  }
  // The list's drop count is one byte at 73; value types are code + size.
  const std::size_t list = findControl(b, key, 14, 16);
  EXPECT_EQ(6, b[list + 73]);
  const std::size_t entry = findControl(b, key, 8, 7);
  const std::size_t vt = pos(key, u32At(b, entry + 21));
  EXPECT_EQ(18, b[vt]);
  EXPECT_EQ(80u, u32At(b, vt + 1));
  // A sheet's tabs: text at 42, first tab at 73.
  const std::size_t sheet = findControl(b, key, 37, 20);
  const std::size_t tab = pos(key, u32At(b, sheet + 73));
  EXPECT_EQ(38, b[tab]);
  EXPECT_EQ("First", textAt(b, pos(key, u32At(b, tab + 42))));
}

TEST(BlobLayout, MenuRecordsAndFontRecord) {
  const std::string key = "T.vls$t001";
  const Blob b = blobOf(kFrameLike);
  const std::size_t win = pos(key, u32At(b, key.size() + 1));
  const std::size_t bar = pos(key, u32At(b, win + 89));
  ASSERT_EQ(22, b[bar]);
  const std::size_t file = pos(key, u32At(b, bar + 13));
  ASSERT_EQ(19, b[file]);
  EXPECT_EQ(0u, u32At(b, file + 13));  // a menu that only holds items has 0
  EXPECT_EQ("&File", textAt(b, pos(key, u32At(b, file + 25))));
  EXPECT_EQ("File things", textAt(b, pos(key, u32At(b, file + 29))));
  EXPECT_EQ(1u, u32At(b, file + 49));
  const std::size_t open = pos(key, u32At(b, file + 53));
  ASSERT_EQ(20, b[open]);
  EXPECT_EQ(static_cast<std::uint32_t>(-1), u32At(b, open + 13));
  EXPECT_EQ(119u, u32At(b, open + 41));
  EXPECT_EQ(16u, u32At(b, open + 49));
  const std::size_t sep = pos(key, u32At(b, open + 1));
  EXPECT_EQ(16u, u32At(b, sep + 5));
  EXPECT_EQ(0u, u32At(b, sep + 25));
  const std::size_t more = pos(key, u32At(b, sep + 1));
  EXPECT_EQ(static_cast<std::uint32_t>(-2), u32At(b, more + 13));
  const std::size_t font = pos(key, u32At(b, win + 37));
  EXPECT_EQ("MS Sans Serif", textAt(b, pos(key, u32At(b, font))));
  EXPECT_EQ(8u, u32At(b, font + 4));
  EXPECT_EQ(0xFFFFFFFFu, u32At(b, font + 8));
  EXPECT_EQ(400u, u32At(b, font + 12));
  // Status zones: width, next.
  std::vector<std::int32_t> zones;
  for (std::uint32_t z = u32At(b, win + 101); z != 0; z = u32At(b, pos(key, z) + 4)) {
    zones.push_back(static_cast<std::int32_t>(u32At(b, pos(key, z))));
  }
  EXPECT_EQ((std::vector<std::int32_t>{-1, 80, 120, 45}), zones);
}

TEST(BlobMalformed, EveryTruncationIsAnErrorNotACrash) {
  const Blob b = blobOf(kFrameLike);
  for (std::size_t n = 0; n < b.size(); ++n) {
    const rf::ParseResult r = rf::parseModule({b.data(), n});
    EXPECT_FALSE(r.ok()) << "prefix of " << n << " bytes";
  }
}

TEST(BlobMalformed, ByteFlipsNeverCrash) {
  const Blob b = blobOf(kFrameLike);
  for (std::size_t p = 0; p < b.size(); ++p) {
    for (std::uint8_t v : {0x00, 0x01, 0x19, 0x7F, 0x80, 0xFF}) {
      Blob c = b;
      c[p] = v;
      const rf::ParseResult r = rf::parseModule(c);
      if (!r.ok()) {
        EXPECT_FALSE(r.error.message.empty());
      }
    }
  }
}

// Small blob with one window holding `controls`, for pointer surgery.
struct Surgery {
  std::string key = "S$s";
  Blob blob;
  std::size_t window = 0;
  explicit Surgery(const std::string& body) {
    blob = blobOf("module \"S$s\" window W {" + body + "}");
    window = pos(key, u32At(blob, key.size() + 1));
  }
  std::size_t at(std::uint32_t offset) const { return pos(key, offset); }
  std::uint32_t offsetOf(std::size_t p) const {
    return static_cast<std::uint32_t>(p - key.size() + 1);
  }
};

TEST(BlobMalformed, LoopsAreDetected) {
  {  // a control whose next is itself
    Surgery s("string \"a\" string \"b\"");
    const std::uint32_t first = u32At(s.blob, s.window + 29);
    putU32(s.blob, s.at(first) + 1, first);
    const rf::ParseResult r = rf::parseModule(s.blob);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(std::string::npos, r.error.message.find("loops"));
  }
  {  // a child chain pointing back at its container
    Surgery s("group { string \"in\" }");
    const std::uint32_t group = u32At(s.blob, s.window + 29);
    const std::uint32_t child = u32At(s.blob, s.at(group) + 69);
    putU32(s.blob, s.at(child) + 1, group);
    EXPECT_FALSE(rf::parseModule(s.blob).ok());
  }
  {  // the window chain looping
    Surgery s("");
    putU32(s.blob, s.window + 1, s.offsetOf(s.window));
    EXPECT_FALSE(rf::parseModule(s.blob).ok());
  }
  {  // status zones looping
    Surgery s("zones 1 2");
    const std::uint32_t z = u32At(s.blob, s.window + 101);
    putU32(s.blob, s.at(z) + 4, z);
    EXPECT_FALSE(rf::parseModule(s.blob).ok());
  }
  {  // a menu that contains itself
    Surgery s("menubar { menu \"m\" { item \"i\" } }");
    const std::uint32_t bar = u32At(s.blob, s.window + 89);
    const std::uint32_t menu = u32At(s.blob, s.at(bar) + 13);
    putU32(s.blob, s.at(menu) + 53, menu);
    EXPECT_FALSE(rf::parseModule(s.blob).ok());
  }
}

TEST(BlobMalformed, OffsetsIntoTheKeyOrPastTheEndAreRejected) {
  for (std::uint32_t bad : {1u, 2u, 0xFFFFFFF0u, 100000u}) {
    Surgery s("title \"t\"");
    putU32(s.blob, s.window + 41, bad);
    EXPECT_FALSE(rf::parseModule(s.blob).ok()) << bad;
  }
  EXPECT_FALSE(rf::parseModule(Blob{'a', 'b'}).ok());
  EXPECT_FALSE(rf::parseModule(Blob{}).ok());
}

TEST(BlobMalformed, UnknownTypesFailAndTypesWithoutCreatorAreSkipped) {
  Surgery s("string \"a\" string \"b\" string \"c\"");
  const std::uint32_t first = u32At(s.blob, s.window + 29);
  const std::uint32_t second = u32At(s.blob, s.at(first) + 1);
  Blob skipped = s.blob;
  skipped[s.at(second)] = 7;
  const rf::ParseResult r = rf::parseModule(skipped);
  ASSERT_TRUE(r.ok()) << r.error.message;
  ASSERT_EQ(2u, r.module->windows[0].controls.size());
  EXPECT_EQ("c", r.module->windows[0].controls[1].text);
  for (std::uint8_t bad : {0, 19, 25, 99}) {
    Blob c = s.blob;
    c[s.at(second)] = bad;
    EXPECT_FALSE(rf::parseModule(c).ok()) << int(bad);
  }
}

TEST(BlobMalformed, DeepNestingIsRefused) {
  std::string body, close;
  for (int i = 0; i < rf::kMaxNesting + 5; ++i) {
    body += "group {";
    close += "}";
  }
  // The compiler refuses it too; build the module by hand.
  rf::Module m;
  m.key = "D$d";
  m.windows.emplace_back();
  rf::ControlRecord leaf;
  leaf.type = rf::ControlType::GroupBox;
  for (int i = 0; i < rf::kMaxNesting + 5; ++i) {
    rf::ControlRecord outer;
    outer.type = rf::ControlType::GroupBox;
    outer.children.push_back(std::move(leaf));
    leaf = std::move(outer);
  }
  m.windows[0].controls.push_back(std::move(leaf));
  EXPECT_FALSE(rf::parseModule(rf::writeModule(m)).ok());
  EXPECT_FALSE(rf::compileSource("module \"D$d\" window W {" + body + close + "}", "d").ok());
}

TEST(BlobMalformed, EmptyControlChainGivesAWindowWithoutControls) {
  Surgery s("");
  const rf::ParseResult r = rf::parseModule(s.blob);
  ASSERT_TRUE(r.ok());
  EXPECT_TRUE(r.module->windows[0].controls.empty());
  EXPECT_EQ(0u, u32At(s.blob, s.window + 29));
}

}  // namespace
