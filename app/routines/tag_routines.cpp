// The tag routines (see tag_routines.h).
#include "app/routines/tag_routines.h"

#include <algorithm>

#include "app/data/app_files.h"
#include "app/routines/file_routines.h"
#include "fields/s_tag.h"
#include "runtime/lang/errors.h"
#include "runtime/platform/platform.h"
#include "runtime/ui/progress_window.h"

namespace dw::app {

namespace {

constexpr ui::ProgressWindowSpec kTagProgress{"DORN.vls$s_tag", "PROGRESS$WINDOW", s_tag::kBar,
                                              s_tag::kPercent, s_tag::kCancel};

[[noreturn]] void haltOn(int code, std::string_view operation) {
  lang::halt(kHaltExitCode, tagHaltText(code, lang::errorText(), operation));
}

void keyOf(std::int16_t table, std::uint32_t position) {
  TagFile& tags = TF_();
  tags.clear();
  tags->USR = kTagUser;
  tags->TBL = table;
  tags->PTR = static_cast<std::int32_t>(position);
}

bool ofTable(std::int16_t table) {
  return TF_()->USR == kTagUser && TF_()->TBL == table;
}

// The first tag of the table at or after `position`, read into TF_'s
// buffer; false when there is none.
bool firstFrom(std::int16_t table, std::uint32_t position) {
  keyOf(table, position);
  if (TF_().setByValue(tf_key::kPtrKey) != 0) return false;
  return TF_().next() == 0 && ofTable(table);
}

int percentOf(std::int64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  return static_cast<int>(std::min<std::int64_t>(100, done * 100 / total));
}

// The quick way: when the file's first and last tags both belong to this
// user and table, every tag in it does (the key orders by user and table).
bool onlyThisTable(std::int16_t table) {
  TagFile& tags = TF_();
  if (tags.set(tf_key::kPtrKey) != 0 || tags.next() != 0 || !ofTable(table)) return false;
  if (tags.set(tf_key::kPtrKey) != 0 || tags.previous() != 0) return false;
  return ofTable(table);
}

}  // namespace

std::string tagHaltText(int code, std::string_view message, std::string_view operation) {
  std::string text = "Error #" + std::to_string(code) + " - ";
  text += message;
  while (!text.empty() && text.back() == ' ') text.pop_back();
  text += " (";
  text += operation;
  text += ")";
  return text;
}

int setTag(std::int16_t table, std::uint32_t position, std::string_view value) {
  keyOf(table, position);
  TagFile& tags = TF_();
  const bool present = tags.get(tf_key::kPtrKey) == 0;
  tags->VAL = value;
  return present ? tags.put() : tags.add();
}

int clearTag(std::int16_t table, std::uint32_t position) {
  keyOf(table, position);
  if (TF_().get(tf_key::kPtrKey) != 0) return 0;
  return TF_().erase();
}

bool tagIsSet(std::int16_t table, std::uint32_t position) {
  keyOf(table, position);
  return TF_().get(tf_key::kPtrKey) == 0;
}

bool anyTag(std::int16_t table) {
  return firstFrom(table, 0);
}

void SetTag_(std::int16_t table, std::uint32_t position, std::string_view value) {
  FileUser user(TF_());
  keyOf(table, position);
  TagFile& tags = TF_();
  const bool present = tags.get(tf_key::kPtrKey) == 0;
  tags->VAL = value;
  if (present) {
    if (int rc = tags.put()) haltOn(rc, "SetTag_/PUT");
  } else if (int rc = tags.add()) {
    haltOn(rc, "SetTag_/ADD");
  }
}

void ClrTag_(std::int16_t table, std::uint32_t position) {
  FileUser user(TF_());
  keyOf(table, position);
  if (TF_().get(tf_key::kPtrKey) != 0) return;
  if (int rc = TF_().erase()) haltOn(rc, "ClrTag_/DELETE");
}

bool TagIsSet_(std::int16_t table, std::uint32_t position) {
  FileUser user(TF_());
  return tagIsSet(table, position);
}

bool AnyTag_(std::int16_t table) {
  FileUser user(TF_());
  return anyTag(table);
}

bool NewTag_(std::int16_t table) {
  FileUser user(TF_());
  TagFile& tags = TF_();
  // EMPTY needs the file to itself: it takes the file's lock, and when
  // another user holds the file (dornctl, say) the slow way serves.
  if (onlyThisTable(table) && tags.lock(0) == 0) {
    const int rc = tags.empty();
    (void)tags.unlock();
    if (rc != 0) haltOn(rc, "NewTag_/TryQuick/EMPTY");
    return true;
  }
  const std::int64_t total = std::max<std::int64_t>(1, tags.records());
  std::int64_t cleared = 0;
  const auto end = ui::runProgress(kTagProgress, kClearingTagsTitle, [&] {
    for (int i = 0; i < kClearTagsPerTick; ++i) {
      if (!firstFrom(table, 0)) return ui::ProgressTick{true, 100};
      if (int rc = tags.erase()) haltOn(rc, "NewTag_/SlowButSure/DELETE");
      ++cleared;
    }
    return ui::ProgressTick{false, percentOf(cleared, total)};
  });
  return end == ui::ProgressEnd::Done;
}

std::optional<std::int64_t> CntTag_(std::int16_t table) {
  FileUser user(TF_());
  const std::int64_t total = std::max<std::int64_t>(1, TF_().records());
  std::int64_t count = 0;
  std::uint32_t next = 0;
  bool started = false;
  const auto end = ui::runProgress(kTagProgress, kCountingTagsTitle, [&] {
    // Each tick starts again from the key of the tag after the last one
    // counted: between ticks other windows may move TF_'s position.
    for (int i = 0; i < kCountTagsPerTick; ++i) {
      if (started && next == 0) return ui::ProgressTick{true, 100};  // past the last position
      if (!firstFrom(table, next)) return ui::ProgressTick{true, 100};
      started = true;
      ++count;
      next = static_cast<std::uint32_t>(TF_()->PTR.get()) + 1;
    }
    return ui::ProgressTick{false, percentOf(count, total)};
  });
  if (end != ui::ProgressEnd::Done) return std::nullopt;
  return count;
}

void forgetScheduleTag(std::uint32_t recordNumber) {
  if (recordNumber == 0) return;
  TagFile& tags = TF_();
  lang::pushErrorState();
  if (tags.isOpen()) {
    (void)clearTag(kScheduleTagTable, recordNumber);
  } else if (platform::platform().exists(std::string(tags.name()))) {
    if (tags.open(kSharedAccess) == 0) {
      (void)clearTag(kScheduleTagTable, recordNumber);
      tags.close();
    }
  }
  lang::popErrorState();
}

}  // namespace dw::app
