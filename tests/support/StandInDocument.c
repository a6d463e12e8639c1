#define CINTERFACE
#define COBJMACROS
#include "StandInDocument.h"

#include <docobj.h>
#include <mshtml.h>
#include <stddef.h>
#include <stdlib.h>

/* Entries a host never calls in these tests: reaching one is a test fault. */
static void Unexpected(void) { abort(); }

static void FillWithUnexpected(void* table, size_t size) {
    void (**entries)(void) = (void (**)(void))table;
    size_t i;
    for (i = 0; i < size / sizeof(void*); ++i) entries[i] = Unexpected;
}

typedef struct Document {
    IHTMLDocument2 document;
    IOleCommandTarget target;
    IHTMLWindow2 window;
    IHTMLEventObj event;
    IPersistStreamInit persist;
    StandInDocumentState* state;
    StandInLoadState* load; /* null: no IPersistStreamInit */
} Document;

static IHTMLDocument2Vtbl g_documentVtbl;
static IOleCommandTargetVtbl g_targetVtbl;
static IHTMLWindow2Vtbl g_windowVtbl;
static IHTMLEventObjVtbl g_eventVtbl;
static IPersistStreamInitVtbl g_persistVtbl;

#define FROM(type, member, p) ((Document*)((char*)(p) - offsetof(Document, member)))

static ULONG Add(Document* d) { return (ULONG)InterlockedIncrement(&d->state->references); }
static ULONG Drop(Document* d) {
    LONG n = InterlockedDecrement(&d->state->references);
    if (n == 0) free(d);
    return (ULONG)n;
}

static HRESULT Query(Document* d, REFIID iid, void** out) {
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) || IsEqualIID(iid, &IID_IHTMLDocument) ||
        IsEqualIID(iid, &IID_IHTMLDocument2))
        *out = &d->document;
    else if (IsEqualIID(iid, &IID_IOleCommandTarget))
        *out = &d->target;
    else if (IsEqualIID(iid, &IID_IPersistStreamInit) && d->load)
        *out = &d->persist;
    else {
        *out = NULL;
        return E_NOINTERFACE;
    }
    Add(d);
    return S_OK;
}

/* ---- document ---- */
static HRESULT STDMETHODCALLTYPE DocQI(IHTMLDocument2* p, REFIID iid, void** out) {
    return Query(FROM(Document, document, p), iid, out);
}
static ULONG STDMETHODCALLTYPE DocAddRef(IHTMLDocument2* p) { return Add(FROM(Document, document, p)); }
static ULONG STDMETHODCALLTYPE DocRelease(IHTMLDocument2* p) { return Drop(FROM(Document, document, p)); }
static HRESULT STDMETHODCALLTYPE DocParentWindow(IHTMLDocument2* p, IHTMLWindow2** window) {
    Document* d = FROM(Document, document, p);
    *window = &d->window;
    Add(d);
    return S_OK;
}

/* ---- command target ---- */
static HRESULT STDMETHODCALLTYPE TargetQI(IOleCommandTarget* p, REFIID iid, void** out) {
    return Query(FROM(Document, target, p), iid, out);
}
static ULONG STDMETHODCALLTYPE TargetAddRef(IOleCommandTarget* p) { return Add(FROM(Document, target, p)); }
static ULONG STDMETHODCALLTYPE TargetRelease(IOleCommandTarget* p) { return Drop(FROM(Document, target, p)); }
static HRESULT STDMETHODCALLTYPE TargetQueryStatus(IOleCommandTarget* p, const GUID* g, ULONG n, OLECMD* c,
                                                   OLECMDTEXT* t) {
    (void)p; (void)g; (void)n; (void)c; (void)t;
    return S_OK;
}
static HRESULT STDMETHODCALLTYPE TargetExec(IOleCommandTarget* p, const GUID* group, DWORD id, DWORD option,
                                            VARIANT* in, VARIANT* out) {
    Document* d = FROM(Document, target, p);
    (void)option;
    if (group) return OLECMDERR_E_UNKNOWNGROUP;
    if (id == OLECMDID_GETZOOMRANGE) {
        ++d->state->rangeCalls;
        if (out) {
            VariantClear(out);
            out->vt = VT_I4;
            out->lVal = d->state->zoomRange;
        }
        return S_OK;
    }
    if (id == OLECMDID_ZOOM) {
        if (d->state->onZoom) d->state->onZoom(d->state->onZoomContext);
        ++d->state->zoomCalls;
        VariantClear(&d->state->lastZoomIn);
        if (in) VariantCopy(&d->state->lastZoomIn, in);
        return S_OK;
    }
    return OLECMDERR_E_NOTSUPPORTED;
}

