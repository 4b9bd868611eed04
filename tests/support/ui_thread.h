// A thread with a message loop of its own, on which a test runs calls that need one: making
// windows, showing menus and boxes. Calls run in order; the thread ends with the object.
#pragma once

#include "platform/win32.h"

#include <functional>
#include <future>

namespace voxtrel::testing_support {

class UiThread {
public:
    UiThread();
    ~UiThread();
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;

    // Runs `work` on the thread; the future holds its result once it has run.
    template <typename Result> std::future<Result> run(std::function<Result()> work) {
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(work));
        std::future<Result> result = task->get_future();
        post([task] { (*task)(); });
        return result;
    }
    // Runs `work` and waits for it.
    void call(const std::function<void()>& work);

    DWORD id() const { return id_; }

private:
    void post(std::function<void()> work);
    static DWORD WINAPI loop(LPVOID self);

    HANDLE thread_ = nullptr;
    DWORD id_ = 0;
    std::promise<void> ready_;
};

} // namespace voxtrel::testing_support
