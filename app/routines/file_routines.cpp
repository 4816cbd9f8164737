// The frame every delete and update routine runs in, the labels of the
// tables, and the records the forms remember as read (file_routines.h,
// file_routines_internal.h).
//
// One routine:
//   1. the related tables are opened through the user counts if this
//      process does not hold them (created when missing);
//   2. a transaction is started over the table and the related ones; when it
//      cannot start, message 34 names the operation ("Delete", "Update") and
//      the table's label, and nothing is written;
//   3. the step before the write (a restrict check), then the write (DELETE
//      or PUT), then the step after it (a cascade); an error of the write is
//      message 17 (delete) or 15 (update; 89 is "Record Changed by Another
//      Station"), and any failure rolls the transaction back before the user
//      is told (no box is up while the transaction holds the files);
//   4. commit; a failed commit is reported as a failed write.
//
// Threads: a runtime thread holding the Runtime lock, which also guards the
// remembered records.
#include <cassert>
#include <cstring>
#include <list>
#include <map>

#include "app/data/field_types.h"
#include "app/routines/file_routines_internal.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

constexpr int kRecordChanged = 89;

std::map<const db::DeclaredFile*, std::string>& remembered() {
  static std::map<const db::DeclaredFile*, std::string> records;
  return records;
}

std::string bufferImage(db::DeclaredFile& file) {
  return std::string(static_cast<const char*>(file.buffer()), file.recordLength());
}

// Rolls back without disturbing the error the user is told about.
void rollbackQuietly() {
  lang::pushErrorState();
  db::rollback();
  lang::popErrorState();
}

int reportWriteError(const detail::RoutineSpec& spec, int rc) {
  if (spec.operation == detail::Operation::Delete) {
    standardError(stdmsg::kDeleteError, spec.label);
  } else if (rc == kRecordChanged) {
    standardError(stdmsg::kUpdateError, kChangedByAnotherStation);
  } else {
    standardError(stdmsg::kUpdateError, spec.label);
  }
  return rc;
}

int frameAndRun(const detail::RoutineSpec& spec) {
  db::DeclaredFile& file = *spec.file;
  const std::vector<db::DeclaredFile*>& r = spec.related;
  const int framed = r.empty()       ? db::logout(kTransactionWait, {&file})
                     : r.size() == 1 ? db::logout(kTransactionWait, {&file, r[0]})
                                     : db::logout(kTransactionWait, {&file, r[0], r[1]});
  if (framed != 0) {
    standardError(stdmsg::kTransactionError,
                  spec.operation == detail::Operation::Delete ? "Delete" : "Update", spec.label);
    return framed;
  }
  detail::Report report;
  auto fail = [&report](int rc) {
    rollbackQuietly();
    if (report) report();
    return rc;
  };
  if (spec.before) {
    if (int rc = spec.before(report)) return fail(rc);
  }
  const int written = spec.operation == detail::Operation::Delete ? file.erase() : file.put();
  if (written != 0) {
    rollbackQuietly();
    return reportWriteError(spec, written);
  }
  if (spec.after) {
    if (int rc = spec.after(report)) return fail(rc);
  }
  if (int rc = db::commit()) {
    rollbackQuietly();
    return reportWriteError(spec, rc);
  }
  return 0;
}

}  // namespace

std::string_view fileLabel(const db::DeclaredFile& file) {
  const std::string& p = file.prefix();
  if (p == kSchedulePrefix || p == kScheduleTimerPrefix) return kScheduleLabel;
  if (p == "HIS") return kHistoryLabel;
  if (p == "CAT") return kCategoriesLabel;
  if (p == "TDO") return kToDoLabel;
  if (p == "SCR") return kScriptingLabel;
  return {};
}

void rememberRecord(db::DeclaredFile& file) {
  remembered()[&file] = bufferImage(file);
}

void forgetRecord(db::DeclaredFile& file) {
  remembered().erase(&file);
}

bool recordChanged(db::DeclaredFile& file) {
  const auto it = remembered().find(&file);
  return it == remembered().end() || it->second != bufferImage(file);
}

namespace detail {

int runRoutine(const RoutineSpec& spec) {
  assert(spec.related.size() <= 2 && "a routine enlists at most two related tables");
  std::list<FileUser> users;  // each closes what it opened
  for (db::DeclaredFile* f : spec.related) users.emplace_back(*f);
  return frameAndRun(spec);
}

std::optional<std::string> storedRecord(db::DeclaredFile& file) {
  const std::uint32_t at = file.pointer();
  if (at == 0) return std::nullopt;
  std::string image(file.recordLength(), '\0');
  db::DeclaredFile peek(file.prefix(), file.name(), file.desc(), image.data(), 0);
  constexpr std::uint32_t kReadOthersMayDoAnything = 0x40;
  if (peek.open(kReadOthersMayDoAnything) != 0) return std::nullopt;
  peek.noMemo();
  const int rc = peek.getRecord(at);
  peek.close();
  if (rc != 0) return std::nullopt;
  return image;
}

bool sameText(std::string_view a, std::string_view b) {
  a = trimRight(a);
  b = trimRight(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::optional<bool> categoryInUse(std::string_view category, Report& report) {
  ScheduleFile& s = SCH();
  const std::string saved = bufferImage(s);
  const std::string savedMemo = s.memo(kMessageMemo);
  auto restore = [&] {
    std::memcpy(s.buffer(), saved.data(), saved.size());
    s.memo(kMessageMemo) = savedMemo;
  };
  s.clear();
  s->Category = category;
  int rc = s.setByValue(sch_key::kKeyCategory);
  if (rc == 0) {
    s.noMemo();
    rc = s.next();
  }
  if (rc == lang::err::kRecordNotAvailable) {
    restore();
    return false;
  }
  if (rc != 0) {
    restore();
    report = [] { standardError(stdmsg::kRecordRetrievalError, kScheduleLabel); };
    return std::nullopt;
  }
  const bool used = sameText(s->Category.raw(), category);
  restore();
  return used;
}

}  // namespace detail

}  // namespace dw::app
