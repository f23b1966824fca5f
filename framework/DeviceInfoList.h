// Owner of a SetupAPI device information list: destroys the list when it goes. The calls that make
// one give INVALID_HANDLE_VALUE when they fail, which the owner holds as empty.
#pragma once

#include <windows.h>
#include <setupapi.h>

#include "framework/UniqueHandle.h"

struct DeviceInfoListTraits {
    using Type = HDEVINFO;
    static HDEVINFO Invalid() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HDEVINFO list) { return list != nullptr && list != INVALID_HANDLE_VALUE; }
    static void Close(HDEVINFO list) { ::SetupDiDestroyDeviceInfoList(list); }
};

using CDeviceInfoList = CUniqueHandle<DeviceInfoListTraits>;
