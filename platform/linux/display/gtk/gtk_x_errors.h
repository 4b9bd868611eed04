// X errors on the display thread: those a request expects, and those nobody expects.
#pragma once

#include <gdk/gdk.h>

namespace voxtrel::display::gtk {

// Display thread, once GTK runs, before anything else: an X error that no error trap expects no
// longer ends the program. One about a resource of another program (a panel's window that has
// gone) passes in silence; one about a resource of our own is a fault of ours, said once on
// standard error with its request, error and resource, and a refused shared-memory put hands its
// window to the plain way (gtk_server_image.h).
void watchXErrors();

// GDK's error trap around requests that may fail, on the display thread: what fails inside it is
// the caller's to read (pop) or ignore (popIgnored, or the destructor), never a fault to report.
class ExpectedErrors {
public:
    explicit ExpectedErrors(GdkDisplay* display);
    ~ExpectedErrors();
    ExpectedErrors(const ExpectedErrors&) = delete;
    ExpectedErrors& operator=(const ExpectedErrors&) = delete;
    // Waits for the server and returns the first error's code, 0 when none.
    int pop();

private:
    GdkDisplay* display_;
    bool open_ = true;
};

} // namespace voxtrel::display::gtk
