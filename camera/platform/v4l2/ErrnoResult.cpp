#include "ErrnoResult.h"

#include <cerrno>

namespace v4l2backend {

capture::Result resultFromErrno(int error, Call call) {
    switch (error) {
        case EINVAL:
            return call == Call::Query ? capture::kNotFound : capture::kInvalidArg;
        case ERANGE:
            return capture::kInvalidArg;
        case EACCES:
            return capture::kAccessDenied;
        case EBUSY:
            return capture::kBusy;
        case ENODEV:
        case ENOENT:
            return capture::kDeviceNotConnected;
        case EIO:
        case EPIPE:
            return capture::kGenFailure;
        default:
            return capture::kFail;
    }
}

}  // namespace v4l2backend
