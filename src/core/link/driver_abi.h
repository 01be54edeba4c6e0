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
// Optional (newer libraries), for a choice among several machines. ListControlPorts
// writes one line per machine it could name, "usb:VVVV:PPPP[:SERIAL]\tmaker\tmodel\tserial\n",
// as many whole lines as fit with the closing zero, and returns how many machines
// there are. SelectControlPort makes GetControlPortName and the transfers use that
// port from then on (empty: its own rules again).
typedef int (*ListControlPortsFn)(char* buffer, int size);
typedef int (*SelectControlPortFn)(const char* name);

// Port arbitration library ("vexlink.dll" -> libvexlink.so)
typedef int (*PortAcquireFn)(int id);
typedef int (*PortReleaseFn)(int id);
// Optional: the program name of the holder of a busy port, when it is one of
// this user's; 1 when named.
typedef int (*PortHolderFn)(int id, char* buffer, int size);

#ifdef __cplusplus
}
#endif
