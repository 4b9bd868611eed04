// Built into the X11 tests only: GLib and GTK are built without frame pointers, so the leak
// checker needs the slower full unwinder to see which library an allocation came from and to
// pass over GTK's own process-long caches. The tests allocate little, so it costs nothing here.
extern "C" const char* __asan_default_options() {
    return "fast_unwind_on_malloc=0";
}
