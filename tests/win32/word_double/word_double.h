// What the word processor's test double and its tests share: its class id and the environment
// variables that steer it.
#pragma once

// The double's class, registered by the tests under the ProgID "word.application".
#define SLOVO_WORD_DOUBLE_CLSID L"{1384FB06-257D-4E37-9D27-D5232FB8B6C5}"

namespace word_double {

// Every call is appended to this file as one UTF-8 line.
inline constexpr const wchar_t* kLogVariable = L"SLOVO_WORD_LOG";
// "Kind.Member" or "Kind.Member#n" (its n-th call) fails; "CreateInstance" makes the class
// factory refuse to start.
inline constexpr const wchar_t* kFailVariable = L"SLOVO_WORD_FAIL";
inline constexpr const wchar_t* kFailMessageVariable = L"SLOVO_WORD_FAIL_MESSAGE";
// How a step fails: "exception" (the description in the exception, the default), "deferred"
// (filled in on request), "code" (an exception with a status code only), "hresult" (a plain
// failed status, no exception).
inline constexpr const wchar_t* kFailKindVariable = L"SLOVO_WORD_FAIL_KIND";
// Quit fails too, with this message, after whatever happened before.
inline constexpr const wchar_t* kQuitFailVariable = L"SLOVO_WORD_QUIT_FAILS";

} // namespace word_double