/* ---- window ---- */
static HRESULT STDMETHODCALLTYPE WindowQI(IHTMLWindow2* p, REFIID iid, void** out) {
    Document* d = FROM(Document, window, p);
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) || IsEqualIID(iid, &IID_IHTMLWindow2)) {
        *out = p;
        Add(d);
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}
static ULONG STDMETHODCALLTYPE WindowAddRef(IHTMLWindow2* p) { return Add(FROM(Document, window, p)); }
static ULONG STDMETHODCALLTYPE WindowRelease(IHTMLWindow2* p) { return Drop(FROM(Document, window, p)); }
static HRESULT STDMETHODCALLTYPE WindowEvent(IHTMLWindow2* p, IHTMLEventObj** event) {
    Document* d = FROM(Document, window, p);
    if (d->state->noEvent) {
        *event = NULL;
        return S_OK;
    }
    *event = &d->event;
    Add(d);
    return S_OK;
}

/* ---- event object: five properties by name ---- */
static const wchar_t* const g_names[5] = {L"errorCharacter", L"errorCode", L"errorMessage", L"errorUrl",
                                          L"errorline"};

static const wchar_t* ValueOf(StandInDocumentState* s, int index) {
    switch (index) {
    case 0: return s->errorCharacter;
    case 1: return s->errorCode;
    case 2: return s->errorMessage;
    case 3: return s->errorUrl;
    default: return s->errorLine;
    }
}

