// Shared file objects and access periods; see table_file.h.
#include "runtime/db/table_file.h"

#include <map>
#include <mutex>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/transaction.h"
#include "runtime/lang/errors.h"

namespace dw::db {
namespace {

std::mutex g_mutex;
std::map<std::string, std::weak_ptr<TableFile>>& registry() {
  static std::map<std::string, std::weak_ptr<TableFile>> r;
  return r;
}

// A check found the file damaged: the file object of that name, if this
// process has one, takes no more changes.
void damageFound(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& r = registry();
  if (auto it = r.find(path); it != r.end()) {
    if (auto shared = it->second.lock()) shared->file().markDamaged();
  }
}

}  // namespace

std::shared_ptr<TableFile> TableFile::acquire(const std::string& path,
                                              const TableFileOptions& options, int& error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  error = 0;
  setDamageObserver(&damageFound);
  auto& r = registry();
  const ShareClaim claim = claimOf(options);
  if (auto it = r.find(path); it != r.end()) {
    if (auto shared = it->second.lock()) {
      const dw::platform::OpenMode before = shared->shareMode();
      shared->count(claim, 1);
      const dw::platform::OpenMode after = shared->shareMode();
      if (after.access != before.access || after.share != before.share) {
        if (auto st = shared->m_file->changeShare(after); !st) {
          shared->count(claim, -1);
          error = int(st.error());
          return nullptr;
        }
      }
      return shared;
    }
  }
  std::shared_ptr<TableFile> tf(new TableFile());
  tf->count(claim, 1);
  const dw::platform::OpenMode mode = tf->shareMode();
  BriskOptions o;
  o.readMode = true;
  o.locking = options.locking;
  o.password = options.password;
  o.readOnlyHandle = mode.access == dw::platform::Access::Read;
  o.share = mode.share;
  auto opened = BriskFile::open(path, o,
                                options.create && !options.readOnly
                                    ? dw::platform::Disposition::OpenAlways
                                    : dw::platform::Disposition::OpenExisting);
  if (!opened) {
    error = int(opened.error());
    return nullptr;
  }
  tf->m_file = std::move(*opened);
  tf->m_path = path;
  tf->m_locking = options.locking;
  tf->m_readOnly = options.readOnly;
  r[path] = tf;
  return tf;
}

ShareClaim TableFile::claimOf(const TableFileOptions& options) {
  ShareClaim c = options.claim;
  if (options.readOnly) c.write = false;
  return c;
}

void TableFile::count(const ShareClaim& claim, int by) {
  if (claim.write) m_writers += by;
  if (claim.denyRead) m_denyingRead += by;
  if (claim.denyWrite) m_denyingWrite += by;
}

dw::platform::OpenMode TableFile::shareMode() const {
  using dw::platform::Share;
  dw::platform::OpenMode mode;
  mode.access = m_writers > 0 ? dw::platform::Access::ReadWrite : dw::platform::Access::Read;
  if (m_denyingRead > 0 && m_denyingWrite > 0)
    mode.share = Share::DenyAll;
  else if (m_denyingRead > 0)
    mode.share = Share::DenyRead;
  else if (m_denyingWrite > 0)
    mode.share = Share::DenyWrite;
  else
    mode.share = Share::DenyNone;
  return mode;
}

void TableFile::leave(const ShareClaim& claim) {
  std::lock_guard<std::mutex> lock(g_mutex);
  const dw::platform::OpenMode before = shareMode();
  count(claim, -1);
  const dw::platform::OpenMode after = shareMode();
  // Asking for less never conflicts with anybody.
  if (after.access != before.access || after.share != before.share)
    (void)m_file->changeShare(after);
}

long TableFile::holders(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& r = registry();
  auto it = r.find(path);
  return it == r.end() ? 0 : it->second.use_count();
}

TableFile::~TableFile() {
  if (!m_file) return;  // its open failed: never registered
  if (enlisted()) {
    // Going away inside a transaction: its uncommitted changes go too.
    Transaction::process().withdraw(*m_file);
    m_inPeriod = false;
  }
  if (m_inPeriod) m_file->release();
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& r = registry();
  auto it = r.find(m_path);
  if (it != r.end() && it->second.expired()) r.erase(it);
}

int TableFile::beginRead() {
  return beginReadPeriod(false);
}

int TableFile::beginTrustingRead() {
  return beginReadPeriod(m_batchDepth == 0 && m_readBatchDepth == 0 && m_file->readMode() &&
                         !enlisted());
}

int TableFile::beginReadPeriod(bool mayTrust) {
  if (m_inPeriod) return 0;
  const int rc = mayTrust ? m_file->refreshHeaderTrusting() : m_file->refreshHeader();
  if (rc != 0) {
    // A header refused for what it holds (not a lock that failed).
    if (!m_file->refreshFault().empty()) m_file->markDamaged();
    return dw::lang::err::kInvalidDataFile;
  }
  m_inPeriod = true;
  return 0;
}

int TableFile::restartRead() {
  m_file->release();
  m_inPeriod = false;
  return beginRead();
}

int TableFile::beginWrite() {
  if (m_readOnly || m_writers == 0) return dw::lang::err::kAccessDenied;
  // Changes built on pages that cannot be trusted would spread the damage.
  if (m_file->damaged()) return dw::lang::err::kInvalidDataFile;
  if (m_file->readMode()) {
    // Leave the read period first, so that the refresh below takes the
    // exclusive lock and completes or recovers an unfinished commit.
    if (m_inPeriod) {
      m_file->release();
      m_inPeriod = false;
    }
    m_file->setReadMode(false);
  }
  return beginRead();
}

bool TableFile::enlisted() const {
  return Transaction::process().isEnlisted(*m_file);
}

int TableFile::finish() {
  if (enlisted()) {
    m_inPeriod = false;  // the transaction's period goes on
    return 0;
  }
  int rc = 0;
  if (!m_file->readMode()) {
    if (m_file->damaged()) {
      // Found damaged in the middle of a change: what it did so far goes.
      if (m_file->hasChanges()) rc = dw::lang::err::kInvalidDataFile;
      m_file->rollback();
    } else if (m_file->hasChanges()) {
      rc = int(m_file->commit());
    }
    m_file->setReadMode(true);
  }
  if (m_inPeriod) m_file->release();
  m_inPeriod = false;
  return rc;
}

// Whether a read batch keeps the period of a read that just ended.
bool TableFile::readBatchKeepsPeriod() const {
  return m_readBatchDepth > 0 && m_file->readMode() && !m_file->hasChanges() && !enlisted();
}

int TableFile::endOperation() {
  if (m_batchDepth > 0 || readBatchKeepsPeriod()) return 0;
  return finish();
}

void TableFile::abandonOperation() {
  if (m_batchDepth > 0 || readBatchKeepsPeriod()) return;
  if (enlisted()) {
    m_inPeriod = false;
    return;
  }
  if (!m_file->readMode()) {
    m_file->rollback();
    m_file->setReadMode(true);
  }
  if (m_inPeriod) m_file->release();
  m_inPeriod = false;
}

int TableFile::beginBatch() {
  if (m_batchDepth == 0) {
    if (int rc = beginWrite()) return rc;
  }
  ++m_batchDepth;
  return 0;
}

int TableFile::endBatch() {
  if (m_batchDepth == 0) return 0;
  if (--m_batchDepth > 0) return 0;
  return finish();
}

int TableFile::beginReadBatch() {
  if (m_readBatchDepth++ > 0 || m_batchDepth > 0 || !m_file->readMode() || enlisted()) return 0;
  return beginReadPeriod(false);
}

void TableFile::endReadBatch() {
  if (m_readBatchDepth == 0 || --m_readBatchDepth > 0) return;
  if (m_batchDepth > 0 || enlisted() || !m_file->readMode()) return;
  if (m_inPeriod) m_file->release();
  m_inPeriod = false;
}

int TableFile::commitEarly() {
  if (m_batchDepth == 0 || enlisted()) return 0;
  const int rc = finish();
  const int wrc = beginWrite();
  return rc != 0 ? rc : wrc;
}

int TableFile::flushAndCut() {
  m_batchDepth = 0;
  int rc = finish();
  if (rc != 0 || m_readOnly || m_writers == 0 || m_file->damaged() || enlisted()) return rc;
  // Cutting writes to the file: do it as a writer, holding the exclusive
  // lock, so that no reader sees the file shrink under it.
  if (beginWrite() == 0) rc = int(m_file->cutAtEndOfData());
  m_file->setReadMode(true);
  m_file->release();
  m_inPeriod = false;
  return rc;
}

}  // namespace dw::db
