#pragma once
// What Zuv0 asks of LibreOffice's own API, and how it asks.
//
// LibreOfficeKit's documentLoad opens every document into a frame with its whole user interface (the view,
// its toolbars, the command descriptions of every button), which costs about as much again as loading and
// saving the document. LibreOffice's own batch conversion loads hidden instead, through the office's API.
// So does Zuv0: LibreOffice is started through LibreOfficeKit, and each document is then loaded and
// stored through that API in the same process, by a small module of ours (libzuv0_office.so, beside
// Zuv0) that is loaded once LibreOffice is up. The module alone is built against LibreOffice's C++
// interface; Zuv0 starts, and tells a missing LibreOffice, without it. This header is all the two share:
// plain C, so that nothing of either's C++ crosses between them.

#include <stddef.h>

extern "C" {

struct LarkspanOfficeAnswer {
    // "loaded", "load" (not read), "password" (not read: a password was asked for), "kind" (read, but not
    // a text document), "saved", "save" (not stored), or "internal" (the module failed in itself).
    const char* stage;
    char message[1024];  // LibreOffice's own words for a failure, cut to fit; empty when it gave none
};

struct LarkspanOfficeCalls {
    // Reaches the office that LibreOfficeKit started: `processContext` is the address of LibreOffice's
    // comphelper::getProcessComponentContext. False, with the reason in `why`, when it cannot.
    bool (*bind)(void* processContext, char* why, size_t whySize);
    // Opens a document hidden, never running its macros and never updating its links; `loadFilter` names
    // the filter to read it with, or is empty to let LibreOffice tell by its bytes. Any document still
    // open is closed first; a document that is not read is closed at once.
    void (*load)(const char* sourceUrl, const char* loadFilter, LarkspanOfficeAnswer* answer);
    // Stores the open document with `filter` and closes it, stored or not.
    void (*save)(const char* targetUrl, const char* filter, LarkspanOfficeAnswer* answer);
    // Closes any open document and lets go of the office, before LibreOffice is shut down.
    void (*release)();
};

// The module's one entry.
const LarkspanOfficeCalls* larkspan_office_calls();
}