static HRESULT STDMETHODCALLTYPE EventQI(IHTMLEventObj* p, REFIID iid, void** out) {
    Document* d = FROM(Document, event, p);
    if (IsEqualIID(iid, &IID_IUnknown) || IsEqualIID(iid, &IID_IDispatch) || IsEqualIID(iid, &IID_IHTMLEventObj)) {
        *out = p;
        Add(d);
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}
static ULONG STDMETHODCALLTYPE EventAddRef(IHTMLEventObj* p) { return Add(FROM(Document, event, p)); }
static ULONG STDMETHODCALLTYPE EventRelease(IHTMLEventObj* p) { return Drop(FROM(Document, event, p)); }
static HRESULT STDMETHODCALLTYPE EventGetIDsOfNames(IHTMLEventObj* p, REFIID iid, LPOLESTR* names, UINT count,
                                                    LCID lcid, DISPID* ids) {
    Document* d = FROM(Document, event, p);
    int i;
    (void)iid; (void)lcid;
    if (count != 1) return E_INVALIDARG;
    for (i = 0; i < 5; ++i)
        if (lstrcmpW(names[0], g_names[i]) == 0 && ValueOf(d->state, i)) {
            ids[0] = 1000 + i;
            return S_OK;
        }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}
static HRESULT STDMETHODCALLTYPE EventInvoke(IHTMLEventObj* p, DISPID id, REFIID iid, LCID lcid, WORD flags,
                                             DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* err) {
    Document* d = FROM(Document, event, p);
    const wchar_t* value;
    (void)iid; (void)lcid; (void)params; (void)excep; (void)err;
    if (!(flags & DISPATCH_PROPERTYGET) || !result || id < 1000 || id > 1004) return DISP_E_MEMBERNOTFOUND;
    value = ValueOf(d->state, id - 1000);
    if (!value) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocString(value);
    return S_OK;
}

/* ---- document loading: the source text arrives through Load ---- */
static HRESULT STDMETHODCALLTYPE PersistQI(IPersistStreamInit* p, REFIID iid, void** out) {
    return Query(FROM(Document, persist, p), iid, out);
}
static ULONG STDMETHODCALLTYPE PersistAddRef(IPersistStreamInit* p) { return Add(FROM(Document, persist, p)); }
static ULONG STDMETHODCALLTYPE PersistRelease(IPersistStreamInit* p) { return Drop(FROM(Document, persist, p)); }
static void ReadStream(StandInLoadState* s, IStream* stream) {
    ULONG read = 0;
    s->loadedSize = 0;
    while (s->loadedSize < sizeof s->loaded &&
           SUCCEEDED(IStream_Read(stream, s->loaded + s->loadedSize, (ULONG)sizeof s->loaded - s->loadedSize,
                                  &read)) &&
           read > 0)
        s->loadedSize += read;
}

static HRESULT STDMETHODCALLTYPE PersistLoad(IPersistStreamInit* p, LPSTREAM stream) {
    StandInLoadState* s = FROM(Document, persist, p)->load;
    ++s->loadCalls;
    s->loadedSize = 0;
    if (!s->keepStream) {
        ReadStream(s, stream);
        return S_OK;
    }
    IStream_AddRef(stream);
    s->keptStream = stream;
    return S_OK;
}

void StandInDocument_ReadKeptStream(StandInLoadState* load) {
    if (load->keptStream) ReadStream(load, load->keptStream);
}

IUnknown* StandInDocument_Create(StandInDocumentState* state) {
    static int ready = 0;
    Document* d;
    if (!ready) {
        FillWithUnexpected(&g_documentVtbl, sizeof g_documentVtbl);
        g_documentVtbl.QueryInterface = DocQI;
        g_documentVtbl.AddRef = DocAddRef;
        g_documentVtbl.Release = DocRelease;
        g_documentVtbl.get_parentWindow = DocParentWindow;
        FillWithUnexpected(&g_targetVtbl, sizeof g_targetVtbl);
        g_targetVtbl.QueryInterface = TargetQI;
        g_targetVtbl.AddRef = TargetAddRef;
        g_targetVtbl.Release = TargetRelease;
        g_targetVtbl.QueryStatus = TargetQueryStatus;
        g_targetVtbl.Exec = TargetExec;
        FillWithUnexpected(&g_windowVtbl, sizeof g_windowVtbl);
        g_windowVtbl.QueryInterface = WindowQI;
        g_windowVtbl.AddRef = WindowAddRef;
        g_windowVtbl.Release = WindowRelease;
        g_windowVtbl.get_event = WindowEvent;
        FillWithUnexpected(&g_eventVtbl, sizeof g_eventVtbl);
        g_eventVtbl.QueryInterface = EventQI;
        g_eventVtbl.AddRef = EventAddRef;
        g_eventVtbl.Release = EventRelease;
        g_eventVtbl.GetIDsOfNames = EventGetIDsOfNames;
        g_eventVtbl.Invoke = EventInvoke;
        FillWithUnexpected(&g_persistVtbl, sizeof g_persistVtbl);
        g_persistVtbl.QueryInterface = PersistQI;
        g_persistVtbl.AddRef = PersistAddRef;
        g_persistVtbl.Release = PersistRelease;
        g_persistVtbl.Load = PersistLoad;
        ready = 1;
    }
    d = (Document*)calloc(1, sizeof *d);
    if (!d) return NULL;
    d->document.lpVtbl = &g_documentVtbl;
    d->target.lpVtbl = &g_targetVtbl;
    d->window.lpVtbl = &g_windowVtbl;
    d->event.lpVtbl = &g_eventVtbl;
    d->persist.lpVtbl = &g_persistVtbl;
    d->state = state;
    state->references = 1;
    return (IUnknown*)&d->document;
}

IUnknown* StandInDocument_CreateLoadable(StandInDocumentState* state, StandInLoadState* load) {
    IUnknown* unknown = StandInDocument_Create(state);
    if (unknown) FROM(Document, document, unknown)->load = load;
    return unknown;
}
