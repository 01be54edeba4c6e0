#pragma once
#include "platform/device.h"

// A port opened for reading and writing, not shared: the way the link opens it.
inline constexpr platform::OpenMode kReadWrite{true, true, false};
