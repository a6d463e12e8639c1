/* A stand-in HTML document for the stand-in browser control: IHTMLDocument2
   with a parent window whose current event object carries the five script
   error properties, and a command target that answers the zoom commands.
   Written in C, where the platform headers give the interfaces as plain
   tables of entries, so that only the entries the host uses need bodies. */
#ifndef STANDIN_DOCUMENT_H
#define STANDIN_DOCUMENT_H

#include <windows.h>
#include <ole2.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct StandInDocumentState {
    /* The event object's properties, by name; a null value means absent. */
    const wchar_t* errorCharacter;
    const wchar_t* errorCode;
    const wchar_t* errorMessage;
    const wchar_t* errorUrl;
    const wchar_t* errorLine;
    BOOL noEvent;        /* the window has no current event object */
    LONG zoomRange;      /* answer of OLECMDID_GETZOOMRANGE: min | max << 16 */
    VARIANT lastZoomIn;  /* what OLECMDID_ZOOM was given */
    int zoomCalls;
    int rangeCalls;
    LONG references;     /* outstanding references of the document */
    /* Called as OLECMDID_ZOOM begins, as an engine may open a dialog then. */
    void (*onZoom)(void* context);
    void* onZoomContext;

} StandInDocumentState;

/* Makes a document; `state` must outlive it. Answers it with one reference. */
IUnknown* StandInDocument_Create(StandInDocumentState* state);

/* ---- document loading: a document with IPersistStreamInit ---- */
typedef struct StandInLoadState {
    int loadCalls;
    char loaded[4096];   /* what the last Load read from its stream */
    ULONG loadedSize;
    /* Load keeps a reference to its stream here and reads nothing yet: the
       engine loads asynchronously, reading the stream on later messages,
       after Load has returned. */
    BOOL keepStream;
    IStream* keptStream; /* released by the test */
} StandInLoadState;

/* Reads the kept stream from where it stands, as the engine does later. */
void StandInDocument_ReadKeptStream(StandInLoadState* load);

/* The same, loadable through IPersistStreamInit; `load` must outlive it. */
IUnknown* StandInDocument_CreateLoadable(StandInDocumentState* state, StandInLoadState* load);

#ifdef __cplusplus
}
#endif

#endif
