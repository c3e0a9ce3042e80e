// A test double of the word processor's automation server. The real word processor cannot exist
// under Wine on the build machine, so this in-process server stands in for it under
// "word.application" in the tests only: it answers the late-bound calls of the document export
// (Application.Documents, Documents.Add, Document.Range/Tables/SaveAs, Tables.Add, Table.Cell,
// Cell.Range, Range.InsertAfter, Application.Quit), writes every call to a log file, keeps the
// table's texts and writes them out on SaveAs, and fails a chosen step on request.
#include "tests/win32/word_double/word_double.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};
// Serial numbers count from 1 for each started application, so a log reads the same every run.
int g_serial = 0;
std::map<std::wstring, int> g_calls;

std::wstring environment(const wchar_t* name)
{
    wchar_t buffer[2048];
    const DWORD n = GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
    return n && n < std::size(buffer) ? std::wstring(buffer, n) : std::wstring();
}

std::string utf8(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void log(const std::wstring& line)
{
    const std::wstring path = environment(word_double::kLogVariable);
    if (path.empty())
        return;
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string bytes = utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring quoted(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"')
            out += L'\\';
        if (c == L'\r')
            out += L"\\r";
        else if (c == L'\n')
            out += L"\\n";
        else
            out += c;
    }
    return out + L"\"";
}

struct TableData {
    long rows = 0, columns = 0;
    std::vector<std::wstring> texts;
};

struct DocumentData {
    std::vector<std::shared_ptr<TableData>> tables;
    std::wstring body;
};

enum class Kind { Application, Documents, Document, Tables, Table, Cell, Range };

const wchar_t* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Application: return L"Application";
    case Kind::Documents: return L"Documents";
    case Kind::Document: return L"Document";
    case Kind::Tables: return L"Tables";
    case Kind::Table: return L"Table";
    case Kind::Cell: return L"Cell";
    case Kind::Range: return L"Range";
    }
    return L"?";
}

struct Member {
    Kind kind;
    const wchar_t* name;
    bool property; // read as a property, else called as a method
    UINT arguments;
};

const Member kMembers[] = {
    {Kind::Application, L"Documents", true, 0}, {Kind::Application, L"Quit", false, 0},
    {Kind::Documents, L"Add", false, 0},
    {Kind::Document, L"Range", false, 2},       {Kind::Document, L"Tables", true, 0}, {Kind::Document, L"SaveAs", false, 1},
    {Kind::Tables, L"Add", false, 3},
    {Kind::Table, L"Cell", false, 2},
    {Kind::Cell, L"Range", true, 0},
    {Kind::Range, L"InsertAfter", false, 1},
};

// A failure the caller will see, as the word processor would raise it.
struct Failure {
    std::wstring message;
};

std::wstring g_deferredMessage;

HRESULT STDAPICALLTYPE fillInLater(EXCEPINFO* info)
{
    info->bstrDescription = SysAllocString(g_deferredMessage.c_str());
    return S_OK;
}

HRESULT raise(const std::wstring& message, const std::wstring& kind, EXCEPINFO* info)
{
    if (kind == L"hresult" || !info)
        return E_ACCESSDENIED;
    *info = EXCEPINFO{};
    info->bstrSource = SysAllocString(L"Word double");
    if (kind == L"code") {
        info->scode = E_ACCESSDENIED;
    } else if (kind == L"deferred") {
        g_deferredMessage = message;
        info->pfnDeferredFillIn = fillInLater;
        info->scode = static_cast<SCODE>(0x800A11FD);
    } else {
        info->bstrDescription = SysAllocString(message.c_str());
        info->scode = static_cast<SCODE>(0x800A11FD);
    }
    return DISP_E_EXCEPTION;
}

class Automation;
std::map<IDispatch*, Automation*> g_live;

class Automation final : public IDispatch {
public:
    explicit Automation(Kind kind) : kind_(kind), serial_(++g_serial)
    {
        ++g_objects;
        g_live[this] = this;
    }

