/* Stand-in for the USB libraries (libtirusb.so, libtiropen.so). The test sets
 * the control port name and the transfer handlers through the Fake*
 * functions; FAKE_NO_NAME, FAKE_NO_WRITE, FAKE_NO_READ and FAKE_NO_READ_WITHIN
 * build variants that lack an entry point. */
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

typedef int (*WriteHandler)(const unsigned char* buffer, int count);
typedef int (*ReadHandler)(unsigned char* buffer, int count);

static char portName[512];
static int nameCalls;
static WriteHandler writeHandler;
static ReadHandler readHandler;

EXPORT void FakeUsbSet(const char* name, WriteHandler onWrite, ReadHandler onRead) {
    strncpy(portName, name ? name : "", sizeof portName - 1);
    portName[sizeof portName - 1] = '\0';
    writeHandler = onWrite;
    readHandler = onRead;
    nameCalls = 0;
}
EXPORT int FakeUsbNameCalls(void) {
    return nameCalls;
}

#ifndef FAKE_NO_NAME
EXPORT int GetControlPortName(char* buffer, int size) {
    ++nameCalls;
    if (!buffer || size <= 0) {
        return 0;
    }
    strncpy(buffer, portName, (size_t)size - 1);
    buffer[size - 1] = '\0';
    return 1;
}
#endif

#ifndef FAKE_NO_WRITE
EXPORT int Win2kUsbWrite(const unsigned char* buffer, int count) {
    return writeHandler ? writeHandler(buffer, count) : 0;
}
#endif

#ifndef FAKE_NO_READ
EXPORT int Win2kUsbRead(unsigned char* buffer, int count) {
    return readHandler ? readHandler(buffer, count) : 0;
}
#endif

#ifndef FAKE_NO_READ_WITHIN
/* Takes the time limit as given: a read at once finds nothing, any other goes
 * to the read handler. */
EXPORT int Win2kUsbReadWithin(unsigned char* buffer, int count, int withinMs) {
    if (withinMs <= 0) {
        return 0;
    }
    return readHandler ? readHandler(buffer, count) : 0;
}
#endif
