// Which registry values name a language: only a short language tag, never a path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The tag in lower case when `value` is two or three ASCII letters (as "fr", "DE", "ita"),
// else nothing: no paths, dots, separators, blanks or other characters.
std::optional<std::string> NormalizeLanguageTag(std::string_view value);

// The language module's file name for a tag: "Tervolin.<tag>.dll", in the "lang" folder beside
// the program.
std::string LanguageModuleName(const std::string& tag);
