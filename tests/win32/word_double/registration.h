// The word processor's test double registered under "word.application" in the test prefix for
// the life of one object, and removed again.
#pragma once

#include "tests/win32/word_double/word_double.h"

#include <windows.h>
#include <objbase.h>

#include <string>

namespace word_double {

inline const std::wstring kProgIdKey = L"Software\\Classes\\word.application";
inline const std::wstring kClassKey = L"Software\\Classes\\CLSID\\" SLOVO_WORD_DOUBLE_CLSID;

inline void removeRegistration()
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        RegDeleteTreeW(root, kProgIdKey.c_str());
        RegDeleteTreeW(root, kClassKey.c_str());
    }
}

inline bool progIdKnown()
{
    CLSID clsid;
    return SUCCEEDED(CLSIDFromProgID(L"word.application", &clsid));
}

// server: the path that InprocServer32 names; empty registers the ProgID and its class without
// any server.
class Registration {
public:
    explicit Registration(const std::wstring& server)
    {
        removeRegistration();
        ok_ = registerIn(HKEY_CURRENT_USER, server);
        // Wine difference: Wine's COM reads classes only from HKLM\Software\Classes, where
        // Windows merges the user's own HKCU\Software\Classes over it.
        if (ok_ && !progIdKnown() && GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
            ok_ = registerIn(HKEY_LOCAL_MACHINE, server);
        ok_ = ok_ && progIdKnown();
    }
    ~Registration() { removeRegistration(); }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;
    bool ok() const { return ok_; }

private:
    static bool setValue(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value)
    {
        HKEY k = nullptr;
        if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr) != ERROR_SUCCESS)
            return false;
        const LONG set = RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
        return set == ERROR_SUCCESS;
    }

    static bool registerIn(HKEY root, const std::wstring& server)
    {
        bool ok = setValue(root, kProgIdKey + L"\\CLSID", nullptr, SLOVO_WORD_DOUBLE_CLSID)
                  && setValue(root, kClassKey, nullptr, L"Word processor test double");
        if (ok && !server.empty())
            ok = setValue(root, kClassKey + L"\\InprocServer32", nullptr, server)
                 && setValue(root, kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
        return ok;
    }

    bool ok_ = false;
};

} // namespace word_double
