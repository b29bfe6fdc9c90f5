#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "system/guid.h"

namespace quillbay {

// A bar's class identifier: a GUID in braces, 38 characters, upper-case hex digits.
using BarId = std::string;

enum class BarKind { kVertical, kHorizontal };

BarId FormatBarId(const Guid& guid);

// A fresh identifier from `source`, or nullopt when it could not make a GUID.
std::optional<BarId> NewBarId(GuidSource& source);

// True for a braced GUID of 38 characters with hex digits of either case: the only
// identifiers whose registry keys Quillbay will touch.
bool IsWellFormedBarId(std::string_view id);

// True when `a` and `b` name the same bar: well-formed identifiers in any case, anything
// else only as it is.
bool SameBarId(std::string_view a, std::string_view b);

// An identifier as typed: reg.exe and PowerShell users leave out the braces, and any case
// names the same bar. Anything else is kept as typed, for the message that refuses it.
std::string TypedBarId(std::string_view typed);

// The identifier a hand-edited row's field nearly names: with spaces, tabs, NULs or
// byte-order marks around it, or without its braces; nullopt when it names none so.
std::optional<BarId> NearBarId(std::string_view field);

}  // namespace quillbay
