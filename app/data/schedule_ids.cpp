// Schedule identifiers (schedule_ids.h).
#include "app/data/schedule_ids.h"

#include <limits>
#include <string>

#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

// Keeps a declaration's record and memo buffers across a lookup.
class KeptBuffers {
 public:
  explicit KeptBuffers(ScheduleFile& f)
      : m_file(f), m_record(f.rec()), m_memo(f.memo(kMessageMemo)) {}
  ~KeptBuffers() {
    m_file.rec() = m_record;
    m_file.memo(kMessageMemo) = m_memo;
  }
  KeptBuffers(const KeptBuffers&) = delete;
  KeptBuffers& operator=(const KeptBuffers&) = delete;

 private:
  ScheduleFile& m_file;
  ScheduleRecord m_record;
  std::string m_memo;
};

}  // namespace

int nextScheduleId(ScheduleFile& file, std::int32_t& id) {
  KeptBuffers kept(file);
  if (int rc = file.set(sch_key::kKeyID)) return rc;
  const int rc = file.previous();
  if (rc == 33) {  // no record: the table is empty
    lang::clearError();
    id = 1;
    return 0;
  }
  if (rc != 0) return rc;
  const std::int32_t highest = file->ID;
  if (highest == std::numeric_limits<std::int32_t>::max()) {
    // No number above the highest: the caller's add would collide.
    lang::postError(lang::err::kDuplicateKey);
    return lang::err::kDuplicateKey;
  }
  id = highest + 1;
  return 0;
}

bool scheduleIdExists(ScheduleFile& file, std::int32_t id) {
  KeptBuffers kept(file);
  file->ID = id;
  lang::pushErrorState();
  const bool found = file.get(sch_key::kKeyID) == 0;
  lang::popErrorState();
  return found;
}

}  // namespace dw::app
