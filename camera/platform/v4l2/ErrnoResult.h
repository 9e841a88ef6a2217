#pragma once

// How a failed V4L2 call is reported to the camera layer, which speaks HRESULT-style codes.
//
//   errno                     on a query (QUERY_EXT_CTRL,     on anything else (open,
//                             QUERYMENU, G_EXT_CTRLS)         S_EXT_CTRLS, QUERYCAP)
//   EINVAL                    0x80070490 unknown control      0x80070057 invalid value
//   ERANGE                    0x80070057                      0x80070057 out of range
//   EACCES                    0x80070005                      0x80070005 access denied
//   EBUSY                     0x800700AA                      0x800700AA busy
//   ENODEV, ENOENT            0x8007048F                      0x8007048F not connected
//   EIO, EPIPE                0x8007001F                      0x8007001F general failure
//   anything else             0x80004005                      0x80004005 unspecified failure

#include "CaptureServices.h"

namespace v4l2backend {

enum class Call { Query, Access };

capture::Result resultFromErrno(int error, Call call);

}  // namespace v4l2backend
