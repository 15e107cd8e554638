#pragma once
// Tells a network link's owner that input has arrived, with the same posted
// notification the serial port's event thread sends, so the Interface page
// drains either link alike. Follows the target's lifetime: once the target
// is destroyed, nothing more is posted to it.

#include <QMetaObject>

#include <mutex>

class QObject;

namespace lumivex {

class PostedInputNotice {
public:
    // target may be null: nothing is posted then.
    explicit PostedInputNotice(QObject* target);
    ~PostedInputNotice();
    PostedInputNotice(const PostedInputNotice&) = delete;
    PostedInputNotice& operator=(const PostedInputNotice&) = delete;

    // Any thread.
    void post();

private:
    void forget();

    std::mutex m_lock;  // a post in progress ends before the target is forgotten
    QObject* m_target;
    QMetaObject::Connection m_targetGone;
};

}  // namespace lumivex
