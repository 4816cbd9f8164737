// dornctl's filters and selection:
//   list --where EXPRESSION   tasks for which the expression is true, over
//                             the Schedule's field names ("SCH:Date", ...)
//   list --selected           the tasks the search has tagged
//   select ID..., unselect ID...
//
// The expression is compiled once, by the program's own evaluator, into a
// view of the Schedule (runtime/db/view.h), which narrows the reading to a
// key range where the expression's comparisons allow.  The key is the one
// whose first component the expression names (SCH:Date, SCH:Category,
// SCH:Description, SCH:ID); every key of the Schedule is optional, so a
// key is used only when it leaves no record out (it has an entry for each
// record), else the reading goes by identifier.
//
// Tags are those of the search (app/routines/tag_routines.h): table 1,
// each at the task's record number with the task's identifier as value.
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "app/data/app_files.h"
#include "app/data/table_descs.h"
#include "app/routines/tag_routines.h"
#include "runtime/db/view.h"
#include "runtime/lang/errors.h"
#include "runtime/lang/expr_compiler.h"
#include "runtime/platform/platform.h"
#include "tools/dornctl/cli.h"

namespace dornctl {
namespace {

using namespace dw::app;

constexpr std::size_t kPage = 256;

std::size_t keyFor(std::string_view expression) {
  const std::string text = lowerCase(expression);
  struct Choice {
    const char* name;
    int key;
  };
  const Choice choices[] = {{"sch:date", sch_key::kKeyDate},
                            {"sch:category", sch_key::kKeyCategory},
                            {"sch:description", sch_key::kKeyTaskName}};
  ScheduleFile& f = SCH();
  for (const Choice& c : choices) {
    if (text.find(c.name) == std::string::npos) continue;
    if (f.keyRecords(c.key) == f.records()) return c.key;
  }
  return sch_key::kKeyID;
}

}  // namespace

int whereIds(const std::string& expression, std::set<std::int32_t>& ids) {
  ScheduleFile& f = SCH();
  if (!f.isOpen()) return kExitOk;
  dw::db::View view(*f.table(), keyFor(expression), static_cast<char*>(f.buffer()));
  if (view.setFilter(expression) != 0) {
    std::string reason;
    std::size_t offset = 0;
    (void)dw::lang::compileExpression(expression, &reason, &offset);
    return usageError("--where: " + reason + " (at position " + std::to_string(offset + 1) + ")");
  }
  dw::db::ViewPage page;
  int rc = view.firstPage(kPage, page);
  while (rc == 0) {
    for (const auto& row : page.rows) {
      ScheduleRecord r;
      std::memcpy(&r, row.record.data(), std::min(sizeof r, row.record.size()));
      ids.insert(r.ID.get());
    }
    if (page.atEnd || page.rows.empty()) break;
    const std::string from = page.rows.back().position;
    rc = view.pageAfter(from, kPage, page);
  }
  if (rc != 0) return fileError({"Schedule", rc, dw::lang::errorText()});
  return kExitOk;
}

int selectedIds(std::set<std::int32_t>& ids) {
  ScheduleFile& f = SCH();
  TagFile& tags = TF_();
  if (!f.isOpen() || !dw::platform::platform().exists(tags.name())) return kExitOk;
  if (int rc = tags.open(0x42)) return fileError({"TagFile_", rc, dw::lang::errorText()});
  tags.clear();
  tags->USR = kTagUser;
  tags->TBL = kScheduleTagTable;
  if (tags.setByValue(tf_key::kPtrKey) == 0) {
    while (tags.next() == 0 && tags->USR == kTagUser && tags->TBL == kScheduleTagTable) {
      if (f.getRecord(static_cast<std::uint32_t>(tags->PTR.get())) == 0) ids.insert(f->ID.get());
    }
  }
  tags.close();
  return kExitOk;
}

int runSelect(const std::string& command, Arguments args) {
  std::vector<std::int32_t> ids;
  for (const std::string& word : args.words) {
    const auto id = parseTaskId(word);
    if (!id) return usageError(command + ": not a task ID: " + word);
    ids.push_back(*id);
  }
  if (ids.empty()) return usageError(command + ": at least one task ID is required");
  ScheduleStore store(StoreAccess::ChangeExisting);
  if (int rc = openStore(store, StoreAccess::ChangeExisting)) return rc;
  ScheduleFile& f = SCH();
  if (!f.isOpen()) return noSuchTask(ids.front());
  // Every task first, so that a wrong ID changes nothing.
  std::vector<std::uint32_t> positions;
  for (std::int32_t id : ids) {
    f->ID = id;
    if (f.get(sch_key::kKeyID) != 0) return noSuchTask(id);
    positions.push_back(f.pointer());
  }
  TagFile& tags = TF_();
  if (int rc = tags.open(0x142)) return fileError({"TagFile_", rc, dw::lang::errorText()});
  int rc = dw::db::logout(kStoreWaitSeconds, {&tags});
  for (std::size_t i = 0; rc == 0 && i < ids.size(); ++i) {
    rc = command == "select" ? setTag(kScheduleTagTable, positions[i], std::to_string(ids[i]))
                             : clearTag(kScheduleTagTable, positions[i]);
  }
  const std::string text = dw::lang::errorText();
  if (rc == 0) {
    rc = dw::db::commit();
  } else {
    (void)dw::db::rollback();
  }
  tags.close();
  if (rc != 0) return fileError({"TagFile_", rc, text});
  return kExitOk;
}

}  // namespace dornctl
