#pragma once
// Entry points of the libraries the program loads by name at run time.
// Plain C so that the stand-ins, the test fakes and the program agree.

#ifdef __cplusplus
extern "C" {
#endif

// USB library ("tirusb.dll" / "tiropen.dll" -> libtirusb.so / libtiropen.so)
typedef int (*GetControlPortNameFn)(char* buffer, int size);
typedef int (*Win2kUsbWriteFn)(const unsigned char* buffer, int count);
typedef int (*Win2kUsbReadFn)(unsigned char* buffer, int count);
// Optional (newer libraries): a read that gives up once withinMs have passed on
// the program's clock; withinMs 0 takes only what the machine holds now.
typedef int (*Win2kUsbReadWithinFn)(unsigned char* buffer, int count, int withinMs);

// Port arbitration library ("vexlink.dll" -> libvexlink.so)
typedef int (*PortAcquireFn)(int id);
typedef int (*PortReleaseFn)(int id);

#ifdef __cplusplus
}
#endif
