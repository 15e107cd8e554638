#pragma once
// Qt ends the process with a generic text and an abort when no platform
// plugin can start. While the application object is being made, its
// messages are held back: a fatal one becomes one line that says what to
// do and exit status 1; otherwise they are passed on once it stands.

namespace lumivex {

class DisplayStartGuard {
public:
    DisplayStartGuard();
    ~DisplayStartGuard();
    DisplayStartGuard(const DisplayStartGuard&) = delete;
    DisplayStartGuard& operator=(const DisplayStartGuard&) = delete;

    // The application stands: the held messages go out as Qt would print them.
    void release();

private:
    bool m_released = false;
};

// The line printed when no display could be opened.
const char* noDisplayLine();

}  // namespace lumivex
