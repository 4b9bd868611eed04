// Built into every test program: what the sanitizers are told to pass over. Only system
// libraries are listed: Mesa's software renderer (selection mode keeps a buffer it never frees,
// and its rasteriser threads synchronise in ways ThreadSanitizer cannot see), and the caches that
// GTK's font and session services keep for the life of the process. Every leak or race of our
// own still fails the test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\n"
           "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n"
           // GDK's copy of a window's shape, which it keeps when another program destroys the
           // window under it (the test of a destroyed window); the program copies no region.
           "leak:cairo_region_copy\n";
}

extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:swrast_dri.so\n"
           "called_from_lib:libLLVM-15.so.1\n"
           // The unwinder's registration of the code the renderer compiles, whose lock the
           // interceptor sees taken twice from frames it cannot name.
           "mutex:__register_frame_info_bases\n"
           "mutex:libgcc_s.so.1\n"
           // GLib's own locks are futexes the interceptors never see, so its slice allocator
           // looks racy when a launch hands memory to GIO's worker thread.
           "race:libglib-2.0.so\n"
           "race:libgio-2.0.so\n";
}
