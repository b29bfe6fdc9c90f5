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

}  // namespace quillbay
