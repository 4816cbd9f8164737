// The driver's operations as driverCall() dispatches them, after the state
// check: driver_files.cpp opens, closes and changes whole tables and runs
// transactions, locks, streaming and SEND; driver_records.cpp reads,
// positions and writes records.  Internal to the driver; same thread rules
// as driver.h.
#pragma once

#include "runtime/db/driver.h"

namespace dw::db::driver_detail {

// Each returns 0 or an error number; kErrUnsupported when the operation is
// not theirs.
int fileOperation(int operation, FileControlBlock& fcb, DriverArgs& args);
int recordOperation(int operation, FileControlBlock& fcb, DriverArgs& args);

// Ends a file's streaming commit early when its dirty pages reach this.
inline constexpr std::size_t kStreamDirtyPages = 40;

// Clears the transaction bit of every control block enlisted with this one
// (the transaction is the process's, not the table's).
void leaveTransaction();
void joinTransaction(FileControlBlock& fcb);
void forgetControlBlock(FileControlBlock& fcb);

}  // namespace dw::db::driver_detail
