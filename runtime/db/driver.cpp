// The entry point, the state table and the registration record; see
// driver.h.  The operations themselves are driver_files.cpp and
// driver_records.cpp.
#include "runtime/db/driver.h"

#include <algorithm>
#include <array>

#include "runtime/db/brisk_checks.h"
#include "runtime/db/driver_ops.h"
#include "runtime/db/transaction.h"
#include "runtime/lang/errors.h"

namespace dw::db {

namespace {

// operation, required, forbidden, set, cleared (on success)
constexpr std::array kRules = {
    StateRule{op::kAdd, 0x41, 0x00, 0x02, 0x00},
    StateRule{op::kBof, 0x21, 0x00, 0x00, 0x00},
    StateRule{op::kBuildAll, 0xC0, 0x04, 0x00, 0x00},
    StateRule{op::kAppend, 0x41, 0x00, 0x00, 0x00},
    StateRule{op::kBuildDynamic, 0x01, 0x04, 0x00, 0x00},
    StateRule{op::kBuildKey, 0xC0, 0x04, 0x00, 0x00},
    StateRule{op::kClose, 0x01, 0x04, 0x00, 0x01},
    StateRule{op::kCommit, 0x05, 0x00, 0x00, 0x04},
    StateRule{op::kCopy, 0x00, 0x01, 0x00, 0x00},
    StateRule{op::kCreate, 0x00, 0x01, 0x00, 0x00},
    StateRule{op::kDelete, 0x43, 0x00, 0x00, 0x02},
    StateRule{op::kDuplicateAny, 0x41, 0x00, 0x00, 0x00},
    StateRule{op::kEmpty, 0xC1, 0x04, 0x00, 0x00},
    StateRule{op::kEof, 0x21, 0x00, 0x00, 0x00},
    StateRule{op::kGetByKey, 0x01, 0x00, 0x02, 0x00},
    StateRule{op::kGetByRecord, 0x01, 0x00, 0x02, 0x00},
    StateRule{op::kGetByRecord2, 0x01, 0x00, 0x02, 0x00},
    StateRule{op::kHold, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kHoldSeconds, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kLock, 0x01, 0x10, 0x90, 0x00},
    StateRule{op::kLockSeconds, 0x01, 0x10, 0x90, 0x00},
    StateRule{op::kLogout, 0x01, 0x04, 0x04, 0x00},
    StateRule{op::kNext, 0x21, 0x00, 0x02, 0x00},
    StateRule{op::kOpen, 0x00, 0x01, 0x01, 0x00},
    StateRule{op::kOpen2, 0x00, 0x01, 0x01, 0x00},
    StateRule{op::kPack, 0xC0, 0x04, 0x00, 0x22},
    StateRule{op::kPointer, 0x03, 0x00, 0x00, 0x00},
    StateRule{op::kPointer2, 0x03, 0x00, 0x00, 0x00},
    StateRule{op::kFlush, 0x09, 0x00, 0x00, 0x08},
    StateRule{op::kPut, 0x43, 0x00, 0x00, 0x00},
    StateRule{op::kPrevious, 0x21, 0x00, 0x02, 0x00},
    StateRule{op::kRecords, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kKeyRecords, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBuildDynamic2, 0x01, 0x04, 0x00, 0x00},
    StateRule{op::kRelease, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kRemove, 0x00, 0x01, 0x00, 0x00},
    StateRule{op::kRename, 0x00, 0x01, 0x00, 0x00},
    StateRule{op::kRollback, 0x05, 0x00, 0x00, 0x04},
    StateRule{op::kSetRecordEnd, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetValueThenRecord, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetRecordAt, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetKeyEnd, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetKeyValue, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetKeyAtRecord, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSetKeyValueRecord, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kSkip, 0x21, 0x00, 0x00, 0x02},
    StateRule{op::kUnlock, 0x11, 0x04, 0x00, 0x10},
    StateRule{op::kPutAt, 0x41, 0x00, 0x00, 0x00},
    StateRule{op::kStream, 0x01, 0x08, 0x08, 0x00},
    StateRule{op::kDuplicateKey, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kWatch, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kSend, 0x00, 0x00, 0x00, 0x00},
    StateRule{op::kPosition, 0x03, 0x00, 0x00, 0x00},
    StateRule{op::kKeyPosition, 0x03, 0x00, 0x00, 0x00},
    StateRule{op::kReset, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kKeyReset, 0x01, 0x00, 0x20, 0x00},
    StateRule{op::kNoMemo, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kReget, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kKeyReget, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kOrderingKey, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBlobRead, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBlobWrite, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBlobSize, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBlobSet, 0x01, 0x00, 0x00, 0x00},
    StateRule{op::kBlobGet, 0x01, 0x00, 0x00, 0x00},
};

// Operations that clear "current record" also when they fail.
bool clearsCurrentOnFailure(int operation) {
  return operation == op::kNext || operation == op::kPrevious || operation == op::kSkip;
}

std::vector<int> publishedOperations() {
  std::vector<int> ops;
  for (const StateRule& r : kRules) {
    if (r.operation != op::kOrderingKey) ops.push_back(r.operation);
  }
  ops.push_back(op::kPublishedOnly);  // published, answered with 80
  std::sort(ops.begin(), ops.end());
  return ops;
}

}  // namespace

const StateRule* stateRuleOf(int operation) {
  for (const StateRule& r : kRules) {
    if (r.operation == operation) return &r;
  }
  return nullptr;
}

int checkState(const StateRule& rule, std::uint32_t state) {
  const std::uint32_t missing = rule.required & ~state;
  if (missing) {
    if (missing & kStateOpen) return kErrNotOpen;
    if (missing & (kStateCurrent | kStateSequence)) return dw::lang::err::kRecordNotAvailable;
    if (missing & kStateDenying) return kErrExclusiveRequired;
    if (missing & kStateWrite) return dw::lang::err::kAccessDenied;
    return kErrPrecondition;
  }
  const std::uint32_t present = rule.forbidden & state;
  if (present) {
    if (present & kStateOpen) return kErrAlreadyOpen;
    if (present & kStateTransaction) return kLogoutAlreadyActive;
    return kErrPrecondition;
  }
  return 0;
}

const DriverRegistration& driverRegistration() {
  static const DriverRegistration r{
      publishedOperations(),
      {1, 2, 3, 6, 7, 8, 9, 10, 18, 19, 20, 21, 26, 22, 23},
      "BRISK",
      "Brisk (BRK) Driver 1.00",
      &driverCall,
      std::uint32_t(maxStoredRecordLength()),
      std::uint32_t(kMaxKeys),
      kMaxDeclared,
      kMaxBlobLength,
  };
  return r;
}

int driverCall(int operation, FileControlBlock& fcb, DriverArgs& args) {
  if (operation == op::kNothing) return 0;
  const StateRule* rule = stateRuleOf(operation);
  if (!rule) return kErrUnsupported;
  if (int rc = checkState(*rule, fcb.state)) return rc;
  const CheckedFile checked(fcb.name);
  int rc = driver_detail::recordOperation(operation, fcb, args);
  if (rc == kErrUnsupported) rc = driver_detail::fileOperation(operation, fcb, args);
  if (rc == 0) {
    fcb.state = (fcb.state | rule->set) & ~std::uint32_t(rule->cleared);
  } else if (clearsCurrentOnFailure(operation)) {
    fcb.state &= ~kStateCurrent;
  }
  return rc;
}

FileControlBlock::~FileControlBlock() {
  driver_detail::forgetControlBlock(*this);
  if (table && table->isOpen()) {
    tableLock.unlock(table->file());
    (void)table->closeTable();
  }
}

}  // namespace dw::db
