// Built into every test program: what the sanitizers are told to pass over. Only Mesa's software
// renderer is listed: selection mode keeps a buffer it never frees, and its rasteriser threads
// synchronise in ways ThreadSanitizer cannot see in an uninstrumented library. Every leak or race
// of our own still fails the test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:swrast_dri.so\n"
           "called_from_lib:libLLVM-15.so.1\n";
}
