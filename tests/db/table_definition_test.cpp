// Table names, record declarations and the definition stream: how a
// declaration is accepted or refused, and which differences between a
// stored definition and a declaration an open tolerates.
#include "runtime/db/table_definition.h"
#include "runtime/db/table_entries.h"
#include "runtime/db/table_name.h"
#include "runtime/lang/chartab.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

TEST(TableName, SplitsAtBackslashBang) {
  struct Case {
    const char* given;
    const char* file;
    const char* table;
  } cases[] = {
      {"SM\\!Schedule", "SM.BRK", "SCHEDULE"},
      {"SM\\!History", "SM.BRK", "HISTORY"},
      {"TagFile_.BRK", "TagFile_.BRK", "UNNAMED"},
      {"TagFile_.BRK                                      ", "TagFile_.BRK", "UNNAMED"},
      {"data/sm.brk\\!ToDo", "data/sm.brk", "TODO"},
      {"dir.d/SM\\!x\\!y", "dir.d/SM.BRK", "X\\!Y"},  // split at the first only
      {"SM\\!", "SM.BRK", "UNNAMED"},
      {"a.b/c", "a.b/c.BRK", "UNNAMED"},  // a dot in a folder is no extension
  };
  for (const Case& c : cases) {
    const TableName n = splitTableName(c.given);
    EXPECT_EQ(n.file, c.file) << c.given;
    EXPECT_EQ(n.table, c.table) << c.given;
  }
}

TEST(TableName, UpperCasesThroughTheRuntimeCaseTables) {
  dw::lang::resetCharTables();
  dw::lang::usePlatformCasePairs();
  EXPECT_EQ(splitTableName("F\\!caf\xe9").table, "CAF\xc9");
  dw::lang::resetCharTables();
  EXPECT_EQ(splitTableName("F\\!caf\xe9").table, "CAF\xe9");
}

TEST(RecordDeclaration, AcceptsTheSupportedTypesWithTheirSizes) {
  FieldListBuilder b;
  b.field("B", FieldType::Byte)
      .field("S", FieldType::Short)
      .field("US", FieldType::UShort)
      .field("L", FieldType::Long)
      .field("UL", FieldType::ULong)
      .field("SR", FieldType::SReal)
      .field("R", FieldType::Real)
      .decimal("D", FieldType::Decimal, 6, 2)
      .text("STR", FieldType::String, 10)
      .text("CS", FieldType::CString, 5)
      .text("PS", FieldType::PString, 7)
      .beginGroup("G")
      .field("G1", FieldType::Long)
      .field("G2", FieldType::Byte, {3})
      .endGroup()
      .field("ARR", FieldType::Short, {2, 3});
  TableDesc d;
  ASSERT_EQ(parseFieldList(b.build(), d), 0);
  const std::uint16_t lengths[] = {1, 2, 2, 4, 4, 4, 8, 6, 10, 5, 7, 7, 4, 3, 12};
  ASSERT_EQ(d.fields.size(), std::size(lengths));
  std::uint16_t offset = 0;
  for (std::size_t i = 0; i < d.fields.size(); ++i) {
    EXPECT_EQ(d.fields[i].totalLength, lengths[i]) << d.fields[i].name;
    EXPECT_EQ(d.fields[i].index, i);
    EXPECT_EQ(d.fields[i].overlay, 0) << d.fields[i].name;
    if (d.fields[i].name == "G1") offset -= 7;  // members begin where their group begins
    EXPECT_EQ(d.fields[i].offset, offset) << d.fields[i].name;
    offset += lengths[i];
  }
  EXPECT_EQ(d.fields[14].elementCount, 6);
  EXPECT_EQ(d.recordLength, 1 + 2 + 2 + 4 + 4 + 4 + 8 + 6 + 10 + 5 + 7 + 7 + 12);
}

