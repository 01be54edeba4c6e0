/* Stand-in for the USB libraries (libtirusb.so, libtiropen.so). The test sets
 * the control port name and the transfer handlers through the Fake*
 * functions; FAKE_NO_NAME, FAKE_NO_WRITE, FAKE_NO_READ, FAKE_NO_READ_WITHIN and
 * FAKE_NO_CHOICE build variants that lack entry points. */
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

typedef int (*WriteHandler)(const unsigned char* buffer, int count);
typedef int (*ReadHandler)(unsigned char* buffer, int count);

static char portName[512];
static int nameCalls;
static WriteHandler writeHandler;
static ReadHandler readHandler;
static char portList[4096];
static int portCount;
static int selectCalls;

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
/* What ListControlPorts gives: the lines and the count it returns. */
EXPORT void FakeUsbSetList(const char* lines, int count) {
    strncpy(portList, lines ? lines : "", sizeof portList - 1);
    portList[sizeof portList - 1] = '\0';
    portCount = count;
    selectCalls = 0;
}
EXPORT int FakeUsbSelectCalls(void) {
    return selectCalls;
}
/* The name GetControlPortName gives now. */
EXPORT const char* FakeUsbName(void) {
    return portName;
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

#ifndef FAKE_NO_CHOICE
EXPORT int ListControlPorts(char* buffer, int size) {
    if (buffer && size > 0) {
        strncpy(buffer, portList, (size_t)size - 1);
        buffer[size - 1] = '\0';
    }
    return portCount;
}

/* As the real library: the selection is the name from now on. */
EXPORT int SelectControlPort(const char* name) {
    ++selectCalls;
    strncpy(portName, name ? name : "", sizeof portName - 1);
    portName[sizeof portName - 1] = '\0';
    return 1;
}
#endif
