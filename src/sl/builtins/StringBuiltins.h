// The built-ins that build, read and change texts and composites (arrays,
// dictionaries, records), and the conversions between integers and text in other
// number bases together with the small text routines they rest on. Texts are handled
// as 8-bit text: lengths and positions count 8-bit characters, from 0.
#pragma once

#include <cstdint>
#include <string_view>

#include "sl/interpreter/Procedures.h"

namespace vt {

// The base-35 digits of the program's identifiers: 0 to 9 and A to Z without O.
inline constexpr std::string_view kBase35Digits = "0123456789ABCDEFGHIJKLMNPQRSTUVWXYZ";

// Text routines of the base-N conversions (pure functions on 8-bit text).
AnsiString IntToStrBaseX(std::int64_t Value, std::int32_t Base);  // Base 2 … 36
std::int64_t StrBaseXToInt(std::string_view Text, std::int32_t Base);
// Digits from Table[0 … HighIndex]; the base is HighIndex + 1.
AnsiString IntToStrChArr(std::int64_t Value, std::string_view Table, std::int32_t HighIndex);
std::int64_t StrChArrToInt(std::string_view Text, std::string_view Table, std::int32_t HighIndex);
AnsiString AddLeadingChars(std::string_view Text, std::int64_t Length, char Ch);
AnsiString AddTrailingChars(std::string_view Text, std::int64_t Length, char Ch);
char IntToChar36(std::int32_t Value);                // 0 … 35 → "0" … "9", "A" … "Z"
std::int32_t Char36ToInt(char Ch);                   // digits and letters of either case
bool IsCharValidForBase(char Ch, std::int32_t Base);  // raises as Char36ToInt
bool IsCharInArray(char Ch, std::string_view Table, std::int32_t HighIndex);
std::int32_t CharrToInt(char Ch, std::string_view Table, std::int32_t HighIndex);
// Base to the Exponent in wrapping 64-bit arithmetic; an Exponent ≤ 0 gives 1.
std::int64_t IntIntPower(std::int64_t Base, std::int32_t Exponent);

// Texts
VT_SL_FAST_BUILTIN(TSLLengthProcedure);  // s → n
VT_SL_BUILTIN(TSLGetSubStrProcedure);  // s i n → the n characters from i
VT_SL_BUILTIN(TSLPutSubStrProcedure);  // s i t → s, overwritten in place from i
VT_SL_BUILTIN(TSLSearchProcedure);     // s t → pre match post true, or false
VT_SL_BUILTIN(TSLPadProcedure);        // s n c → s with c put in front up to n characters
VT_SL_BUILTIN(TSLPadrProcedure);       // s n c → the same, appended
VT_SL_BUILTIN(TSLUppercaseProcedure);  // s → s with a to z upper-cased
VT_SL_BUILTIN(TSLChrProcedure);        // i → the character of the low byte
VT_SL_BUILTIN(TSLOrdProcedure);        // s → the code of its one character

// array i → x; coll /name → x: the element itself
VT_SL_POLYMORPH_BUILTIN(TSLGetProcedure, VT_SL_HANDLER(Array) VT_SL_HANDLER(Dictionary) VT_SL_HANDLER(Record));

// array i x →; dict /name x → (a new name only); record /field x →
VT_SL_POLYMORPH_BUILTIN(TSLPutProcedure, VT_SL_HANDLER(Array) VT_SL_HANDLER(Dictionary) VT_SL_HANDLER(Record));

// array i →; dict key →
VT_SL_POLYMORPH_BUILTIN(TSLDelProcedure, VT_SL_HANDLER(Array) VT_SL_HANDLER(Dictionary));

// coll → n
VT_SL_POLYMORPH_BUILTIN(TSLCountProcedure, VT_SL_HANDLER(Array) VT_SL_HANDLER(Dictionary));

// Composites
VT_SL_BUILTIN(TSLPutsProcedure);       // dict /name x →: replaces an entry of that name
VT_SL_BUILTIN(TSLGetSubArrProcedure);  // array i n → new array of the elements i … i+n−1
VT_SL_BUILTIN(TSLPutSubArrProcedure);  // array i array2 → array with array2 stored from i
VT_SL_BUILTIN(TSLInsertProcedure);     // array i x →: x inserted before index i
VT_SL_BUILTIN(TSLCreateArrayProcedure);   // x1 … xn n → array
VT_SL_BUILTIN(TSLCreateDictProcedure);    // /key1 val1 … /keyN valN n → dict
VT_SL_BUILTIN(TSLCreateRecordProcedure);  // /field val … n typedict → record
VT_SL_BUILTIN(TSLGetCompositeIdentProcedure);  // composite → /ident
VT_SL_BUILTIN(TSLGetRecordTypeProcedure);      // record → /type

// Number bases
VT_SL_BUILTIN(TSLCvriProcedure);   // s base → i
VT_SL_BUILTIN(TSLCvrsProcedure);   // i base → s
VT_SL_BUILTIN(TSLCvrliProcedure);  // s → i, base 35
VT_SL_BUILTIN(TSLCvrlsProcedure);  // i → s, base 35

}  // namespace vt
