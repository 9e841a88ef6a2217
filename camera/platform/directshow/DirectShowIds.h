#pragma once

// The class, interface and property-set identifiers the capture code uses, written out here so
// that the backend needs no GUID library and every value can be checked against the SDK's.

#include <windows.h>

#include "CaptureServices.h"

namespace directshow {

constexpr GUID kClsidSystemDeviceEnum = {
    0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kIidICreateDevEnum = {
    0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kClsidVideoInputDeviceCategory = {
    0x860BB310, 0x5D01, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
constexpr GUID kIidIPropertyBag = {
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr GUID kIidIBaseFilter = {
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr GUID kIidIAMVideoProcAmp = {
    0xC6E13360, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
constexpr GUID kIidIAMCameraControl = {
    0xC6E13370, 0x30AC, 0x11D0, {0xA1, 0x8C, 0x00, 0xA0, 0xC9, 0x11, 0x89, 0x56}};
constexpr GUID kIidIKsPropertySet = {
    0x31EFAC30, 0x515C, 0x11D0, {0xA9, 0xAA, 0x00, 0xAA, 0x00, 0x61, 0xBE, 0x93}};

// Low-light compensation in the camera-control family
// (KSPROPERTY_CAMERACONTROL_AUTO_EXPOSURE_PRIORITY). mingw-w64's ksmedia.h ends that enumeration at
// KSPROPERTY_CAMERACONTROL_FOCAL_LENGTH (18), and where the SDK has it, it is an enumerator that a
// macro of the same name would break.
constexpr LONG kCameraControlAutoExposurePriority = 19;

inline GUID toWindowsGuid(const capture::Guid &g) {
    GUID out;
    out.Data1 = g.data1;
    out.Data2 = g.data2;
    out.Data3 = g.data3;
    for (int i = 0; i < 8; ++i)
        out.Data4[i] = g.data4[i];
    return out;
}

}  // namespace directshow
