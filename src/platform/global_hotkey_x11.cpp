// The X11 hotkey: the key is grabbed on the root window, so the server
// hands it to the panel whichever window has the focus. Lock keys change
// the modifier state, so the key is grabbed with each of their combinations.

#include "platform/global_hotkey.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <vector>

namespace lumivex {

namespace {

constexpr uint16_t kAlt = XCB_MOD_MASK_1;
constexpr uint16_t kCapsLock = XCB_MOD_MASK_LOCK;
constexpr uint16_t kNumLock = XCB_MOD_MASK_2;
constexpr uint16_t kLockCombinations[] = {0, kCapsLock, kNumLock, kCapsLock | kNumLock};

class X11Hotkey final : public GlobalHotkey, public QAbstractNativeEventFilter {
public:
    explicit X11Hotkey(xcb_connection_t* connection)
        : m_connection(connection)
        , m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    ~X11Hotkey() override
    {
        for (const Grab& grab : m_grabs)
            for (uint16_t locks : kLockCombinations)
                xcb_ungrab_key(m_connection, grab.keycode, m_root, kAlt | locks);
        xcb_flush(m_connection);
    }

    bool registerAltKey(int id, Qt::Key key) override
    {
        if (key < Qt::Key_A || key > Qt::Key_Z)
            return false;
        const xcb_keycode_t keycode = keycodeOf(xcb_keysym_t('a' + (key - Qt::Key_A)));
        if (keycode == 0)
            return false;
        for (uint16_t locks : kLockCombinations) {
            const xcb_void_cookie_t cookie = xcb_grab_key_checked(m_connection, 1, m_root, kAlt | locks, keycode,
                                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            // Another program holding the key answers BadAccess.
            if (xcb_generic_error_t* error = xcb_request_check(m_connection, cookie)) {
                free(error);
                for (uint16_t undo : kLockCombinations)
                    xcb_ungrab_key(m_connection, keycode, m_root, kAlt | undo);
                xcb_flush(m_connection);
                return false;
            }
        }
        m_grabs.push_back({id, keycode});
        return true;
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
            return false;
        const auto* press = static_cast<const xcb_key_press_event_t*>(message);
        const uint16_t modifiers = press->state & ~(kCapsLock | kNumLock);
        for (const Grab& grab : m_grabs) {
            if (press->detail == grab.keycode && modifiers == kAlt) {
                emit activated(grab.id);
                return true;
            }
        }
        return false;
    }

private:
    struct Grab {
        int id;
        xcb_keycode_t keycode;
    };

    xcb_keycode_t keycodeOf(xcb_keysym_t keysym)
    {
        xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(m_connection);
        if (!symbols)
            return 0;
        xcb_keycode_t keycode = 0;
        if (xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, keysym)) {
            keycode = codes[0] == XCB_NO_SYMBOL ? 0 : codes[0];
            free(codes);
        }
        xcb_key_symbols_free(symbols);
        return keycode;
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
    std::vector<Grab> m_grabs;
};

}  // namespace

std::unique_ptr<GlobalHotkey> GlobalHotkey::create()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 && x11->connection())
        return std::make_unique<X11Hotkey>(x11->connection());
    return std::make_unique<UnavailableHotkey>();
}

}  // namespace lumivex
