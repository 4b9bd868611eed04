// A stand-in for libOSMesa.so.8 that makes no contexts: Wine offers its pixel formats for
// bitmaps, and every context a cursor asks for fails, as on a driver that runs out of them.
extern "C" {

namespace {
void neverCalled() {}
} // namespace

void* OSMesaCreateContextExt(unsigned, int, int, int, void*) {
    return nullptr;
}
void OSMesaDestroyContext(void*) {}
// Wine asks for every OpenGL function before it offers bitmaps at all; none is ever called.
void* OSMesaGetProcAddress(const char*) {
    return reinterpret_cast<void*>(&neverCalled);
}
unsigned char OSMesaMakeCurrent(void*, void*, unsigned, int, int) {
    return 0;
}
void OSMesaPixelStore(int, int) {}

} // extern "C"
