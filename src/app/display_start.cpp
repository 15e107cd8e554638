#include "display_start.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace lumivex {

namespace {

// The context's texts are the places Qt logged from: static strings.
struct Held {
    QtMsgType type;
    const char* file;
    int line;
    const char* function;
    const char* category;
    QString text;
};

QtMessageHandler g_previous = nullptr;
std::vector<Held>* g_held = nullptr;

void holdOrEnd(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtFatalMsg) {
        // Nothing more can be done here, not even unwinding Qt's half-made state.
        std::fprintf(stderr, "lumivex: %s\n", noDisplayLine());
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (g_held)
        g_held->push_back({type, context.file, context.line, context.function, context.category, text});
}

}  // namespace

const char* noDisplayLine()
{
    return "no display could be opened: run it in a desktop session, or set DISPLAY (X11) or WAYLAND_DISPLAY "
           "(Wayland) to one that answers";
}

DisplayStartGuard::DisplayStartGuard()
{
    g_held = new std::vector<Held>;
    g_previous = qInstallMessageHandler(holdOrEnd);
}

DisplayStartGuard::~DisplayStartGuard()
{
    release();
}

void DisplayStartGuard::release()
{
    if (std::exchange(m_released, true))
        return;
    qInstallMessageHandler(g_previous);
    std::vector<Held>* held = std::exchange(g_held, nullptr);
    for (const Held& message : *held)
        qt_message_output(message.type,
                          QMessageLogContext(message.file, message.line, message.function, message.category),
                          message.text);
    delete held;
}

}  // namespace lumivex
