// The open routine and the per-process user counts (file_routines.h).
//
// The open routine reads the error of the open and acts on it:
//   0, 52    the file is open: done;
//   2        missing: created and opened again when the caller allows it
//            (message 4 or 5 and the end of the program on a failure);
//            when creating is forbidden it is an error like any other;
//            when the caller did not ask for creation, message 4 ends it;
//   47       the file does not hold the table as declared: message 1 ends;
//   46       the keys must be rebuilt: message 2 asks; Yes rebuilds them
//            with the file open for this process alone, then opens it as
//            asked (message 3 ends the program on a failure); No ends;
//   others   message 30, then the program ends with "Disk Error".
//
// The user counts are the declarations' open counts; a file is opened only
// by its first user and closed by its last.
//
// Threads: a runtime thread holding the Runtime lock.
#include "app/routines/open_routine_internal.h"

#include "app/routines/file_routines.h"
#include "runtime/lang/errors.h"

namespace dw::app {

namespace {

// Read and write, denying every other opener: what BUILD needs.
constexpr std::uint32_t kExclusiveAccess = 0x12;

FileOpener& opener() {
  static FileOpener f;
  return f;
}

int openWith(db::DeclaredFile& file, std::uint32_t mode) {
  if (opener()) return opener()(file, mode);
  file.open(mode);
  return lang::errorCode();
}

// Rebuilds every key of a closed file; the error of the step that failed.
int rebuildKeys(db::DeclaredFile& file) {
  if (file.isOpen()) file.close();
  if (int rc = file.open(kExclusiveAccess)) return rc;
  const int rc = file.build();
  if (rc != 0) {
    lang::pushErrorState();
    file.close();
    lang::popErrorState();
    return rc;
  }
  return file.close();
}

}  // namespace

void setFileOpenerForTesting(FileOpener open) {
  opener() = std::move(open);
}

void openRoutine(db::DeclaredFile& file, CreateFile create, ForbidCreate forbid,
                 std::uint32_t mode) {
  const std::string name = file.name();
  int code = openWith(file, mode);
  if (code == 0 || code == lang::err::kFileAlreadyOpen) return;
  if (code == lang::err::kFileNotFound && forbid == ForbidCreate::No) {
    if (create == CreateFile::No) standardError(stdmsg::kCreateError, name);
    if (file.create() != 0) standardError(stdmsg::kCreateError, name);
    if (openWith(file, mode) != 0) standardError(stdmsg::kOpenCreatedError, name);
    return;
  }
  if (code == lang::err::kInvalidRecordDeclaration) standardError(stdmsg::kInvalidFile, name);
  if (code == lang::err::kKeyMustBeRebuilt) {
    standardError(stdmsg::kInvalidKey, name);  // No ends the program
    if (rebuildKeys(file) != 0) standardError(stdmsg::kKeyRebuildError, name);
    code = openWith(file, mode);
    if (code == 0 || code == lang::err::kFileAlreadyOpen) return;
  }
  standardError(stdmsg::kFileAccessError, name);
  lang::halt(kHaltExitCode, kHaltDiskError);
}

bool useFile(db::DeclaredFile& file, CreateFile create, ForbidCreate forbid, std::uint32_t mode) {
  const bool first = file.openCount() == 0;
  if (first) openRoutine(file, create, forbid, mode);
  ++file.openCount();
  return first;
}

void releaseFile(db::DeclaredFile& file) {
  int& count = file.openCount();
  if (count <= 0) return;
  if (--count == 0 && file.isOpen()) file.close();
}

}  // namespace dw::app
