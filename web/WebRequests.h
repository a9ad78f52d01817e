#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

class TNMHTTP;

// Runs requests of the HTTP client inside commands. A request waits inside
// its command while the message pump runs, so the user may close windows
// meanwhile: those are kept until the command has returned and destroyed
// from the main loop afterwards, so nothing is destroyed under it. The main
// window ends a running request before it closes, and closes once it is
// over.
class TWebRequests : public QObject {
public:
    explicit TWebRequests(TNMHTTP& http, QObject* parent = nullptr);
    ~TWebRequests() override;

    // Calls request (which runs a request on the client) and returns when it
    // does, passing on what it raises. A request started while another runs
    // is refused by the client.
    void Run(const std::function<void()>& request);
    bool Running() const { return depth_ > 0; }
    // Whether End() cut short the request the last Run ran.
    bool Ended() const { return ended_; }

    // Ends the running request at once, whatever it waits for (the name
    // lookup, the connect, the send, the reply): the client disconnects under
    // it. Nothing when no request runs.
    void End();

    // Calls action from the main loop once no request runs (soon, when none
    // runs now).
    void WhenIdle(std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finished();

    TNMHTTP& http_;
    int depth_ = 0;
    bool ended_ = false;
    std::vector<QPointer<QObject>> held_;
    std::vector<std::function<void()>> whenIdle_;
};

// Raises when the server closed the connection before the body it announced
// was all there, so a cut document is never taken for the whole one.
void RequireWholeBody(const TNMHTTP& http);
// Raises, quoting the reply's status line ("The server answered 404 Not
// Found"), when the server answered with an error (400 and above), so an
// error page is never taken for the document.
void RequireSuccess(const TNMHTTP& http);
