#pragma once

#include <QPointer>

class TNMHTTP;
class TWebRequests;
class TfrmNew;

// What the web commands need of the main window: its HTTP client with the
// runner every command uses it through, and the document windows.
class TWebHost {
public:
    // The frame's HTTP client, NMHTTP.
    virtual TNMHTTP& Http() = 0;
    virtual TWebRequests& Requests() = 0;
    // The frame's active document window; null when none is open.
    virtual TfrmNew* ActiveDocumentWindow() = 0;
    // A new empty document window, made active (File New).
    virtual TfrmNew* NewDocumentWindow() = 0;
    // The frame's CurrentDocument, null once the window it named is gone.
    virtual QPointer<TfrmNew>& CurrentDocumentRef() = 0;

protected:
    ~TWebHost() = default;
};