    std::wstring label() const { return std::wstring(kindName(kind_)) + L"#" + std::to_wstring(serial_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --refs_;
        if (left == 0) {
            g_live.erase(this);
            const long others = --g_objects;
            if (kind_ == Kind::Application)
                log(label() + L" released, " + std::to_wstring(others) + L" objects left");
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        if (!names || !ids || count != 1)
            return E_INVALIDARG;
        for (size_t i = 0; i < std::size(kMembers); ++i) {
            if (kMembers[i].kind == kind_ && lstrcmpiW(kMembers[i].name, names[0]) == 0) {
                ids[0] = static_cast<DISPID>(i + 1);
                return S_OK;
            }
        }
        log(label() + L" has no member " + names[0]);
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* info, UINT*) override
    {
        try {
            return invoke(id, flags, params, result, info);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }

private:
    HRESULT invoke(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info)
    {
        if (id < 1 || static_cast<size_t>(id) > std::size(kMembers) || kMembers[id - 1].kind != kind_)
            return DISP_E_MEMBERNOTFOUND;
        const Member& member = kMembers[id - 1];
        if (!(flags & (member.property ? DISPATCH_PROPERTYGET : DISPATCH_METHOD)))
            return DISP_E_MEMBERNOTFOUND;
        const UINT count = params ? params->cArgs : 0;
        std::vector<VARIANT*> args;
        for (UINT i = 0; i < count; ++i)
            args.push_back(&params->rgvarg[count - 1 - i]);

        const std::wstring name = std::wstring(kindName(kind_)) + L"." + member.name;
        std::wstring call = label() + L"." + member.name;
        if (!member.property) {
            call += L"(";
            for (size_t i = 0; i < args.size(); ++i)
                call += (i ? L", " : L"") + describe(*args[i]);
            call += L")";
        }
        if (params && params->cNamedArgs) {
            log(call + L" -> named arguments refused");
            return DISP_E_NONAMEDARGS;
        }
        if (count != member.arguments) {
            log(call + L" -> wrong argument count");
            return DISP_E_BADPARAMCOUNT;
        }

        const int nth = ++g_calls[name];
        const std::wstring fail = environment(word_double::kFailVariable);
        if (fail == name || fail == name + L"#" + std::to_wstring(nth)) {
            const std::wstring message = environment(word_double::kFailMessageVariable);
            log(call + L" -> fails: " + message);
            return raise(message, environment(word_double::kFailKindVariable), info);
        }
        const std::wstring quitFails = environment(word_double::kQuitFailVariable);
        if (name == L"Application.Quit" && !quitFails.empty()) {
            log(call + L" -> fails: " + quitFails);
            return raise(quitFails, L"exception", info);
        }

        Automation* made = nullptr;
        try {
            made = act(member, args);
        } catch (const Failure& f) {
            log(call + L" -> fails: " + f.message);
            return raise(f.message, L"exception", info);
        }
        log(made ? call + L" -> " + made->label() : call);
        if (result) {
            VariantInit(result);
            if (made) {
                result->vt = VT_DISPATCH;
                result->pdispVal = made;
                return S_OK;
            }
        }
        if (made)
            made->Release();
        return S_OK;
    }

    static std::wstring describe(const VARIANT& v)
    {
        switch (v.vt) {
        case VT_I4:
            return std::to_wstring(v.lVal);
        case VT_BSTR:
            return quoted(v.bstrVal ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : std::wstring());
        case VT_DISPATCH: {
            const auto it = g_live.find(v.pdispVal);
            return it != g_live.end() ? it->second->label() : L"(foreign object)";
        }
        default:
            return L"(variant type " + std::to_wstring(v.vt) + L")";
        }
    }

    static long number(VARIANT* v)
    {
        VARIANT converted;
        VariantInit(&converted);
        if (FAILED(VariantChangeType(&converted, v, 0, VT_I4)))
            throw Failure{L"Type mismatch"};
        return converted.lVal;
    }

    static std::wstring text(VARIANT* v)
    {
        VARIANT converted;
        VariantInit(&converted);
        if (FAILED(VariantChangeType(&converted, v, 0, VT_BSTR)))
            throw Failure{L"Type mismatch"};
        std::wstring out(converted.bstrVal, SysStringLen(converted.bstrVal));
        VariantClear(&converted);
        return out;
    }

    Automation* child(Kind kind) const
    {
        auto* made = new Automation(kind);
        made->document_ = document_;
        made->table_ = table_;
        return made;
    }

    Automation* act(const Member& member, const std::vector<VARIANT*>& args)
    {
        const std::wstring name = member.name;
        switch (kind_) {
        case Kind::Application:
            return name == L"Documents" ? child(Kind::Documents) : nullptr;
        case Kind::Documents: {
            Automation* doc = child(Kind::Document);
            doc->document_ = std::make_shared<DocumentData>();
            return doc;
        }
        case Kind::Document:
            if (name == L"Tables")
                return child(Kind::Tables);
            if (name == L"Range") {
                if (number(args[0]) != 0 || number(args[1]) != 0)
                    throw Failure{L"The double keeps only the empty range at the start"};
                return child(Kind::Range);
            }
            save(text(args[0]));
            return nullptr;
        case Kind::Tables: {
            const auto it = args[0]->vt == VT_DISPATCH ? g_live.find(args[0]->pdispVal) : g_live.end();
            if (it == g_live.end() || it->second->kind_ != Kind::Range || it->second->document_ != document_)
                throw Failure{L"Type mismatch"};
            const long rows = number(args[1]), columns = number(args[2]);
            if (rows < 1 || columns < 1 || columns > 63 || rows > 32767)
                throw Failure{L"Value out of range"};
            auto table = std::make_shared<TableData>();
            table->rows = rows;
            table->columns = columns;
            table->texts.resize(static_cast<size_t>(rows * columns));
            document_->tables.push_back(table);
            Automation* made = child(Kind::Table);
            made->table_ = table;
            return made;
        }
        case Kind::Table: {
            const long r = number(args[0]), k = number(args[1]);
            if (r < 1 || r > table_->rows || k < 1 || k > table_->columns)
                throw Failure{L"The requested member of the collection does not exist"};
            Automation* made = child(Kind::Cell);
            made->cell_ = static_cast<long>((r - 1) * table_->columns + (k - 1));
            return made;
        }
        case Kind::Cell: {
            Automation* made = child(Kind::Range);
            made->cell_ = cell_;
            return made;
        }
        case Kind::Range:
            (cell_ >= 0 ? table_->texts[static_cast<size_t>(cell_)] : document_->body) += text(args[0]);
            return nullptr;
        }
        return nullptr;
    }

    // The document written out as plain UTF-8: each table's rows, cells separated by tabs.
    void save(const std::wstring& path) const
    {
        std::wstring content = document_->body;
        for (const auto& table : document_->tables) {
            for (long r = 0; r < table->rows; ++r) {
                for (long k = 0; k < table->columns; ++k)
                    content += (k ? L"\t" : L"") + table->texts[static_cast<size_t>(r * table->columns + k)];
                content += L"\n";
            }
        }
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            throw Failure{L"The double cannot create " + path};
        const std::string bytes = utf8(content);
        DWORD written = 0;
        const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
        if (!ok || written != bytes.size())
            throw Failure{L"The double cannot write " + path};
    }

    Kind kind_;
    int serial_;
    ULONG refs_ = 1;
    std::shared_ptr<DocumentData> document_;
    std::shared_ptr<TableData> table_;
    long cell_ = -1; // a cell's index in its table, for a cell and its range
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (environment(word_double::kFailVariable) == L"CreateInstance") {
            log(L"CreateInstance -> fails");
            return CO_E_SERVER_EXEC_FAILURE;
        }
        g_serial = 0;
        g_calls.clear();
        Automation* app = nullptr;
        try {
            app = new Automation(Kind::Application);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        log(L"CreateInstance -> " + app->label());
        const HRESULT hr = app->QueryInterface(riid, out);
        app->Release();
        return hr;
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
    {
        g_locks += lock ? 1 : -1;
        return S_OK;
    }
};

Factory g_factory;

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    CLSID mine;
    if (FAILED(CLSIDFromString(SLOVO_WORD_DOUBLE_CLSID, &mine)) || !IsEqualCLSID(clsid, mine))
        return CLASS_E_CLASSNOTAVAILABLE;
    return g_factory.QueryInterface(riid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE;
}
