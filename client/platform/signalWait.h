#pragma once

#include <QObject>
#include <QTimer>

#include <coroutine>
#include <memory>

namespace platform {

// `co_await SignalWait(sender, &Sender::signal, ms)`: the next emission of the signal, at most
// `ms` (none: no bound); yields true when the signal came. The awaiting code resumes once, from
// the event loop, however many emissions or a time-out pile up meanwhile (QCoro 0.8's own signal
// awaiter crashes on a second queued emission). If the sender goes away first, the awaiting code
// is never resumed, so it never touches what went with it.
template <typename Sender, typename Signal> class SignalWait
{
public:
    SignalWait(Sender *sender, Signal signal, int timeoutMs = -1)
        : m_sender(sender), m_signal(signal), m_timeoutMs(timeoutMs)
    {
    }

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> awaiting)
    {
        auto *guard = new QObject(m_sender);
        auto finished = std::make_shared<bool>(false);
        const auto finish = [this, guard, finished, awaiting](bool came) {
            if (*finished)
                return;
            *finished = true;
            m_came = came;
            QMetaObject::invokeMethod(
                guard,
                [guard, awaiting] {
                    guard->deleteLater();
                    awaiting.resume();
                },
                Qt::QueuedConnection);
        };
        QObject::connect(m_sender, m_signal, guard, [finish] { finish(true); });
        if (m_timeoutMs >= 0)
            QTimer::singleShot(m_timeoutMs, guard, [finish] { finish(false); });
    }

    bool await_resume() const noexcept { return m_came; }

private:
    Sender *m_sender;
    Signal m_signal;
    int m_timeoutMs;
    bool m_came = false;
};

} // namespace platform
