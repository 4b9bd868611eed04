// Built into every test program: what LeakSanitizer is told to pass over. Only leaks inside
// Mesa's software renderer are listed (selection mode keeps a buffer it never frees); every leak
// of our own still fails the test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\n";
}
