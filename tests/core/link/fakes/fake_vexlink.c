/* Stand-in for the scanner driver's arbitration library. Build variants leave
 * out an entry point (FAKE_NO_ACQUIRE, FAKE_NO_RELEASE); the test chooses the
 * answers and reads the calls through the Fake* functions. */
#define EXPORT __attribute__((visibility("default")))

static int acquireResult = 1;
static int releaseResult = 1;
static int acquireCalls;
static int releaseCalls;
static int lastId = -1;

EXPORT void FakeVexlinkSet(int acquire, int release) {
    acquireResult = acquire;
    releaseResult = release;
    acquireCalls = 0;
    releaseCalls = 0;
    lastId = -1;
}
EXPORT int FakeVexlinkAcquireCalls(void) {
    return acquireCalls;
}
EXPORT int FakeVexlinkReleaseCalls(void) {
    return releaseCalls;
}
EXPORT int FakeVexlinkLastId(void) {
    return lastId;
}

#ifndef FAKE_NO_ACQUIRE
EXPORT int PortAcquire(int id) {
    ++acquireCalls;
    lastId = id;
    return acquireResult;
}
#endif

#ifndef FAKE_NO_RELEASE
EXPORT int PortRelease(int id) {
    ++releaseCalls;
    lastId = id;
    return releaseResult;
}
#endif
