#pragma once

// The parallel port's ECP device, as the link names it.
inline constexpr char kEcp1[] = "\\\\.\\VornEcp1";
