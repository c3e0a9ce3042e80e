// Late-bound automation of the word processor: one table per document, saved under the chosen path.
#include "editor/win32/doc_export.h"

#include "common/error.h"
#include "common/win32/text.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <initializer_list>
#include <iterator>
#include <utility>
#include <vector>

namespace slovo {
namespace {

class Bstr {
public:
    explicit Bstr(const std::wstring& text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())))
    {
        if (!value_)
            throw Error("Out of memory");
    }
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }

private:
    BSTR value_;
};

class Variant {
public:
    Variant() { VariantInit(&value_); }
    explicit Variant(long number) : Variant()
    {
        value_.vt = VT_I4;
        value_.lVal = number;
    }
    explicit Variant(const std::wstring& text) : Variant()
    {
        value_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!value_.bstrVal)
            throw Error("Out of memory");
        value_.vt = VT_BSTR;
    }
    explicit Variant(IDispatch* object) : Variant()
    {
        value_.vt = VT_DISPATCH;
        value_.pdispVal = object;
        object->AddRef();
    }
    ~Variant() { VariantClear(&value_); }
    Variant(Variant&& other) noexcept : value_(other.value_) { VariantInit(&other.value_); }
    Variant& operator=(Variant&&) = delete;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    VARIANT* get() { return &value_; }

private:
    VARIANT value_;
};

class Dispatch {
public:
    Dispatch() = default;
    explicit Dispatch(IDispatch* owned) : p_(owned) {}
    ~Dispatch()
    {
        if (p_)
            p_->Release();
    }
    Dispatch(Dispatch&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Dispatch& operator=(Dispatch&& other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    Dispatch(const Dispatch&) = delete;
    Dispatch& operator=(const Dispatch&) = delete;
    IDispatch* get() const { return p_; }
    IDispatch** out() { return &p_; }

private:
    IDispatch* p_ = nullptr;
};

class ComScope {
public:
    ComScope() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}
    ~ComScope()
    {
        if (initialised_)
            CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool initialised_;
};

std::string hresultText(HRESULT hr)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    char code[16];
    wsprintfA(code, "0x%08lX", static_cast<unsigned long>(hr));
    return text.empty() ? std::string("Automation error ") + code : tk::narrow(text) + " (" + code + ")";
}

// args in the order of the call; IDispatch wants them last first.
Variant invoke(IDispatch* object, const wchar_t* name, WORD kind, std::initializer_list<VARIANT*> args)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        throw Error(hresultText(hr));
    std::vector<VARIANT> reversed;
    for (auto it = std::rbegin(args); it != std::rend(args); ++it)
        reversed.push_back(**it);
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    Variant result;
    EXCEPINFO info{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result.get(), &info, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        std::string message = info.bstrDescription && SysStringLen(info.bstrDescription)
                                  ? tk::narrow(std::wstring(info.bstrDescription, SysStringLen(info.bstrDescription)))
                                  : hresultText(info.scode ? info.scode : hr);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        throw Error(message);
    }
    if (FAILED(hr))
        throw Error(hresultText(hr));
    return result;
}

Dispatch objectOf(Variant&& value, const wchar_t* name)
{
    VARIANT* v = value.get();
    if (v->vt != VT_DISPATCH || !v->pdispVal)
        throw Error(std::string("Automation error: ") + tk::narrow(name) + " is not an object");
    IDispatch* object = v->pdispVal;
    object->AddRef();
    return Dispatch(object);
}

Dispatch get(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT*> args = {})
{
    return objectOf(invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args), name);
}

Dispatch call(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT*> args = {})
{
    return objectOf(invoke(object, name, DISPATCH_METHOD, args), name);
}

void fillAndSave(IDispatch* app, const std::vector<std::vector<std::string>>& cells, const std::string& path)
{
    const Dispatch documents = get(app, L"Documents");
    const Dispatch doc = call(documents.get(), L"Add");
    Variant start(0L), end(0L);
    const Dispatch range = call(doc.get(), L"Range", {start.get(), end.get()});
    const Dispatch tables = get(doc.get(), L"Tables");
    const long rows = static_cast<long>(cells.size());
    const long cols = rows ? static_cast<long>(cells[0].size()) : 0;
    Variant rangeArg(range.get()), rowsArg(rows), colsArg(cols);
    const Dispatch table = call(tables.get(), L"Add", {rangeArg.get(), rowsArg.get(), colsArg.get()});
    for (long r = 1; r <= rows; ++r) {
        const std::vector<std::string>& row = cells[static_cast<size_t>(r - 1)];
        for (long k = 1; k <= cols; ++k) {
            Variant rArg(r), kArg(k);
            const Dispatch cell = call(table.get(), L"Cell", {rArg.get(), kArg.get()});
            const Dispatch cellRange = get(cell.get(), L"Range");
            const std::string& text = static_cast<size_t>(k - 1) < row.size() ? row[static_cast<size_t>(k - 1)] : std::string();
            Variant textArg(tk::wide(text));
            invoke(cellRange.get(), L"InsertAfter", DISPATCH_METHOD, {textArg.get()});
        }
    }
    Variant pathArg(tk::wide(path));
    invoke(doc.get(), L"SaveAs", DISPATCH_METHOD, {pathArg.get()});
}

// A server that will not quit leaves nothing for the player to act on; a failed step's own
// message is the one that matters.
void quit(IDispatch* app)
{
    try {
        invoke(app, L"Quit", DISPATCH_METHOD, {});
    } catch (const Error&) {
        return;
    }
}

} // namespace

void exportTableToWord(const std::vector<std::vector<std::string>>& cells, const std::string& path)
{
    const ComScope com;
    CLSID clsid;
    Dispatch app;
    if (FAILED(CLSIDFromProgID(L"word.application", &clsid))
        || FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER | CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(app.out())))
        || !app.get())
        throw Error("Word OLE server not found");
    try {
        fillAndSave(app.get(), cells, path);
    } catch (...) {
        quit(app.get());
        throw;
    }
    quit(app.get());
}

} // namespace slovo
