#include "platform/last_error.h"

#include <cerrno>

#include "platform/error_codes.h"
#include "platform/host/host_state.h"

namespace spinstall::platform {
namespace {
thread_local std::uint32_t g_lastError = 0;
}

std::uint32_t LastError() { return g_lastError; }
void SetLastError(std::uint32_t code) { g_lastError = code; }

namespace host {

std::uint32_t ErrorFromErrno(int error) {
  switch (error) {
    case 0:
      return kErrorSuccess;
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:  // Windows denies access to a directory opened as a file
      return kErrorAccessDenied;
    case EEXIST:
    case ELOOP:  // a link where a new file was to be created
      return kErrorFileExists;
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
      return kErrorDiskFull;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EROFS:
      return kErrorWriteProtect;
    case EAGAIN:
    case EBUSY:
      return kErrorSharingViolation;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case EBADF:
      return kErrorInvalidHandle;
    case EINVAL:
      return kErrorInvalidParameter;
    default:
      return kErrorGenFailure;
  }
}

void SetLastErrorFromErrno() { SetLastError(ErrorFromErrno(errno)); }

}  // namespace host
}  // namespace spinstall::platform
