// A randomised run of adds, changes and deletes through the table object
// over five keys of mixed types, against an in-memory model: after every
// committed operation each key read through the cursor must give the
// model's records in the model's order, refusals must be exactly the
// model's duplicates, and the table and tree checks must pass.
#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "runtime/db/consistency_check.h"
#include "runtime/db/key_cursor.h"
#include "table_test_util.h"

namespace dw::db {
namespace {

using namespace dw::db::testing;

struct Row {
  std::int32_t id = 0;
  std::string name;        // STRING(8), blank-padded
  double price = 0;        // REAL
  std::int64_t cents = 0;  // DECIMAL(5,2) as hundredths
  std::uint16_t code = 0;  // USHORT
  std::string tag;         // CSTRING(6): up to 5 characters
};

// Field offsets of the declaration below.
constexpr std::size_t kId = 0, kName = 4, kPrice = 12, kAmount = 20, kCode = 25, kTag = 27;

TableDesc modelDesc() {
  FieldListBuilder b;
  b.field("M:ID", FieldType::Long)
      .text("M:Name", FieldType::String, 8)
      .field("M:Price", FieldType::Real)
      .decimal("M:Amount", FieldType::Decimal, 5, 2)
      .field("M:Code", FieldType::UShort)
      .text("M:Tag", FieldType::CString, 6);
  std::vector<DeclaredKey> keys(5);
  keys[0] = {"M:KeyID", "", kKeyPrimary, {1}};
  keys[1] = {"M:KeyName", "", kKeyDuplicates | kKeyNoCase, {2, -3}};
  keys[2] = {"M:KeyTag", "", kKeyOptional, {6}};
  keys[3] = {"M:KeyAmount", "", kKeyDuplicates, {-4, 5}};
  keys[4] = {"M:KeyPrice", "", kKeyDuplicates | kKeyOptional, {3}};
  TableDesc d;
  EXPECT_EQ(acceptDeclaration(b.build(), 0, {}, keys, d), 0);
  return d;
}

std::string packDecimal(std::int64_t v) {
  std::string out(5, '\0');
  std::uint64_t m = v < 0 ? std::uint64_t(-v) : std::uint64_t(v);
  for (int nib = 9; nib >= 1; --nib) {
    const auto digit = char(m % 10);
    m /= 10;
    char& b = out[std::size_t(nib / 2)];
    b = char(nib % 2 ? (b & 0xF0) | digit : (b & 0x0F) | (digit << 4));
  }
  if (v < 0) out[0] = char(out[0] | 0xF0);
  return out;
}

void writeRow(std::string& rec, const Row& r) {
  std::memcpy(rec.data() + kId, &r.id, 4);
  std::memcpy(rec.data() + kName, r.name.data(), 8);
  std::memcpy(rec.data() + kPrice, &r.price, 8);
  const std::string dec = packDecimal(r.cents);
  std::memcpy(rec.data() + kAmount, dec.data(), 5);
  std::memcpy(rec.data() + kCode, &r.code, 2);
  std::string tag = r.tag;
  tag.resize(6, '\0');
  std::memcpy(rec.data() + kTag, tag.data(), 6);
}

Row randomRow(std::mt19937& rng) {
  static const char* names[] = {"ann", "Ann", "ANN", "bob", "Bea", "carl", "", "zed"};
  Row r;
  r.id = std::int32_t(rng() % 300) - 100;
  r.name = names[rng() % 8];
  r.name.resize(8, ' ');
  const double prices[] = {0.0, -0.0, 1.5, -1.5, 2.25, -100.0, 1e9, 3.0};
  r.price = prices[rng() % 8];
  r.cents = std::int64_t(rng() % 21) * (rng() % 2 ? 250 : -250);
  r.code = std::uint16_t(rng() % 4 == 0 ? 65535 : rng() % 5);
  if (rng() % 4) {  // a quarter of the tags are empty
    const std::size_t len = 1 + rng() % 4;
    for (std::size_t i = 0; i < len; ++i) r.tag.push_back("aAbz1 "[rng() % 6]);
  }
  return r;
}

std::string lowered(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// The model's order of key k: -1, 0, 1 on the values (ties of duplicate
// keys go by record number).
int compareRows(std::size_t k, const Row& a, const Row& b) {
  auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
  switch (k) {
    case 0:
      return cmp(a.id, b.id);
    case 1:
      if (int c = cmp(lowered(a.name), lowered(b.name))) return c;
      return -cmp(a.price, b.price);
    case 2:
      return cmp(a.tag, b.tag);
    case 3:
      if (int c = -cmp(a.cents, b.cents)) return c;
      return cmp(a.code, b.code);
    default:
      return cmp(a.price, b.price);
  }
}

bool inKey(std::size_t k, const Row& r) {
  if (k == 2) return !r.tag.empty();
  // The optional real is empty when all its bytes are zero: +0 only.
  if (k == 4) return !(r.price == 0.0 && !std::signbit(r.price));
  return true;
}

class KeyModel : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Table::openTable(m_dir.file("model") + "\\!M", modelDesc(), createOptions(), t), 0);
  }