TEST(RecordDeclaration, RefusesWithTheNumberThatFits) {
  auto one = [](auto fill) {
    FieldListBuilder b;
    fill(b);
    TableDesc d;
    return parseFieldList(b.build(), d);
  };
  // Types that may only lie over other fields.
  for (FieldType t : {FieldType::Date, FieldType::Time, FieldType::Type13, FieldType::Type14}) {
    EXPECT_EQ(one([&](FieldListBuilder& b) { b.field("X", t); }), 79);
    EXPECT_EQ(one([&](FieldListBuilder& b) { b.field("L", FieldType::Real).field("X", t, {}, 0); }),
              0);
  }
  EXPECT_EQ(one([](FieldListBuilder& b) { b.decimal("P", FieldType::PDecimal, 4, 0); }), 79);
  EXPECT_EQ(one([](FieldListBuilder& b) {
              b.field("L", FieldType::Long).decimal("P", FieldType::PDecimal, 4, 0, {}, 0);
            }),
            0);
  EXPECT_EQ(one([](FieldListBuilder& b) { b.field("X", FieldType(12)); }), 79);
  // Limits: 64000 is the largest field and record; five dimensions.
  EXPECT_EQ(one([](FieldListBuilder& b) { b.text("S", FieldType::String, 64000); }), 0);
  EXPECT_EQ(one([](FieldListBuilder& b) { b.text("S", FieldType::String, 64001); }), 47);
  EXPECT_EQ(one([](FieldListBuilder& b) { b.field("A", FieldType::Long, {16001}); }), 47);
  EXPECT_EQ(one([](FieldListBuilder& b) {
              b.text("S", FieldType::String, 32000).text("T", FieldType::String, 32001);
            }),
            47);
  EXPECT_EQ(one([](FieldListBuilder& b) { b.field("A", FieldType::Byte, {2, 2, 2, 2}); }), 0);
  EXPECT_EQ(one([](FieldListBuilder& b) { b.field("A", FieldType::Byte, {2, 2, 2, 2, 2}); }), 47);
}

TEST(RecordDeclaration, MalformedListsGive75) {
  FieldListBuilder b;
  b.field("A", FieldType::Long).text("S", FieldType::String, 8, "@s8");
  const std::string good = b.build();
  TableDesc d;
  ASSERT_EQ(parseFieldList(good, d), 0);
  // Every cut of a good list is malformed (never a crash).
  for (std::size_t n = 0; n < good.size(); ++n) {
    EXPECT_EQ(parseFieldList(good.substr(0, n), d), 75) << n;
  }
  EXPECT_EQ(parseFieldList(good + "x", d), 75);
  std::string zeroDim = good;
  zeroDim.insert(zeroDim.find('A') + 2, std::string("\xA2\0\0\0\0", 5));
  EXPECT_EQ(parseFieldList(zeroDim, d), 75);
  // Groups nested beyond any real declaration.
  FieldListBuilder deep;
  for (int i = 0; i < 40; ++i) deep.beginGroup("G");
  deep.field("X", FieldType::Byte);
  EXPECT_EQ(parseFieldList(deep.build(), d), 75);
}

TEST(RecordDeclaration, KeysAndMemosAreChecked) {
  FieldListBuilder b;
  b.field("A", FieldType::Long).field("ARR", FieldType::Long, {3});
  TableDesc d;
  std::vector<DeclaredKey> keys(1);
  keys[0].components = {1, -1};
  ASSERT_EQ(acceptDeclaration(b.build(), 0, {}, keys, d), 0);
  EXPECT_FALSE(d.keys[0].components[0].descending);
  EXPECT_TRUE(d.keys[0].components[1].descending);
  keys[0].components = {2};  // an array
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, keys, d), 75);
  keys[0].components = {3};  // no such field
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, keys, d), 75);
  std::vector<DeclaredKey> many(241);
  for (auto& k : many) k.components = {1};
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, many, d), 47);
  many.resize(240);
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, many, d), 0);
  EXPECT_EQ(acceptDeclaration(b.build(), 64001, {}, {}, d), 47);
}

TEST(DefinitionStream, RoundTripsAndSpansChunks) {
  FieldListBuilder b;
  for (int i = 0; i < 60; ++i) {
    b.text("F:Field" + std::to_string(i), FieldType::String, 10, "@s10");
  }
  std::vector<DeclaredKey> keys(3);
  for (int k = 0; k < 3; ++k) {
    keys[k].name = "F:Key" + std::to_string(k);
    keys[k].flags = std::uint8_t(k == 0 ? kKeyPrimary : kKeyDuplicates | kKeyNoCase);
    keys[k].components = {k + 1, -(k + 2)};
  }
  TableDesc d;
  ASSERT_EQ(acceptDeclaration(b.build(), 0, {smallTable().memos[0]}, keys, d), 0);
  const std::string stream = encodeDefinition(d);
  ASSERT_GT(stream.size(), 2 * kDefinitionChunk);  // three chunks or more
  const TableDesc back = decodeDefinition(stream);
  EXPECT_EQ(compareDefinition(back, d), 0);
  EXPECT_EQ(back.fields[59].name, "F:Field59");
  EXPECT_EQ(back.fields[59].picture, "@s10");
  EXPECT_EQ(back.keys[2].components[1].descending, true);
  EXPECT_EQ(encodeDefinition(back), stream);

  TempDir dir;
  auto f = openBrisk(dir.file("d.brk"), writerOptions());
  ASSERT_EQ(f->refreshHeader(), 0);
  writeDefinition(*f, 7, d);
  EXPECT_EQ(readDefinitionStream(*f, 7), stream);
  // A missing chunk ends the stream: what follows reads as zeros.
  deleteEntry(*f, definitionKey(7, 1));
  EXPECT_EQ(readDefinitionStream(*f, 7), stream.substr(0, kDefinitionChunk));
  EXPECT_EQ(compareDefinition(decodeDefinition(readDefinitionStream(*f, 7)), d), 47);
}

