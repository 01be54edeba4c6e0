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

// Port arbitration library ("vexlink.dll" -> libvexlink.so)
typedef int (*PortAcquireFn)(int id);
typedef int (*PortReleaseFn)(int id);

#ifdef __cplusplus
}
#endif