  bool refused(const Row& r, std::uint32_t self) const {
    for (const auto& [n, other] : model) {
      if (n == self) continue;
      if (other.id == r.id) return true;
      if (!r.tag.empty() && other.tag == r.tag) return true;
    }
    return false;
  }

  void checkKeys() {
    ASSERT_EQ(t->tableFile().beginRead(), 0);
    KeyCursor c(t->ref());
    for (std::size_t k = 0; k < 5; ++k) {
      std::vector<std::uint32_t> expected;
      for (const auto& [n, r] : model) {
        if (inKey(k, r)) expected.push_back(n);
      }
      std::stable_sort(expected.begin(), expected.end(), [&](std::uint32_t x, std::uint32_t y) {
        return compareRows(k, model.at(x), model.at(y)) < 0;
      });
      std::vector<std::uint32_t> got;
      c.setKeyOrder(k);
      while (c.step(StepDirection::Next, nullptr) == 0) got.push_back(c.recordNumber());
      ASSERT_EQ(got, expected) << "key " << k;
    }
    const TableCheckReport report = checkTable(t->file(), t->number(), t->desc());
    ASSERT_TRUE(report.sound) << report.faults.front();
    ASSERT_EQ(report.records, model.size());
    t->tableFile().endOperation();
  }

  TempDir m_dir;
  std::unique_ptr<Table> t;
  std::map<std::uint32_t, Row> model;
};

TEST_F(KeyModel, RandomAddsChangesAndDeletesKeepEveryKeyInOrder) {
  std::mt19937 rng(20261207);
  const int ops = 400 * longFactor();
  int refusals = 0;
  for (int i = 0; i < ops; ++i) {
    const unsigned what = rng() % 10;
    if (model.empty() || what < 5) {
      const Row r = randomRow(rng);
      t->clearRecord();
      writeRow(t->record(), r);
      const int rc = t->addRecord();
      ASSERT_EQ(rc, refused(r, 0) ? kErrDuplicateKey : 0) << "add " << i;
      if (rc == 0) model[t->currentRecord()] = r;
      refusals += rc != 0;
    } else {
      auto it = model.begin();
      std::advance(it, std::ptrdiff_t(rng() % model.size()));
      const std::uint32_t n = it->first;
      ASSERT_EQ(t->readRecord(n), 0);
      if (what < 8) {
        Row r = it->second;
        const Row fresh = randomRow(rng);
        switch (rng() % 4) {  // change one field or all of them
          case 0:
            r.id = fresh.id;
            break;
          case 1:
            r.tag = fresh.tag;
            break;
          case 2:
            r.name = fresh.name, r.price = fresh.price;
            break;
          default:
            r = fresh;
        }
        writeRow(t->record(), r);
        const int rc = t->putRecord();
        ASSERT_EQ(rc, refused(r, n) ? kErrDuplicateKey : 0) << "put " << i;
        if (rc == 0) it->second = r;
        refusals += rc != 0;
      } else {
        ASSERT_EQ(t->deleteRecord(), 0);
        model.erase(it);
      }
    }
    checkKeys();
    if (HasFatalFailure()) return;
    if (i % 50 == 0) {
      ASSERT_EQ(t->tableFile().beginRead(), 0);
      EXPECT_TRUE(sound(t->file()));
      t->tableFile().endOperation();
    }
  }
  EXPECT_GT(refusals, 10);  // the run did exercise refusals
  EXPECT_GT(model.size(), 20u);
}

}  // namespace
}  // namespace dw::db