// Differences an open tolerates and those it refuses, each made to one
// copy of the declaration.
TEST(DefinitionStream, ComparisonToleratesNamesButNotStructure) {
  const TableDesc base = smallTable();
  struct Case {
    const char* what;
    void (*change)(TableDesc&);
    int expected;
  } cases[] = {
      {"field name", [](TableDesc& d) { d.fields[1].name = "T:Other"; }, 0},
      {"picture", [](TableDesc& d) { d.fields[1].picture = "@s5"; }, 0},
      {"decimal places", [](TableDesc& d) { d.fields[2].decimalPlaces = 0; }, 0},
      {"memo size", [](TableDesc& d) { d.memos[0].size = 10; }, 0},
      {"memo binary flag", [](TableDesc& d) { d.memos[0].flags |= kMemoBinary; }, 0},
      {"key name", [](TableDesc& d) { d.keys[0].name = "T:Other"; }, 0},
      {"primary flag", [](TableDesc& d) { d.keys[0].flags ^= kKeyPrimary; }, 0},
      {"field length", [](TableDesc& d) { d.fields[1].totalLength = 21; }, 47},
      {"field offset", [](TableDesc& d) { d.fields[1].offset = 5; }, 47},
      {"field type", [](TableDesc& d) { d.fields[0].type = FieldType::ULong; }, 47},
      {"overlay flag", [](TableDesc& d) { d.fields[2].overlay = 1; }, 47},
      {"record length", [](TableDesc& d) { d.recordLength++; }, 47},
      {"field count", [](TableDesc& d) { d.fields.pop_back(); }, 47},
      {"memo count", [](TableDesc& d) { d.memos.pop_back(); }, 47},
      {"a memo turned BLOB", [](TableDesc& d) { d.memos[0].flags |= kMemoBlob; }, 0},
      {"no BLOB any more", [](TableDesc& d) { d.memos[1].flags = 0; }, 47},
      {"key flags", [](TableDesc& d) { d.keys[0].flags |= kKeyNoCase; }, 47},
      {"key component", [](TableDesc& d) { d.keys[0].components[0].field = 1; }, 47},
      {"key direction", [](TableDesc& d) { d.keys[0].components[0].descending = true; }, 47},
      {"key count", [](TableDesc& d) { d.keys.clear(); }, 47},
  };
  const TableDesc stored = decodeDefinition(encodeDefinition(base));
  for (const Case& c : cases) {
    TableDesc declared = base;
    c.change(declared);
    EXPECT_EQ(compareDefinition(stored, declared), c.expected) << c.what;
  }
}

TEST(DefinitionStream, OpenComparesWithTheStoredDefinition) {
  TempDir dir;
  const std::string name = dir.file("def") + "\\!People";
  {
    std::unique_ptr<Table> t;
    ASSERT_EQ(Table::openTable(name, smallTable(), createOptions(), t), 0);
  }
  std::unique_ptr<Table> t;
  TableDesc renamed = smallTable();
  renamed.fields[0].name = "P:Number";
  EXPECT_EQ(Table::openTable(name, renamed, {}, t), 0);
  t.reset();
  EXPECT_EQ(Table::openTable(name, smallTable(true, 20), {}, t), 0);  // memo size
  t.reset();
  TableDesc longer = smallTable();
  longer.fields[1].totalLength = 30;
  EXPECT_EQ(Table::openTable(name, longer, {}, t), 47);
  EXPECT_EQ(Table::openTable(dir.file("def") + "\\!Nobody", smallTable(), {}, t), 2);
  EXPECT_EQ(Table::openTable(dir.file("absent") + "\\!People", smallTable(), {}, t), 2);
}

}  // namespace
}  // namespace dw::db
