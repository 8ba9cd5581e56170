// Code pages of the device's 8-bit text and conversions between them and UTF-16; the user's locale,
// its dates and the platform's character case.
#pragma once

#include "platform/api/WinBase.h"

using CHAR = char;
using LPSTR = CHAR*;
using LPCSTR = const CHAR*;

// The device's ANSI code page (1251 on a Russian phone), and UTF-8.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

UINT GetACP();

// In both directions: the flags are accepted and not looked at; an input length of -1 means a
// NUL-terminated text, and the NUL is converted with it; an output size of 0 asks for the size the
// output needs, and nothing is written. An output that does not fit fails the call with
// ERROR_INSUFFICIENT_BUFFER; an unknown code page with ERROR_INVALID_PARAMETER. Both return the
// number of characters (bytes on the 8-bit side) written or needed, 0 on failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteLength, LPWSTR wideText,
                        int wideSize);
// Characters the code page lacks become `defaultChar` ("?" when null), and `usedDefaultChar` says whether
// that happened. For CP_UTF8 both must be null.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength, LPSTR multiByteText,
                        int multiByteSize, LPCSTR defaultChar, BOOL* usedDefaultChar);

// ---- Locales and character case

// A locale identifier: the language identifier in the low word, the sort order above it. A language
// identifier holds the primary language in its low 10 bits and the sublanguage above them.
using LCID = DWORD;
using LANGID = WORD;
using LCTYPE = DWORD;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// What GetLocaleInfo tells: the language identifier as four hexadecimal digits ("0419"), and the
// language's English name ("Russian").
constexpr LCTYPE LOCALE_ILANGUAGE = 0x0001;
constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;

constexpr DWORD ERROR_INVALID_FLAGS = 1004;

constexpr LANGID LANGIDFROMLCID(LCID locale) { return static_cast<LANGID>(locale & 0xFFFF); }
constexpr WORD PRIMARYLANGID(LANGID language) { return static_cast<WORD>(language & 0x3FF); }

// The locale the device's user chose, and its language.
LCID GetUserDefaultLCID();
LANGID GetUserDefaultLangID();

// Writes the information of type `type` about `locale` (LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT
// name the device's locale) with its NUL into `data`, and returns the characters written, NUL
// included. A size of 0 asks for the size needed and writes nothing. Fails with 0 and
// ERROR_INVALID_PARAMETER for a locale the device does not know, ERROR_INVALID_FLAGS for a type it
// does not answer, ERROR_INSUFFICIENT_BUFFER when the text does not fit.
int GetLocaleInfo(LCID locale, LCTYPE type, LPWSTR data, int dataSize);

// How GetDateFormat writes a date without a picture: the locale's short ("01.02.2003") or long date.
constexpr DWORD DATE_SHORTDATE = 0x00000001;
constexpr DWORD DATE_LONGDATE = 0x00000002;

// Writes `date` (the device's local date when null; its time of day is not looked at) with its NUL
// into `dateText` as `locale` writes dates (LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT name the
// device's locale), and returns the characters written, NUL included. Without a `format` the flags
// choose the short date (also when neither is given) or the long date. A `format` is a date picture:
// d and dd the day, ddd and dddd its short and full weekday name; M and MM the month, MMM and MMMM its
// short and full name; y and yy the last two digits of the year, yyy and yyyy all of them; the
// one-letter forms have no leading zero. A picture with a day number (d, dd) names months as the
// locale writes them inside a date (Russian "1 февраля"), one without as it names them alone. Text in
// single quotes is copied as it is ('' writes a quote), and so is every other character. Sizes and
// failures as GetLocaleInfo's; besides, ERROR_INVALID_FLAGS for both flags, a flag beside a picture
// or an unknown flag, and ERROR_INVALID_PARAMETER for a date no calendar has (month 13, 31 February,
// a year before 1601).
int GetDateFormat(LCID locale, DWORD flags, const SYSTEMTIME* date, LPCWSTR format, LPWSTR dateText, int size);

// What CompareString answers: the first text sorts before, with, or after the second.
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

// Compares two texts as the locale sorts them (LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT name the
// device's locale); a count of -1 means a NUL-terminated text. It takes no flags. Returns
// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN; 0 on failure, with ERROR_INVALID_PARAMETER for a
// locale the device does not know or a missing text, ERROR_INVALID_FLAGS for any flag.
int CompareString(LCID locale, DWORD flags, LPCWSTR string1, int count1, LPCWSTR string2, int count2);

// Lower- and upper-cases `length` characters in place, each character on its own as the platform's
// single-character mapping does ("Ё" becomes "ё", "ß" stays); returns the number of characters
// looked at.
DWORD CharLowerBuff(LPWSTR text, DWORD length);
DWORD CharUpperBuff(LPWSTR text, DWORD length);
// Lower-cases a NUL-terminated text in place and returns it; a value below 0x10000 is taken as one
// character, and its lower-case form is returned in the same way.
LPWSTR CharLower(LPWSTR textOrCharacter);
