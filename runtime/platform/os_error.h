// Operating-system error codes as the runtime sees them: the Win32 numbering,
// which the runtime posts as 300 + code (ERROR_FILE_NOT_FOUND 2 -> 302).
// POSIX errno values are turned into these codes in exactly one place,
// osErrorFromErrno() in posix_platform.cpp.
//
// OsResult<T> carries either a value or a code; OsStatus is OsResult<void>.
// Nothing in the platform layer throws.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace dw::platform {

using OsError = std::uint32_t;

inline constexpr OsError kOk = 0;
inline constexpr OsError kInvalidFunction = 1;
inline constexpr OsError kFileNotFound = 2;
inline constexpr OsError kPathNotFound = 3;
inline constexpr OsError kTooManyOpenFiles = 4;
inline constexpr OsError kAccessDenied = 5;
inline constexpr OsError kInvalidHandle = 6;
inline constexpr OsError kNotEnoughMemory = 8;
inline constexpr OsError kBadFormat = 11;
inline constexpr OsError kInvalidAccess = 12;
inline constexpr OsError kInvalidData = 13;
inline constexpr OsError kWriteProtect = 19;
inline constexpr OsError kNotSameDevice = 17;
inline constexpr OsError kWriteFault = 29;
inline constexpr OsError kReadFault = 30;
inline constexpr OsError kGeneralFailure = 31;
inline constexpr OsError kSharingViolation = 32;
inline constexpr OsError kLockViolation = 33;
inline constexpr OsError kHandleEof = 38;
inline constexpr OsError kHandleDiskFull = 39;
inline constexpr OsError kNotSupported = 50;
inline constexpr OsError kFileExists = 80;
inline constexpr OsError kInvalidParameter = 87;
inline constexpr OsError kDiskFull = 112;
inline constexpr OsError kDirNotEmpty = 145;
inline constexpr OsError kNotLocked = 158;
inline constexpr OsError kAlreadyExists = 183;
inline constexpr OsError kFilenameTooLong = 206;
inline constexpr OsError kFileTooLarge = 223;

// The system's own description of an error ("No space left on device" for
// kDiskFull), for telling the user what happened; "" for a code the
// system has no single errno for.  Defined beside osErrorFromErrno().
std::string osErrorText(OsError error);

template <class T>
class [[nodiscard]] OsResult {
 public:
  OsResult(T value) : m_v(std::move(value)) {}
  static OsResult failure(OsError e) { return OsResult(Err{e}); }

  bool ok() const { return m_v.index() == 0; }
  explicit operator bool() const { return ok(); }
  OsError error() const { return ok() ? kOk : std::get<1>(m_v).code; }
  T& value() { return std::get<0>(m_v); }
  const T& value() const { return std::get<0>(m_v); }
  T& operator*() { return value(); }
  T* operator->() { return &value(); }

 private:
  struct Err {
    OsError code;
  };
  explicit OsResult(Err e) : m_v(e) {}
  std::variant<T, Err> m_v;
};

class [[nodiscard]] OsStatus {
 public:
  OsStatus() = default;
  static OsStatus failure(OsError e) { return OsStatus(e); }
  bool ok() const { return m_code == kOk; }
  explicit operator bool() const { return ok(); }
  OsError error() const { return m_code; }

 private:
  explicit OsStatus(OsError e) : m_code(e) {}
  OsError m_code = kOk;
};

}  // namespace dw::platform
