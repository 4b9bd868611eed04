// What tests use to steer the graphics layer: the driver feature a read-back prefers can be set
// aside, so the path taken without it is tested on this driver too.
#pragma once

namespace voxtrel::gdi {

// With false, layered updates read OpenGL's rows bottom-up and turn them around themselves,
// as they do on a driver without GL_MESA_pack_invert.
void allowPackInvert(bool allowed);

} // namespace voxtrel::gdi
