#pragma once
// A key that reaches the panel whichever window has the focus. Where the
// desktop offers no such keys (Wayland without X, the offscreen platform)
// registration fails and the panel goes on without it.

#include <QObject>

#include <memory>

namespace lumivex {

class GlobalHotkey : public QObject {
    Q_OBJECT
public:
    // The desktop's own kind: X11 where the application runs on X,
    // otherwise one whose registration always fails.
    static std::unique_ptr<GlobalHotkey> create();

    // Alt + the letter key (Qt::Key_A .. Qt::Key_Z); false when the desktop
    // refuses it (another program holds the key, or no system-wide keys).
    virtual bool registerAltKey(int id, Qt::Key key) = 0;

signals:
    void activated(int id);
};

// The one used where nothing better exists.
class UnavailableHotkey final : public GlobalHotkey {
    Q_OBJECT
public:
    bool registerAltKey(int, Qt::Key) override { return false; }
};

}  // namespace lumivex
