/* A tiny shared object for the library lookup tests. Two builds differ only in
   the variant they report, so a test can tell which copy was loaded. */
int FaxrcpTestLibVariant(void) {
    return TESTLIB_VARIANT;
}

int FaxrcpTestLibAdd(int a, int b) {
    return a + b;
}
