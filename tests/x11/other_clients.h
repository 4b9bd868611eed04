// What other X clients, and the X server itself, do under the program: windows that vanish,
// a server held or one that lets go of shared memory, a display thread kept busy. Kept apart from
// the tests' Windows types: Xlib's and the layer's clash.
#pragma once

#include <memory>

namespace voxtrel::testing_support {

// Makes a window and a pixmap on a connection of its own, as another program would, and closes
// that connection, so both are gone. Then, on the display thread, selects that window's events
// and frees the pixmap with no error trap around the requests, as GTK's tray icon code may with
// a panel's, and waits until the server has answered. Returns once the display thread has gone
// on.
void addressAVanishedWindowOfAnotherProgram();

// Destroys the X window `xid` (one of ours) from a connection of its own, as another program
// may, and waits until the server has done it.
void destroyAsAnotherProgram(unsigned long xid);

// Has the X server let go of the shared memory of every window's picture, so that it refuses
// their next puts. Returns once it has.
void detachSharedPicturesOnTheServer();

// Has the display thread ask the X server about an extension over and over, for as long as it
// runs, as its watches do now and then; `asked` counts the questions.
void keepTheDisplayThreadAskingTheServer();
long displayThreadQuestionsAsked();

// Holds the X server from a connection of its own (a server grab), so that it carries out no
// request of the program's until let go.
class ServerHold {
public:
    ServerHold();
    ~ServerHold();
    ServerHold(const ServerHold&) = delete;
    ServerHold& operator=(const ServerHold&) = delete;
    void letGo();

private:
    void* connection_ = nullptr;
};

// Holds the display thread in a task of its own until let go. `holding` says whether the thread
// took the task within `limitMs` (it may be waiting on the server meanwhile).
class DisplayThreadHold {
public:
    explicit DisplayThreadHold(int limitMs);
    ~DisplayThreadHold();
    DisplayThreadHold(const DisplayThreadHold&) = delete;
    DisplayThreadHold& operator=(const DisplayThreadHold&) = delete;
    bool holding() const { return holding_; }
    void letGo();

private:
    struct State;
    std::shared_ptr<State> state_;
    bool holding_ = false;
};

} // namespace voxtrel::testing_support
