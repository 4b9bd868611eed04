// The message loop of a test's UI thread: a WM_APP thread message carries work to run.
#include "tests/support/ui_thread.h"

namespace voxtrel::testing_support {

UiThread::UiThread() {
    auto ready = ready_.get_future();
    thread_ = CreateThread(nullptr, 0, &UiThread::loop, this, 0, &id_);
    ready.wait();
}

UiThread::~UiThread() {
    PostThreadMessageA(id_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, 10000);
    CloseHandle(thread_);
}

void UiThread::post(std::function<void()> work) {
    PostThreadMessageA(id_, WM_APP, 0,
                       reinterpret_cast<LPARAM>(new std::function<void()>(std::move(work))));
}

void UiThread::call(const std::function<void()>& work) {
    run<void>([&work] { work(); }).wait();
}

DWORD WINAPI UiThread::loop(LPVOID parameter) {
    auto* self = static_cast<UiThread*>(parameter);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // the queue exists from here on
    self->ready_.set_value();
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.hwnd == nullptr && message.message == WM_APP) {
            std::unique_ptr<std::function<void()>> work(
                reinterpret_cast<std::function<void()>*>(message.lParam));
            (*work)();
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

} // namespace voxtrel::testing_support
