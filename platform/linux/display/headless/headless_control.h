// What tests use to set up and inspect the headless display. Calls made before the headless
// backend is chosen still take effect once it is.
#pragma once

namespace voxtrel::headless {

constexpr int kDefaultScreenWidth = 1280;
constexpr int kDefaultScreenHeight = 1024;

void setScreenSize(int width, int height);

} // namespace voxtrel::headless
