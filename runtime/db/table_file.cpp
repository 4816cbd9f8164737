// Shared file objects and access periods; see table_file.h.
#include "runtime/db/table_file.h"

#include <map>
#include <mutex>

#include "runtime/db/transaction.h"
#include "runtime/lang/errors.h"

namespace dw::db {
namespace {

std::mutex g_mutex;
std::map<std::string, std::weak_ptr<TableFile>>& registry() {
  static std::map<std::string, std::weak_ptr<TableFile>> r;
  return r;
}

}  // namespace

std::shared_ptr<TableFile> TableFile::acquire(const std::string& path,
                                              const TableFileOptions& options, int& error) {
  std::lock_guard<std::mutex> lock(g_mutex);
  error = 0;
  auto& r = registry();
  if (auto it = r.find(path); it != r.end()) {
    if (auto shared = it->second.lock()) return shared;
  }
  BriskOptions o;
  o.readMode = true;
  o.locking = options.locking;
  o.password = options.password;
  o.readOnlyHandle = options.readOnly;
  auto opened = BriskFile::open(path, o,
                                options.create && !options.readOnly
                                    ? dw::platform::Disposition::OpenAlways
                                    : dw::platform::Disposition::OpenExisting);
  if (!opened) {
    error = int(opened.error());
    return nullptr;
  }
  std::shared_ptr<TableFile> tf(new TableFile());
  tf->m_file = std::move(*opened);
  tf->m_path = path;
  tf->m_locking = options.locking;
  tf->m_readOnly = options.readOnly;
  r[path] = tf;
  return tf;
}

long TableFile::holders(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto& r = registry();
  auto it = r.find(path);
  return it == r.end() ? 0 : it->second.use_count();
}

TableFile::~TableFile() {
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
  if (rc != 0) return dw::lang::err::kInvalidDataFile;
  m_inPeriod = true;
  return 0;
}

int TableFile::restartRead() {
  m_file->release();
  m_inPeriod = false;
  return beginRead();
}

int TableFile::beginWrite() {
  if (m_readOnly) return dw::lang::err::kAccessDenied;
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
    if (m_file->hasChanges()) rc = int(m_file->commit());
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
  if (rc != 0 || m_readOnly || enlisted()) return rc;
  // Cutting writes to the file: do it as a writer, holding the exclusive
  // lock, so that no reader sees the file shrink under it.
  if (beginWrite() == 0) rc = int(m_file->cutAtEndOfData());
  m_file->setReadMode(true);
  m_file->release();
  m_inPeriod = false;
  return rc;
}

}  // namespace dw::db
