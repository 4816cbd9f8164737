// Descriptions of the application's tables: the stored layout of every
// field (type, offset, width, group), the keys in their declared order with
// their attributes, the memos, and how a record buffer is cleared.
#include "app/data/table_descs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/data/records.h"

namespace dw::app {
namespace {

using db::FieldType;
using db::TableDesc;

struct FieldRow {
  const char* name;
  int offset;
  FieldType type;
  int length;
  bool inGroup;
};

void expectFields(const TableDesc& desc, const std::vector<FieldRow>& rows) {
  ASSERT_EQ(desc.fields.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const db::FieldDesc& f = desc.fields[i];
    const FieldRow& r = rows[i];
    EXPECT_EQ(f.name, r.name) << i;
    EXPECT_EQ(f.offset, r.offset) << r.name;
    EXPECT_EQ(f.type, r.type) << r.name;
    EXPECT_EQ(f.totalLength, r.length) << r.name;
    // Members of a plain GROUP cover its bytes: none of them is an overlay.
    EXPECT_EQ(f.overlay, 0) << r.name << (r.inGroup ? " (in a group)" : "");
  }
}

constexpr FieldType L = FieldType::Long, S = FieldType::String, B = FieldType::Byte,
                    G = FieldType::Group;

TEST(TableDescs, ScheduleFieldsAsStored) {
  const TableDesc d = scheduleTableDesc();
  EXPECT_EQ(d.recordLength, 412);
  expectFields(d, {
                      {"SCH:ID", 0, L, 4, false},
                      {"SCH:TaskType", 4, S, 20, false},
                      {"SCH:Category", 24, S, 20, false},
                      {"SCH:Description", 44, S, 40, false},
                      {"SCH:Command", 84, S, 80, false},
                      {"SCH:Path", 164, S, 80, false},
                      {"SCH:ScheduleType", 244, S, 20, false},
                      {"SCH:DayOfWeekGroup", 264, G, 7, false},
                      {"SCH:Sunday", 264, B, 1, true},
                      {"SCH:Monday", 265, B, 1, true},
                      {"SCH:Tuesday", 266, B, 1, true},
                      {"SCH:Wednesday", 267, B, 1, true},
                      {"SCH:Thursday", 268, B, 1, true},
                      {"SCH:Friday", 269, B, 1, true},
                      {"SCH:Saturday", 270, B, 1, true},
                      {"SCH:Every", 271, L, 4, false},
                      {"SCH:EveryOrdinal", 275, G, 5, false},
                      {"SCH:Every1st", 275, B, 1, true},
                      {"SCH:Every2nd", 276, B, 1, true},
                      {"SCH:Every3rd", 277, B, 1, true},
                      {"SCH:Every4th", 278, B, 1, true},
                      {"SCH:EveryLast", 279, B, 1, true},
                      {"SCH:EveryType", 280, S, 20, false},
                      {"SCH:ScheduleDateAndTime", 300, G, 17, false},
                      {"SCH:Date", 300, L, 4, true},
                      {"SCH:Time", 304, L, 4, true},
                      {"SCH:LastRunDate", 308, L, 4, true},
                      {"SCH:LastRunTime", 312, L, 4, true},
                      {"SCH:SkipNextTime", 316, B, 1, true},
                      {"SCH:AlarmGroup", 317, G, 82, false},
                      {"SCH:Alarm", 317, B, 1, true},
                      {"SCH:AlarmFile", 318, FieldType::CString, 81, true},
                      {"SCH:AdvancedWarning", 399, G, 9, false},
                      {"SCH:AdvanceWarnDate", 399, L, 4, true},
                      {"SCH:AdvanceWarnTime", 403, L, 4, true},
                      {"SCH:AdvanceWarned", 407, B, 1, true},
                      {"SCH:Warn", 408, B, 1, false},
                      {"SCH:UserSkip", 409, B, 1, false},
                      {"SCH:Disabled", 410, B, 1, false},
                      {"SCH:Completed", 411, B, 1, false},
                  });
  ASSERT_EQ(d.memos.size(), 1u);
  EXPECT_EQ(d.memos[0].name, "SCH:Message");
  EXPECT_EQ(d.memos[0].size, 1000);
  EXPECT_EQ(d.memos[0].flags, 0);
  EXPECT_EQ(d.fields[1].picture, "@s20");
  EXPECT_EQ(d.fields[1].declaredLength, 20);
}

TEST(TableDescs, HistoryEndsWithoutTheWarnedFlag) {
  const TableDesc h = historyTableDesc();
  const TableDesc s = scheduleTableDesc();
  EXPECT_EQ(h.recordLength, 411);
  ASSERT_EQ(h.fields.size(), s.fields.size() - 1);
  // Up to the advance warning the two layouts are the same, names aside.
  for (std::size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(h.fields[i].offset, s.fields[i].offset) << i;
    EXPECT_EQ(h.fields[i].name.substr(4), s.fields[i].name.substr(4)) << i;
    EXPECT_EQ(h.fields[i].totalLength, s.fields[i].totalLength) << i;
  }
  const std::vector<FieldRow> tail = {
      {"HIS:AdvancedWarning", 399, G, 8, false}, {"HIS:AdvanceWarnDate", 399, L, 4, true},
      {"HIS:AdvanceWarnTime", 403, L, 4, true},  {"HIS:Warn", 407, B, 1, false},
      {"HIS:UserSkip", 408, B, 1, false},        {"HIS:Disabled", 409, B, 1, false},
      {"HIS:Completed", 410, B, 1, false},
  };
  expectFields(TableDesc{h.recordLength,
                         std::vector<db::FieldDesc>(h.fields.begin() + 32, h.fields.end()),
                         {},
                         {},
                         false},
               tail);
  ASSERT_EQ(h.memos.size(), 1u);
  EXPECT_EQ(h.memos[0].name, "HIS:Message");
}

TEST(TableDescs, SmallTablesAsStored) {
  expectFields(categoriesTableDesc(), {{"CAT:Category", 0, S, 20, false}});
  expectFields(toDoTableDesc(), {{"TDO:Done", 0, B, 1, false},
                                 {"TDO:Priority", 1, B, 1, false},
                                 {"TDO:ToDo", 2, S, 40, false}});
  expectFields(tagTableDesc(), {{"TF_:USR", 0, L, 4, false},
                                {"TF_:TBL", 4, FieldType::Short, 2, false},
                                {"TF_:PTR", 6, L, 4, false},
                                {"TF_:VAL", 10, S, 10, false}});
  const TableDesc scr = scriptingTableDesc();
  EXPECT_EQ(scr.recordLength, 622);
  const FieldType D = FieldType::Decimal;
  expectFields(scr, {{"SCR:ID", 0, D, 6, false},
                     {"SCR:Sequence", 6, D, 6, false},
                     {"SCR:Action", 12, S, 27, false},
                     {"SCR:Keystrokes", 39, S, 80, false},
                     {"SCR:SecondsToWait", 119, D, 3, false},
                     {"SCR:WaitForWindow", 122, S, 80, false},
                     {"SCR:FocusOnWindow", 202, S, 80, false},
                     {"SCR:DDEType", 282, S, 20, false},
                     {"SCR:DDEApplicationName", 302, S, 80, false},
                     {"SCR:DDEApplicationTopic", 382, S, 80, false},
                     {"SCR:DDELinkItem", 462, S, 80, false},
                     {"SCR:DDECommand", 542, S, 80, false}});
  EXPECT_EQ(scr.fields[4].decimalSize, 3);
  EXPECT_EQ(scr.fields[4].decimalPlaces, 0);
}

struct KeyRow {
  std::string name;
  std::uint8_t flags;
  std::vector<std::string> components;
};

void expectKeys(const TableDesc& desc, const std::vector<KeyRow>& rows) {
  ASSERT_EQ(desc.keys.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const db::KeyDesc& k = desc.keys[i];
    EXPECT_EQ(k.name, rows[i].name) << i;
    EXPECT_EQ(k.flags, rows[i].flags) << rows[i].name;
    std::vector<std::string> names;
    for (const db::KeyComponent& c : k.components) {
      ASSERT_LT(c.field, desc.fields.size());
      EXPECT_FALSE(c.descending);
      names.push_back(desc.fields[c.field].name);
    }
    EXPECT_EQ(names, rows[i].components) << rows[i].name;
  }
}

constexpr std::uint8_t kPrimary = db::kKeyPrimary | db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kUnique = db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kDup = db::kKeyDuplicates | db::kKeyNoCase | db::kKeyOptional;
constexpr std::uint8_t kDupCase = db::kKeyDuplicates;

// The keys of a Schedule ("SCH", "SCH1") or History ("HIS") declaration.
std::vector<KeyRow> taskKeys(const std::string& prefix, bool timerKeys) {
  const std::string p = prefix + ":";
  std::vector<KeyRow> keys = {
      {p + "KeyID", kPrimary, {p + "ID"}},
      {p + "KeyDate", kDup, {p + "Date", p + "Time"}},
      {p + "KeyCategory", kDup, {p + "Category", p + "Description"}},
      {p + "KeyCategoryDate", kDup, {p + "Category", p + "Date", p + "Time"}},
      {p + "KeyTaskName", kDup, {p + "Description", p + "Category"}},
      {p + "KeyTaskType", kDup, {p + "TaskType", p + "Description"}},
      {p + "KeyTaskDate", kDup, {p + "TaskType", p + "Date", p + "Time"}},
  };
  if (timerKeys) {
    keys.push_back({p + "KeyDateEnabled", kDup, {p + "Disabled", p + "Date", p + "Time"}});
    keys.push_back({p + "KeyAdvanced",
                    kDup,
                    {p + "AdvanceWarned", p + "AdvanceWarnDate", p + "AdvanceWarnTime"}});
  }
  return keys;
}

TEST(TableDescs, KeysInDeclaredOrderWithTheirAttributes) {
  expectKeys(scheduleTableDesc(), taskKeys("SCH", true));
  expectKeys(scheduleTableDesc(kScheduleTimerPrefix), taskKeys("SCH1", true));
  expectKeys(historyTableDesc(), taskKeys("HIS", false));
  EXPECT_EQ(scheduleTableDesc().keys[sch_key::kKeyDateEnabled].name, "SCH:KeyDateEnabled");
  EXPECT_EQ(scheduleTableDesc().keys[sch_key::kKeyAdvanced].name, "SCH:KeyAdvanced");
  EXPECT_EQ(scheduleTableDesc(kScheduleTimerPrefix).memos.at(0).name, "SCH1:Message");
  expectKeys(categoriesTableDesc(), {{"CAT:KeyCategory", kUnique, {"CAT:Category"}}});
  expectKeys(toDoTableDesc(),
             {{"TDO:KeyDone", kDupCase, {"TDO:Done", "TDO:Priority", "TDO:ToDo"}},
              {"TDO:KeyPriority", kDupCase, {"TDO:Priority", "TDO:Done", "TDO:ToDo"}},
              {"TDO:KeyToDo", kDupCase, {"TDO:ToDo"}}});
  expectKeys(scriptingTableDesc(), {{"SCR:KeyID", kPrimary, {"SCR:ID", "SCR:Sequence"}}});
  expectKeys(tagTableDesc(), {{"TF_:PtrKey", kPrimary, {"TF_:USR", "TF_:TBL", "TF_:PTR"}},
                              {"TF_:ValKey", kDup, {"TF_:USR", "TF_:TBL", "TF_:VAL"}}});
}

// What every description must satisfy for the driver to accept it and for
// the record to be stored whole.
TEST(TableDescs, EveryDescriptionCoversItsRecordExactlyOnce) {
  const TableDesc all[] = {scheduleTableDesc(), scheduleTableDesc(kScheduleTimerPrefix),
                           historyTableDesc(),  categoriesTableDesc(),
                           toDoTableDesc(),     scriptingTableDesc(),
                           tagTableDesc()};
  for (const TableDesc& d : all) {
    const std::string table = d.fields.at(0).name;
    std::vector<int> cover(d.recordLength, 0);
    for (std::size_t i = 0; i < d.fields.size(); ++i) {
      const db::FieldDesc& f = d.fields[i];
      EXPECT_EQ(f.index, i) << f.name;
      ASSERT_LE(f.offset + f.totalLength, d.recordLength) << f.name;
      EXPECT_EQ(f.elementCount, 1) << f.name;
      if (f.type == FieldType::String || f.type == FieldType::CString) {
        EXPECT_EQ(f.declaredLength, f.totalLength) << f.name;
      }
      // The fields other than groups and overlays cover every byte once.
      if (!f.overlay && f.type != FieldType::Group)
        for (int b = f.offset; b < f.offset + f.totalLength; ++b) ++cover[b];
    }
    for (int b = 0; b < d.recordLength; ++b) EXPECT_EQ(cover[b], 1) << table << " byte " << b;
    EXPECT_LE(d.keys.size(), db::kMaxKeys);
  }
}

TEST(TableDescs, ClearingARecordBlanksTextAndZeroesTheRest) {
  ScheduleRecord r;
  std::memset(&r, 'x', sizeof r);
  clearRecord(&r, sizeof r, scheduleTableDesc());
  EXPECT_TRUE(r.Description.isBlank());
  EXPECT_EQ(r.Description.raw(), std::string(40, ' '));
  EXPECT_EQ(r.ScheduleType.raw(), std::string(20, ' '));
  EXPECT_EQ(std::string(r.AlarmFile.bytes, 81), std::string(81, '\0'));
  EXPECT_EQ(r.ID, 0);
  EXPECT_EQ(r.Date, 0);
  EXPECT_EQ(r.Saturday, 0);
  EXPECT_EQ(r.Completed, 0);

  ScriptingRecord s;
  std::memset(&s, 'x', sizeof s);
  clearRecord(&s, sizeof s, scriptingTableDesc());
  EXPECT_EQ(s.ID.value(), 0);
  EXPECT_EQ(s.SecondsToWait.value(), 0);
  EXPECT_TRUE(s.DDECommand.isBlank());
}

TEST(TableDescs, ATaskCopiedToHistoryKeepsEveryFieldOfTheSameName) {
  ScheduleRecord task;
  auto* bytes = reinterpret_cast<unsigned char*>(&task);
  for (std::size_t i = 0; i < sizeof task; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
  HistoryRecord his;
  std::memset(&his, 0, sizeof his);
  copyTaskToHistory(task, his);
  // Field by field through the descriptions: same name, same bytes.
  const TableDesc s = scheduleTableDesc(), h = historyTableDesc();
  const auto* hisBytes = reinterpret_cast<const unsigned char*>(&his);
  for (const db::FieldDesc& hf : h.fields) {
    if (hf.type == FieldType::Group) continue;
    const std::string name = "SCH" + hf.name.substr(3);
    const db::FieldDesc* sf = nullptr;
    for (const db::FieldDesc& f : s.fields)
      if (f.name == name) sf = &f;
    ASSERT_NE(sf, nullptr) << hf.name;
    EXPECT_EQ(std::memcmp(hisBytes + hf.offset, bytes + sf->offset, hf.totalLength), 0) << hf.name;
  }
  EXPECT_EQ(his.Completed, task.Completed);
}

TEST(TableDescs, NamesOfTheFiles) {
  EXPECT_STREQ(kScheduleFile, "SM\\!Schedule");
  EXPECT_STREQ(kScriptingFile, "SM\\!Scripting");
  TagFileNameVariable name;
  name = kTagFileName;
  EXPECT_EQ(name.raw(), "TagFile_.BRK" + std::string(38, ' '));
  EXPECT_TRUE(name == "TagFile_.BRK");
}

}  // namespace
}  // namespace dw::app
