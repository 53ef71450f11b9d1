#pragma once
// Result codes of the automation layer, with the values automation clients know them by, so that a code
// in a log or a test reads the same as anywhere else.

#include <cstdint>

namespace larkspan::automation {

using HResult = std::int32_t;

constexpr HResult MakeHResult(std::uint32_t bits) {
    return static_cast<HResult>(bits);
}
constexpr bool Succeeded(HResult code) {
    return code >= 0;
}
constexpr bool Failed(HResult code) {
    return code < 0;
}

inline constexpr HResult S_OK = 0;
inline constexpr HResult E_FAIL = MakeHResult(0x80004005);
inline constexpr HResult E_POINTER = MakeHResult(0x80004003);
inline constexpr HResult E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HResult E_INVALIDARG = MakeHResult(0x80070057);
inline constexpr HResult CO_E_NOTINITIALIZED = MakeHResult(0x800401F0);
inline constexpr HResult CO_E_CLASSSTRING = MakeHResult(0x800401F3);
inline constexpr HResult DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
// Passed as a VT_ERROR argument, this asks the callee to use its default for an optional parameter.
inline constexpr HResult DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
inline constexpr HResult DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
inline constexpr HResult DISP_E_EXCEPTION = MakeHResult(0x80020009);
inline constexpr HResult DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000E);

}  // namespace larkspan::automation
